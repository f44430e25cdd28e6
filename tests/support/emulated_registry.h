// An in-memory registry that the tests link in place of the platform's. It
// answers RegOpenKeyExA and W, RegQueryValueExA and W, RegDeleteValueA and
// W, RegSetValueExA and W and RegCloseKey with the Windows registry's
// semantics and
// error codes, and it keeps what a test needs to look at: a record of every
// call, the open handles, and failures to inject into the next call of an
// operation.
#ifndef TXRESET_TESTS_EMULATED_REGISTRY_H
#define TXRESET_TESTS_EMULATED_REGISTRY_H

#include <string>
#include <vector>

#include "platform/platform.h"
#include "registry_image.h"

enum class RegOp { kOpen, kQueryValue, kDeleteValue, kSetValue, kClose };

struct RegCall {
  RegOp op;
  HKEY key;                // the key the call was made on
  std::string name;        // sub-key path (open) or value name (the others)
  DWORD options;           // open: options; set: reserved
  DWORD access;            // open: access mask; set: value type
  std::vector<BYTE> data;  // set: the bytes passed
  HKEY opened;             // open: the handle given back
  LONG status;
};

// Replaces the whole registry with `image` (parent keys included) and
// forgets calls, handles and pending failures.
void emulated_registry_load(const RegistryImage &image);
RegistryImage emulated_registry_image();

// The next call of `op` fails with `status` and changes nothing.
void emulated_registry_fail_next(RegOp op, LONG status);
const std::vector<RegCall> &emulated_registry_calls();
int emulated_registry_open_handles();

// A process built on the emulated registry starts from the image in the
// file that this variable names, and writes the registry back there when it
// ends through ExitProcess.
inline const char kRegistryFileVariable[] = "TXRESET_EMULATED_REGISTRY";
// And, when this one names a file, its record of calls there: a line a call,
// the operation ("open", "query", "delete", "set" or "close") and the name.
inline const char kCallsFileVariable[] = "TXRESET_EMULATED_CALLS";
bool save_image_file(const std::string &path, const RegistryImage &image);
bool load_image_file(const std::string &path, RegistryImage &image);

#endif
