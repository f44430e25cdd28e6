#ifndef TXCHECK_CHECK_INSTANCE_H
#define TXCHECK_CHECK_INSTANCE_H

// Reads "ReportTxEarly" in
// HKLM\SYSTEM\CurrentControlSet\Services\Quorv<instance>\Parameters and,
// when it is not REG_DWORD 0, whether that key opens with full access, as
// txreset needs. Changes nothing. Writes the instance's line on standard
// output: "Quorv<instance>", its state's word, and what it found. Returns
// the state (a CheckState).
int check_instance(int instance);

#endif
