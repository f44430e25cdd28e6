// The empty Windows console program that scripts/bench-check measures
// txcheck.exe against: built with the same toolchain, flags, manifest and
// version resource as the programs.
int main() { return 0; }
