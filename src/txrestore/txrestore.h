// txrestore: puts back what txcheck --backup saved, and nothing else.
#ifndef TXRESTORE_TXRESTORE_H
#define TXRESTORE_TXRESTORE_H

// The whole program, with its arguments in UTF-8; ends the process.
[[noreturn]] void txrestore(int argc, char **argv);

#endif
