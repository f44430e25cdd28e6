// A registry file as regedit writes it, made in memory: the header
// "Windows Registry Editor Version 5.00", in UTF-16LE with a byte-order
// mark and CRLF line ends. `reg import` and `regedit /s` put back what it
// holds, byte for byte.
#ifndef TXCHECK_REG_FILE_H
#define TXCHECK_REG_FILE_H

#include <cstddef>

#include "platform/platform.h"

// Starts zeroed (RegFile file{};). When memory runs out, `out_of_memory`
// is set and nothing more is added.
struct RegFile {
  BYTE *bytes;
  std::size_t size;
  std::size_t room;
  bool out_of_memory;
};

// The byte-order mark and the header line.
void reg_file_begin(RegFile &file);

// A section for the key at HKEY_LOCAL_MACHINE\`path` (ASCII) that sets the
// value `name` (ASCII) to exactly `type` and `data`: a string as text where
// regedit reads it back unchanged, a 4-byte REG_DWORD as dword:, anything
// else as hex(type): bytes.
void reg_file_section(RegFile &file, const char *path, const char *name,
                      DWORD type, const BYTE *data, DWORD size);

// A section for that key that deletes the value `name`.
void reg_file_deletion(RegFile &file, const char *path, const char *name);

// A comment line, "; " and `text` (ASCII), that an import passes over.
void reg_file_comment(RegFile &file, const char *text);

void reg_file_free(RegFile &file);

#endif
