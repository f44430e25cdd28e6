// The system's texts for the error codes that the stand-in registries give,
// as Windows words them and as FormatMessageA hands them over: the text,
// then a line break. Any other code has no text here.
#include <cstring>

#include "platform/platform.h"

namespace {

struct ErrorText {
  DWORD code;
  const char *text;
};

constexpr ErrorText kErrorTexts[] = {
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY,
     "Not enough memory resources are available to process this command."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_MORE_DATA, "More data is available."},
};

}  // namespace

// Only system messages, without inserts, into the caller's buffer. Returns
// the length written, 0 when there is no text or it does not fit.
DWORD FormatMessageA(DWORD flags, LPCVOID /*source*/, DWORD message_id,
                     DWORD /*language_id*/, LPSTR buffer, DWORD size,
                     va_list * /*arguments*/) {
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
    return 0;
  }
  for (const ErrorText &entry : kErrorTexts) {
    const std::size_t length = std::strlen(entry.text) + 2;
    if (entry.code == message_id && length < size) {
      std::memcpy(buffer, entry.text, length - 2);
      std::memcpy(buffer + length - 2, "\r\n", 3);
      return static_cast<DWORD>(length);
    }
  }
  return 0;
}
