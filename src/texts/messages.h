// What txreset writes, exactly as it writes it, and the instances it works
// on. txreport reads transcripts back against the same texts, so the two
// programs cannot drift apart.
#ifndef TEXTS_MESSAGES_H
#define TEXTS_MESSAGES_H

#include "tx_version.h"

// Service instances Quorv0 to Quorv15.
constexpr int kInstanceCount = 16;

// The banner: a title line, and a notice line followed by an empty line.
constexpr char kTitleMessage[] =
    "Tarnel Utility Program       version " TX_VERSION "(R)\n";
constexpr char kNoticeMessage[] =
    "Copyright (C) Tarnel. All rights reserved.\n\n";

// The stages of one instance's reset.
constexpr char kOpenedMessage[] = "Open Key sucessfully!\n\n";
constexpr char kDeletedMessage[] = "Delete Key now.\n\n";
constexpr char kResetMessage[] = "Reset the correct Key value.\n\n";
constexpr char kFailedMessage[] = "Program Fails!\n";

// The verdict on each instance.
constexpr char kDoneMessage[] = "The change is done!\n\n";
constexpr char kCheckMessage[] = "Check the registry please!\n\n";

#endif
