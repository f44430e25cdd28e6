// txreport: reads the transcripts txreset wrote on a number of hosts, one
// file per host, and reports on every host and instance.
#ifndef TXREPORT_TXREPORT_H
#define TXREPORT_TXREPORT_H

#include <string>
#include <vector>

// Runs the program on the arguments after its name (UTF-8); gives the exit
// status: 0 every host ok, 1 some host not ok, 2 usage error, no file found
// or the report could not be written.
int txreport(const std::vector<std::string> &args);

#endif
