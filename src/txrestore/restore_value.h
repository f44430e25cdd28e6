#ifndef TXRESTORE_RESTORE_VALUE_H
#define TXRESTORE_RESTORE_VALUE_H

#include "txrestore/backup_file.h"

// Puts back one instance's "ReportTxEarly" as the backup saved it, in
// HKLM\SYSTEM\CurrentControlSet\Services\Quorv<instance>\Parameters: opens
// the key, never creating it, for reading and setting values only; writes
// nothing where the value already holds exactly that type and those bytes
// (or is missing, where the backup deletes it); else sets them through the
// wide API, or deletes the value, and reads it back. With `check`, writes
// nothing at all. Writes the instance's line on standard output: its
// state's word and what the value holds now. Returns the state (a
// RestoreState).
int restore_value(const BackupValue &saved, bool check);

#endif
