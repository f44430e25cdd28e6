#ifndef TXCHECK_CHECK_INSTANCE_H
#define TXCHECK_CHECK_INSTANCE_H

#include <cstddef>

#include "platform/platform.h"
#include "texts/describe.h"
#include "txcheck/reg_file.h"

// Reads "ReportTxEarly" in
// HKLM\SYSTEM\CurrentControlSet\Services\Quorv<instance>\Parameters and,
// when it is not REG_DWORD 0, whether that key opens with full access, as
// txreset needs. Changes nothing. Writes the instance's line on standard
// output: "Quorv<instance>", its state's word, and what it found. Returns
// the state (a CheckState).
//
// With a `backup`, it also reads the value exactly, through the wide API,
// and adds to the backup what txreset would replace: where the key opens
// with full access, a section that sets the value as found, or deletes it
// where it was missing; where it does not, or the value cannot be read, a
// comment that says why nothing was saved. An absent key adds nothing.
int check_instance(int instance, RegFile *backup = nullptr);

#endif
