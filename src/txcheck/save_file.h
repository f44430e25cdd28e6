// Saving a file whole or not at all, on each operating system.
#ifndef TXCHECK_SAVE_FILE_H
#define TXCHECK_SAVE_FILE_H

#include <cstddef>

#include "platform/platform.h"

// Room for the reason save_file gives.
constexpr std::size_t kSaveReasonSize = 600;

// Saves `size` bytes as the file at `path` (UTF-8). They go into a new file
// beside it, named after it and this process, written through to the disk,
// and that file is then renamed over `path`: a reader finds the old file or the
// whole new one, never a part. On any failure that file is removed and `path`
// is left as it was. Returns true, or false with the system's reason in
// `reason`.
bool save_file(const char *path, const BYTE *bytes, std::size_t size,
               char (&reason)[kSaveReasonSize]);

#endif
