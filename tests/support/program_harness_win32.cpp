// Under Wine the registry is Wine's own, reached through the real API; the
// program runs as a child process, and what it wrote is read back from the
// 64-bit view of the registry, the one a 64-bit Windows shows its services.
#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "program_harness.h"

namespace {

// KEY_WOW64_64KEY is ignored on 32-bit Windows and names the native view on
// 64-bit Windows, so the same calls serve both prefixes.
constexpr REGSAM kNativeView = KEY_WOW64_64KEY;
// A read-only key grants KEY_READ to everyone and nothing else; a key with
// no access grants nothing (its owner may still change that).
constexpr char kReadOnlyDacl[] = "D:P(A;;KR;;;WD)";
constexpr char kNoAccessDacl[] = "D:P";
constexpr char kOpenDacl[] = "D:(A;;KA;;;WD)";

// Reports a failed registry call of the harness itself.
bool check(LONG status, const char *what, const std::string &path) {
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "harness: %s %s failed with %ld\n", what, path.c_str(),
                 static_cast<long>(status));
  }
  return status == ERROR_SUCCESS;
}

LONG set_dacl(HKEY key, const char *sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
          sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
    return static_cast<LONG>(GetLastError());
  }
  const LONG status =
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  return status;
}

std::vector<std::string> subkeys(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
      return names;
    }
    names.emplace_back(name, length);
  }
}

// Opens Services in the native view, for `access`.
HKEY open_services(REGSAM access) {
  HKEY services = nullptr;
  check(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServicesKey.c_str(), 0,
                      access | kNativeView, &services),
        "open", kServicesKey);
  return services;
}

// The names of the keys under Services that belong to the tests.
std::vector<std::string> instance_key_names(HKEY services) {
  std::vector<std::string> names = subkeys(services);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string &name) {
                               return !starts_with_ignoring_case(
                                   kServicesKey + "\\" + name,
                                   kInstanceKeyStem);
                             }),
              names.end());
  return names;
}

// Opens every key of the tree for all, so that it can be deleted whatever
// a test made read-only.
void open_up(const std::string &path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                    WRITE_DAC | kNativeView, &key) == ERROR_SUCCESS) {
    set_dacl(key, kOpenDacl);
    RegCloseKey(key);
  }
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | kNativeView,
                    &key) == ERROR_SUCCESS) {
    const std::vector<std::string> names = subkeys(key);
    RegCloseKey(key);
    for (const std::string &name : names) {
      open_up(path + "\\" + name);
    }
  }
}

std::wstring wide_name(const std::string &name) {
  return {name.begin(), name.end()};  // the tests' names are ASCII
}

// Every value as the registry holds it, through the wide functions.
void read_tree(const std::string &path, RegistryImage &image) {
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                    KEY_READ | kNativeView, &key);
  if (opened == ERROR_ACCESS_DENIED) {
    // A key with no access: there, but nothing in it can be seen.
    image.push_back({path, {}, false});
    return;
  }
  if (!check(opened, "open", path)) {
    return;
  }
  RegKey picture{path, {}, false};
  DWORD longest_name = 0;
  DWORD longest_data = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, &longest_name, &longest_data, nullptr, nullptr);
  std::vector<wchar_t> name(longest_name + 1);
  std::vector<BYTE> data(longest_data + 1);
  for (DWORD index = 0;; ++index) {
    auto name_length = static_cast<DWORD>(name.size());
    DWORD type = 0;
    auto size = static_cast<DWORD>(data.size());
    if (RegEnumValueW(key, index, name.data(), &name_length, nullptr, &type,
                      data.data(), &size) != ERROR_SUCCESS) {
      break;
    }
    picture.values.push_back(
        {std::string(name.begin(), name.begin() + name_length), type,
         std::vector<BYTE>(data.begin(), data.begin() + size), true});
  }
  const std::vector<std::string> names = subkeys(key);
  RegCloseKey(key);
  image.push_back(picture);
  for (const std::string &child : names) {
    read_tree(path + "\\" + child, image);
  }
}

std::string windows_path(const std::string &unix_path) {
  std::string path = "Z:" + unix_path;
  for (char &c : path) {
    c = c == '/' ? '\\' : c;
  }
  return path;
}

// The command line that gives the child exactly `args` as argv, by the
// Microsoft C runtime's quoting rules.
std::string command_line(const std::string &program,
                         const std::vector<std::string> &args) {
  std::string line = "\"" + program + "\"";
  for (const std::string &arg : args) {
    line += " \"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
  }
  return line;
}

HANDLE inheritable_file(const std::string &path, DWORD access,
                        DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string take_file(const std::string &path) {
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in),
                std::istreambuf_iterator<char>());
  }
  DeleteFileA(path.c_str());
  return text;
}

std::string scratch_file(const char *stem) {
  char directory[MAX_PATH];
  char path[MAX_PATH];
  GetTempPathA(sizeof directory, directory);
  GetTempFileNameA(directory, stem, 0, path);
  return path;
}

std::string quoted(const std::string &text) { return "\"" + text + "\""; }

// Runs a command line with its output captured, as a child process.
ProgramRun run_process(const std::string &command) {
  // UTF-8 as the build names the programs, and UTF-16 as Windows takes a
  // path, whatever its letters; CreateProcessW may write to it.
  std::wstring line(static_cast<std::size_t>(MultiByteToWideChar(
                        CP_UTF8, 0, command.c_str(), -1, nullptr, 0)),
                    L'\0');
  MultiByteToWideChar(CP_UTF8, 0, command.c_str(), -1, line.data(),
                      static_cast<int>(line.size()));
  const std::string out_path = scratch_file("out");
  const std::string err_path = scratch_file("err");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inheritable_file("NUL", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = inheritable_file(out_path, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = inheritable_file(err_path, GENERIC_WRITE, CREATE_ALWAYS);

  PROCESS_INFORMATION process{};
  ProgramRun run{"", "", -1};
  // Wine's CreateProcessW fails now and then with ERROR_INTERNAL_ERROR when
  // many processes start one after another; a second try starts it.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 2 && !started; ++attempt) {
    started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, nullptr, &startup, &process);
    if (!started && GetLastError() != ERROR_INTERNAL_ERROR) {
      break;
    }
  }
  if (started) {
    DWORD status = 0;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &status)) {
      run.exit_status = static_cast<int>(status);
    } else {
      TerminateProcess(process.hProcess, 1);
      std::fprintf(stderr, "harness: %s did not end\n", command.c_str());
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    std::fprintf(stderr, "harness: cannot start %s (%lu)\n", command.c_str(),
                 GetLastError());
  }
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  run.out = take_file(out_path);
  run.err = take_file(err_path);
  return run;
}

}  // namespace

bool harness_fails_writes() { return false; }

std::string scratch_path(const std::string &name) {
  char directory[MAX_PATH];
  GetTempPathA(sizeof directory, directory);
  return directory + ("txreset-" + std::to_string(GetCurrentProcessId())) +
         "-" + name;
}

std::vector<std::string> registry_importers() {
  return {"reg import", "regedit /s"};
}

ProgramRun import_registry_file(const std::string &importer,
                                const std::string &file) {
  return run_process(importer + " " + quoted(file));
}

void seed_registry(const RegistryImage &image) {
  HKEY services = open_services(KEY_ALL_ACCESS);
  for (const std::string &name : instance_key_names(services)) {
    open_up(kServicesKey + "\\" + name);
    check(RegDeleteTreeA(services, name.c_str()), "delete", name);
  }
  RegCloseKey(services);
  for (const RegKey &seed : image) {
    HKEY key = nullptr;
    if (!check(RegCreateKeyExA(HKEY_LOCAL_MACHINE, seed.path.c_str(), 0,
                               nullptr, 0, KEY_ALL_ACCESS | kNativeView,
                               nullptr, &key, nullptr),
               "create", seed.path)) {
      continue;
    }
    for (const RegValue &value : seed.values) {
      const auto size = static_cast<DWORD>(value.data.size());
      // Wine's RegSetValueExW, as it says NT does, counts in a terminator
      // that follows a string's data but is not in it: a unit that is not
      // one after the data keeps the data as it is.
      std::vector<BYTE> data = value.data;
      data.insert(data.end(), {0xFF, 0xFF});
      check(value.wide ? RegSetValueExW(key, wide_name(value.name).c_str(), 0,
                                        value.type, data.data(), size)
                       : RegSetValueExA(key, value.name.c_str(), 0, value.type,
                                        data.data(), size),
            "set a value in", seed.path);
    }
    RegCloseKey(key);
  }
  // Last, so that keys below a read-only one could still be made.
  for (const RegKey &seed : image) {
    HKEY key = nullptr;
    if ((seed.read_only || seed.no_access) &&
        check(RegOpenKeyExA(HKEY_LOCAL_MACHINE, seed.path.c_str(), 0,
                            WRITE_DAC | kNativeView, &key),
              "open", seed.path)) {
      check(set_dacl(key, seed.no_access ? kNoAccessDacl : kReadOnlyDacl),
            "restrict", seed.path);
      RegCloseKey(key);
    }
  }
}

RegistryImage read_registry() {
  HKEY services = open_services(KEY_READ);
  RegistryImage image;
  for (const std::string &name : instance_key_names(services)) {
    read_tree(kServicesKey + "\\" + name, image);
  }
  RegCloseKey(services);
  return image;
}

ProgramRun run_program(const std::vector<std::string> &args) {
  return run_process(command_line(windows_path(TXRESET_EXE), args));
}

namespace {

// A run of the program at `exe`, and what shows that it changed the keys.
CheckRun watched_run(const char *exe, const std::vector<std::string> &args) {
  // The server signals the event on any change below Services, even inside
  // keys the harness itself cannot open: a key made or deleted, a value
  // deleted or written, even when it is put back. (Wine's server takes a
  // write of the data a value already has as no change, and signals none.)
  const std::string before = describe(read_registry());
  HKEY services = open_services(KEY_NOTIFY);
  HANDLE changed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  check(RegNotifyChangeKeyValue(
            services, TRUE,
            REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY,
            changed, TRUE),
        "watch", kServicesKey);
  CheckRun check{run_process(command_line(windows_path(exe), args)), ""};
  const std::string after = describe(read_registry());
  const bool signalled = WaitForSingleObject(changed, 0) != WAIT_TIMEOUT;
  if (signalled || after != before) {
    check.changes = std::string(signalled ? "the registry signalled a change"
                                          : "the keys differ") +
                    " after the run. Before:\n" + before + "After:\n" + after;
  }
  CloseHandle(changed);
  RegCloseKey(services);
  return check;
}

}  // namespace

CheckRun run_check(const std::vector<std::string> &args) {
  return watched_run(TXCHECK_EXE, args);
}

CheckRun run_restore(const std::vector<std::string> &args) {
  return watched_run(TXRESTORE_EXE, args);
}

std::string export_keys(const std::vector<std::string> &keys) {
  std::string exported;
  const std::string file = scratch_path("export.reg");
  for (const std::string &key : keys) {
    const ProgramRun run =
        run_process("reg export " + quoted("HKEY_LOCAL_MACHINE\\" + key) + " " +
                    quoted(file) + " /y");
    exported += key + ": exit status " + std::to_string(run.exit_status) +
                "\n" + take_file(file);
  }
  return exported;
}

std::string console_text(const std::string &text) {
  std::string crlf;
  for (const char c : text) {
    crlf += c == '\n' ? "\r\n" : std::string(1, c);
  }
  return crlf;
}
