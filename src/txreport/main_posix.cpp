#include "txreport/txreport.h"

int main(int argc, char **argv) {
  return txreport(std::vector<std::string>(argv + 1, argv + argc));
}
