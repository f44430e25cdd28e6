// UTF-8, as txreport holds every path, and UTF-16, as Windows takes them.
#ifndef TXREPORT_WIN32_WIDE_TEXT_H
#define TXREPORT_WIN32_WIDE_TEXT_H

#include <string>

std::wstring wide_text(const std::string &utf8);
std::string utf8_text(const wchar_t *wide);

#endif
