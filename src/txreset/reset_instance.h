#ifndef TXRESET_RESET_INSTANCE_H
#define TXRESET_RESET_INSTANCE_H

// Opens HKLM\SYSTEM\CurrentControlSet\Services\Quorv<instance>\Parameters,
// deletes "ReportTxEarly" and writes it again as REG_DWORD 0, reporting each
// stage on standard error. Returns 1 when the value now holds 0, 0 when the
// key could not be opened with full access or the write failed.
int reset_instance(int instance);

#endif
