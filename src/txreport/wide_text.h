// UTF-8, as txreport holds every path, and UTF-16, as Windows takes them.
// A name Windows allows but UTF-16 does not (a lone surrogate) survives the
// round trip, so that the file can be opened by the name it was listed by.
#ifndef TXREPORT_WIN32_WIDE_TEXT_H
#define TXREPORT_WIN32_WIDE_TEXT_H

#include <string>

std::wstring wide_text(const std::string &utf8);
std::string utf8_text(const wchar_t *wide);

#endif
