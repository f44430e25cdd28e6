#include "txrestore/txrestore.h"

int main(int argc, char **argv) { txrestore(argc, argv); }
