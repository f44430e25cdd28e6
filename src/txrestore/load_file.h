// Reading a file whole, on each operating system.
#ifndef TXRESTORE_LOAD_FILE_H
#define TXRESTORE_LOAD_FILE_H

#include <cstddef>

#include "platform/platform.h"

// Room for the reason load_file gives.
constexpr std::size_t kLoadReasonSize = 600;

// Reads the file at `path` (UTF-8) whole, but never more than `limit`
// bytes and one. Returns true with its bytes in `bytes` (to be freed) and
// their number in `size`: more than `limit` where the file is larger.
// Returns false with the system's reason where it cannot be read.
bool load_file(const char *path, std::size_t limit, BYTE *&bytes,
               std::size_t &size, char (&reason)[kLoadReasonSize]);

#endif
