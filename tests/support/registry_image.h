// A picture of registry keys and values: what a test seeds before the
// program runs, and what it expects to read back afterwards.
#ifndef TXRESET_TESTS_REGISTRY_IMAGE_H
#define TXRESET_TESTS_REGISTRY_IMAGE_H

#include <string>
#include <vector>

#include "platform/platform.h"

struct RegValue {
  std::string name;
  DWORD type;
  // A string type's data as the ANSI functions give it, unless `wide`:
  // then the bytes the registry holds, UTF-16 for strings, as the wide
  // functions give them.
  std::vector<BYTE> data;
  bool wide = false;
};

struct RegKey {
  std::string path;  // relative to HKEY_LOCAL_MACHINE
  std::vector<RegValue> values;
  bool read_only = false;  // seeded so that only KEY_READ is granted
  // Opens with full access, but every value write in it fails: a fault that
  // only the emulated registry can stage.
  bool writes_fail = false;
  // Seeded so that nothing is granted, not even reading.
  bool no_access = false;
};

using RegistryImage = std::vector<RegKey>;

// All the instance keys live under this one; tests touch nothing else.
inline const std::string kServicesKey = "SYSTEM\\CurrentControlSet\\Services";
inline const std::string kValueName = "ReportTxEarly";
// Every key whose path starts so (without regard to case) belongs to the
// tests: they seed, read and delete that subtree and nothing else.
inline const std::string kInstanceKeyStem = kServicesKey + "\\Quorv";

// Registry names compare as Windows compares them: without regard to case.
std::string upper_case(std::string text);
bool starts_with_ignoring_case(const std::string &text,
                               const std::string &prefix);

std::string instance_key(int instance);
RegValue dword_value(const std::string &name, DWORD number);
RegValue string_value(const std::string &name, const std::string &text);
// A string type's data in the wide functions' form, each byte of ANSI data
// as one code unit: a value's bytes in the registry.
std::vector<BYTE> wide_data(const RegValue &value);
bool is_string_type(DWORD type);
RegValue binary_value(const std::string &name, std::vector<BYTE> bytes);
RegistryImage with_parent_keys(const RegistryImage &image);

// One canonical text for an image, for comparing two of them with a readable
// difference, every value in its wide form: paths and value names compare
// case-insensitively on Windows, so keys and values are sorted that way, and a
// key without values that only leads to other keys is left out. Key paths are
// shown upper-cased.
std::string describe(const RegistryImage &image);

// The same, with value names as Windows compares them, without regard to
// case: where a value is written back, its name is spelled as the program
// spells it.
std::string describe_ignoring_value_case(RegistryImage image);

#endif
