// Reading a backup that txcheck --backup wrote, and nothing else: the
// header "Windows Registry Editor Version 5.00" in UTF-16LE with a
// byte-order mark, CRLF or LF line ends, blank and ';' comment lines, and
// sections for the Parameters key of instances 0 to 15, each at most once
// and each with exactly one line for "ReportTxEarly": a deletion (=-), a
// string ("..." with \\ and \"), a dword: of eight hex digits, or hex: /
// hex(N): bytes with backslash continuation lines. Any other key, hive or
// value, a key deletion, the default value (@=), a repeated instance or
// value line, text after ']', a NUL or another control character, a bad or
// cut hex list, another header or encoding, and an empty file are refused:
// the whole file, never a part of it.
#ifndef TXRESTORE_BACKUP_FILE_H
#define TXRESTORE_BACKUP_FILE_H

#include <cstddef>

#include "platform/platform.h"
#include "texts/messages.h"

// No backup is larger: sixteen values of about ten million bytes each
// would fit, where the registry's own advice is a value under a million.
constexpr std::size_t kBackupSizeMax = std::size_t{64} * 1024 * 1024;

// Room for the reason a file is refused.
constexpr std::size_t kBackupErrorSize = 512;

// One instance's value as the backup saved it.
struct BackupValue {
  int instance;      // 0 to 15
  int line;          // the line of its section, from 1
  bool deletes;      // "=-": the value was missing, and is to be again
  DWORD type;        // else exactly this type
  const BYTE *data;  // and these bytes, in Backup::storage, followed there
  DWORD size;        // by two 0xFF bytes (no string terminator)
};

// Starts zeroed (Backup backup{};).
struct Backup {
  BackupValue values[kInstanceCount];
  int count;                     // in the order of the file
  BYTE *storage;                 // the values' bytes; freed by backup_free
  int error_line;                // where the file is refused: its line, from 1
  char error[kBackupErrorSize];  // and what is wrong there, in ASCII
};

// Reads the whole file, `size` bytes at `bytes`. Returns true with every
// value in `backup`, or false with no value, and the line and reason.
bool parse_backup(const BYTE *bytes, std::size_t size, Backup &backup);

void backup_free(Backup &backup);

#endif
