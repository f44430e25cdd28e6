// The html format: one page that shows the fleet at a glance, with nothing
// fetched from anywhere (inline style and script only), so that it opens from
// a file share or a mail attachment. It groups and sorts the hosts, so it is
// written once every host is read.
#ifndef TXREPORT_REPORT_HTML_H
#define TXREPORT_REPORT_HTML_H

#include <string>
#include <vector>

#include "txreport/report.h"
#include "txreport/transcript.h"

// Writes the page through `write`, a piece at a time: the count of hosts in
// each status, as numbers and as a bar; a legend; a search box; then a row
// per group of hosts with one status, instance map and problem, with the
// group's names: groups that are not ok first, then the ok ones (folded
// away when there are many rows), each the groups of most hosts first, then
// in name order; each log's time as its name's title. A script searches names
// and follows #host=NAME links.
void write_html_page(std::vector<HostReport> hosts, const StatusCounts &counts,
                     int unlisted, void (*write)(const std::string &));

// `text` as HTML text or a quoted attribute value: & < > " ' as references.
std::string html_text(const std::string &text);

#endif
