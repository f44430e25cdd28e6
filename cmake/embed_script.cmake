# Writes HEADER from cmake/report_html_script.h.in: the html page's script,
# read from SCRIPT, and its SHA-256 digest in base64, as the page's content
# security policy names the script it lets run.
# Usage: cmake -DSCRIPT=report_html.js -DHEADER=report_html_script.h -P embed_script.cmake
file(READ "${SCRIPT}" script)
string(FIND "${script}" ")js\"" end)
if(NOT end EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} holds )js\", which would end its C++ string")
endif()

# The 32 bytes of the digest, 3 at a time, each 3 as 4 base64 digits of 6
# bits; the last 2 bytes with a zero byte after them, their last digit '='.
string(SHA256 hex "${script}")
string(APPEND hex "00")
set(digits "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
set(digest "")
foreach(at RANGE 0 60 6)
  string(SUBSTRING "${hex}" ${at} 6 group)
  math(EXPR bits "0x${group}")
  foreach(shift 18 12 6 0)
    math(EXPR digit "(${bits} >> ${shift}) & 63")
    string(SUBSTRING "${digits}" ${digit} 1 letter)
    string(APPEND digest "${letter}")
  endforeach()
endforeach()
string(REGEX REPLACE ".$" "=" digest "${digest}")

configure_file("${CMAKE_CURRENT_LIST_DIR}/report_html_script.h.in" "${HEADER}"
               @ONLY)
