// txcheck: tells, without changing anything, whether "ReportTxEarly" is
// REG_DWORD 0 in the Parameters key of service instances Quorv0 to Quorv15.
#ifndef TXCHECK_TXCHECK_H
#define TXCHECK_TXCHECK_H

// The whole program, with its arguments in UTF-8; ends the process.
[[noreturn]] void txcheck(int argc, char **argv);

#endif
