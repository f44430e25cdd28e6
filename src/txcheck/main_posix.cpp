#include "txcheck/txcheck.h"

int main(int argc, char **argv) { txcheck(argc, argv); }
