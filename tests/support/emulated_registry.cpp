#include "emulated_registry.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "texts/escape.h"

namespace {

constexpr REGSAM kKeySetValue = 0x0002U;
constexpr const char *kOpWords[] = {"open", "query", "delete", "set", "close"};

struct OpenHandle {
  std::string key;  // upper-cased path
  REGSAM access = 0;
};

struct Registry {
  std::map<std::string, RegKey> keys;  // by upper-cased path
  std::map<std::uintptr_t, OpenHandle> handles;
  std::uintptr_t next_handle = 0x1000;
  std::map<RegOp, LONG> failures;
  std::vector<RegCall> calls;
};

void fill(Registry &registry, const RegistryImage &image) {
  registry = Registry{};
  for (const RegKey &key : with_parent_keys(image)) {
    registry.keys[upper_case(key.path)] = key;
  }
}

Registry &registry() {
  static Registry *const instance = [] {
    auto *fresh = new Registry{};
    RegistryImage image;
    const char *file = std::getenv(kRegistryFileVariable);
    if (file != nullptr && load_image_file(file, image)) {
      fill(*fresh, image);
    }
    return fresh;
  }();
  return *instance;
}

std::optional<LONG> take_failure(RegOp op) {
  auto &failures = registry().failures;
  const auto found = failures.find(op);
  if (found == failures.end()) {
    return std::nullopt;
  }
  const LONG status = found->second;
  failures.erase(found);
  return status;
}

LONG record(const RegCall &call) {
  registry().calls.push_back(call);
  return call.status;
}

OpenHandle *find_handle(HKEY key) {
  auto &handles = registry().handles;
  const auto found = handles.find(reinterpret_cast<std::uintptr_t>(key));
  return found == handles.end() ? nullptr : &found->second;
}

std::vector<RegValue>::iterator find_value(RegKey &key,
                                           const std::string &name) {
  return std::find_if(key.values.begin(), key.values.end(),
                      [&](const RegValue &value) {
                        return upper_case(value.name) == upper_case(name);
                      });
}

// The status the registry gives for a value operation on `handle` that
// needs `right`.
LONG check_value_access(const OpenHandle *handle, REGSAM right = kKeySetValue) {
  if (handle == nullptr) {
    return ERROR_INVALID_HANDLE;
  }
  return (handle->access & right) == 0 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

LONG open_key(HKEY key, const std::string &path, REGSAM access, HKEY &opened) {
  if (key != HKEY_LOCAL_MACHINE) {
    return ERROR_INVALID_HANDLE;
  }
  const auto found = registry().keys.find(upper_case(path));
  if (found == registry().keys.end()) {
    return ERROR_FILE_NOT_FOUND;
  }
  if (found->second.no_access ||
      (found->second.read_only && (access & ~KEY_READ) != 0)) {
    return ERROR_ACCESS_DENIED;
  }
  const std::uintptr_t id = registry().next_handle;
  registry().next_handle += 4;
  registry().handles[id] = {found->first, access};
  opened = reinterpret_cast<HKEY>(id);  // NOLINT(performance-no-int-to-ptr)
  return ERROR_SUCCESS;
}

}  // namespace

void emulated_registry_load(const RegistryImage &image) {
  fill(registry(), image);
}

RegistryImage emulated_registry_image() {
  RegistryImage image;
  for (const auto &entry : registry().keys) {
    image.push_back(entry.second);
  }
  return image;
}

void emulated_registry_fail_next(RegOp op, LONG status) {
  registry().failures[op] = status;
}

const std::vector<RegCall> &emulated_registry_calls() {
  return registry().calls;
}

int emulated_registry_open_handles() {
  return static_cast<int>(registry().handles.size());
}

namespace {

// Names as the tests write them: ASCII, each unit a char.
std::string narrow(LPCWSTR wide) {
  std::string text;
  for (; wide != nullptr && *wide != 0; ++wide) {
    text += static_cast<char>(*wide);
  }
  return text;
}

LONG open_sub_key(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access,
                  PHKEY result) {
  RegCall call{RegOp::kOpen, key,          sub_key == nullptr ? "" : sub_key,
               options,      access,       {},
               nullptr,      ERROR_SUCCESS};
  if (result == nullptr || sub_key == nullptr) {
    call.status = ERROR_INVALID_PARAMETER;
  } else if (const auto failure = take_failure(RegOp::kOpen)) {
    call.status = *failure;
  } else {
    call.status = open_key(key, sub_key, access, call.opened);
  }
  if (result != nullptr) {
    *result = call.opened;
  }
  return record(call);
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access,
                   PHKEY result) {
  return open_sub_key(key, sub_key, options, access, result);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM access,
                   PHKEY result) {
  const std::string name = narrow(sub_key);
  return open_sub_key(key, sub_key == nullptr ? nullptr : name.c_str(), options,
                      access, result);
}

namespace {

// A string type's data as the ANSI functions give it: each code unit as a
// byte, and one that has no byte as '?', as the code page would.
std::vector<BYTE> ansi_data(const RegValue &value) {
  if (!value.wide || !is_string_type(value.type)) {
    return value.data;
  }
  std::vector<BYTE> ansi;
  for (std::size_t at = 0; at + 1 < value.data.size(); at += 2) {
    ansi.push_back(value.data[at + 1] == 0 ? value.data[at] : BYTE{'?'});
  }
  return ansi;
}

// Either query: the ANSI one, or the wide one (`wide`).
LONG query_value(HKEY key, const std::string &name, const DWORD *reserved,
                 LPDWORD type, LPBYTE data, LPDWORD data_size, bool wide) {
  RegCall call{RegOp::kQueryValue, key, name, 0, 0, {}, nullptr, ERROR_SUCCESS};
  OpenHandle *const handle = find_handle(key);
  if (const auto failure = take_failure(RegOp::kQueryValue)) {
    call.status = *failure;
  } else if (reserved != nullptr || (data != nullptr && data_size == nullptr)) {
    call.status = ERROR_INVALID_PARAMETER;
  } else if ((call.status = check_value_access(handle, KEY_QUERY_VALUE)) ==
             ERROR_SUCCESS) {
    RegKey &target = registry().keys.at(handle->key);
    const auto found = find_value(target, name);
    if (found == target.values.end()) {
      call.status = ERROR_FILE_NOT_FOUND;
    } else {
      const std::vector<BYTE> bytes =
          wide ? wide_data(*found) : ansi_data(*found);
      const auto size = static_cast<DWORD>(bytes.size());
      if (type != nullptr) {
        *type = found->type;
      }
      // Too small a buffer gets nothing, and the size it would need.
      if (data != nullptr && *data_size < size) {
        call.status = ERROR_MORE_DATA;
      } else if (data != nullptr) {
        std::copy(bytes.begin(), bytes.end(), data);
      }
      if (data_size != nullptr) {
        *data_size = size;
      }
    }
  }
  return record(call);
}

}  // namespace

// NOLINTNEXTLINE(readability-non-const-parameter): the Windows signature
LONG RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD data_size) {
  return query_value(key, value_name == nullptr ? "" : value_name, reserved,
                     type, data, data_size, false);
}

// NOLINTNEXTLINE(readability-non-const-parameter): the Windows signature
LONG RegQueryValueExW(HKEY key, LPCWSTR value_name, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD data_size) {
  return query_value(key, narrow(value_name), reserved, type, data, data_size,
                     true);
}

namespace {

LONG delete_value(HKEY key, const std::string &name) {
  RegCall call{RegOp::kDeleteValue, key, name, 0, 0, {}, nullptr,
               ERROR_SUCCESS};
  OpenHandle *const handle = find_handle(key);
  if (const auto failure = take_failure(RegOp::kDeleteValue)) {
    call.status = *failure;
  } else if ((call.status = check_value_access(handle)) == ERROR_SUCCESS) {
    RegKey &target = registry().keys.at(handle->key);
    const auto found = find_value(target, name);
    if (found == target.values.end()) {
      call.status = ERROR_FILE_NOT_FOUND;
    } else {
      target.values.erase(found);
    }
  }
  return record(call);
}

// Either set: the wide one (`wide`) keeps a string's bytes as UTF-16.
LONG set_value(HKEY key, const std::string &name, DWORD reserved, DWORD type,
               const BYTE *data, DWORD data_size, bool wide) {
  std::vector<BYTE> bytes;
  if (data != nullptr) {
    bytes.assign(data, data + data_size);
    // As Windows does, the wide set counts in a terminator that the caller
    // left out of a string's size but put after its data.
    if (wide && is_string_type(type) && data_size % 2 == 0 &&
        data[data_size] == 0 && data[data_size + 1] == 0 &&
        (data_size == 0 || data[data_size - 1] != 0 ||
         data[data_size - 2] != 0)) {
      bytes.insert(bytes.end(), {0, 0});
    }
  }
  RegCall call{RegOp::kSetValue, key,          name, reserved, type, bytes,
               nullptr,          ERROR_SUCCESS};
  OpenHandle *const handle = find_handle(key);
  if (const auto failure = take_failure(RegOp::kSetValue)) {
    call.status = *failure;
  } else if (data == nullptr && data_size != 0) {
    call.status = ERROR_INVALID_PARAMETER;
  } else if ((call.status = check_value_access(handle)) == ERROR_SUCCESS) {
    RegKey &target = registry().keys.at(handle->key);
    const auto found = find_value(target, name);
    if (target.writes_fail) {
      call.status = ERROR_WRITE_FAULT;
    } else if (found == target.values.end()) {
      target.values.push_back({name, type, bytes, wide});
    } else {
      *found = {found->name, type, bytes, wide};
    }
  }
  return record(call);
}

}  // namespace

LONG RegDeleteValueA(HKEY key, LPCSTR value_name) {
  return delete_value(key, value_name == nullptr ? "" : value_name);
}

LONG RegDeleteValueW(HKEY key, LPCWSTR value_name) {
  return delete_value(key, narrow(value_name));
}

LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type,
                    const BYTE *data, DWORD data_size) {
  return set_value(key, value_name == nullptr ? "" : value_name, reserved, type,
                   data, data_size, false);
}

LONG RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD reserved, DWORD type,
                    const BYTE *data, DWORD data_size) {
  return set_value(key, narrow(value_name), reserved, type, data, data_size,
                   true);
}

LONG RegCloseKey(HKEY key) {
  RegCall call{RegOp::kClose, key, "", 0, 0, {}, nullptr, ERROR_SUCCESS};
  if (const auto failure = take_failure(RegOp::kClose)) {
    call.status = *failure;
  }
  // A close that reports failure has still let go of the handle.
  if (registry().handles.erase(reinterpret_cast<std::uintptr_t>(key)) == 0) {
    call.status = ERROR_INVALID_HANDLE;
  }
  return record(call);
}

void ExitProcess(UINT exit_code) {
  std::fflush(nullptr);
  const char *file = std::getenv(kRegistryFileVariable);
  if (file != nullptr && !save_image_file(file, emulated_registry_image())) {
    std::_Exit(99);
  }
  if (const char *calls = std::getenv(kCallsFileVariable)) {
    std::ofstream out(calls, std::ios::binary | std::ios::trunc);
    for (const RegCall &call : emulated_registry_calls()) {
      out << kOpWords[static_cast<int>(call.op)] << ' ' << call.name << '\n';
    }
    if (!out.flush()) {
      std::_Exit(99);
    }
  }
  std::_Exit(static_cast<int>(exit_code));
}

// One line a key ("key ro|rw|wf|na PATH", wf for a key whose writes fail,
// na for one that opens for nothing)
// followed by one line a value
// ("value TYPE HEXDATA NAME", or "wide ..." for data in the wide form); the
// names come last so that they may hold spaces.
bool save_image_file(const std::string &path, const RegistryImage &image) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const RegKey &key : image) {
    const char *flag = key.no_access     ? "na "
                       : key.read_only   ? "ro "
                       : key.writes_fail ? "wf "
                                         : "rw ";
    out << "key " << flag << key.path << '\n';
    for (const RegValue &value : key.values) {
      std::string data;
      for (const BYTE octet : value.data) {
        append_hex(data, octet, "");
      }
      out << (value.wide ? "wide " : "value ") << value.type << ' ' << data
          << "- " << value.name << '\n';
    }
  }
  return static_cast<bool>(out.flush());
}

bool load_image_file(const std::string &path, RegistryImage &image) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  image.clear();
  while (in && std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "key") {
      std::string flag;
      fields >> flag;
      fields.get();
      RegKey key{{}, {}, flag == "ro", flag == "wf", flag == "na"};
      std::getline(fields, key.path);
      image.push_back(key);
    } else if ((kind == "value" || kind == "wide") && !image.empty()) {
      RegValue value{{}, 0, {}, kind == "wide"};
      std::string hex;
      fields >> value.type >> hex;
      fields.get();
      std::getline(fields, value.name);
      hex.pop_back();  // the '-' that keeps empty data a field
      for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
        value.data.push_back(
            static_cast<BYTE>(std::stoul(hex.substr(at, 2), nullptr, 16)));
      }
      image.back().values.push_back(value);
    } else {
      return false;
    }
  }
  return in.eof();
}
