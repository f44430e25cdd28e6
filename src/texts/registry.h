// Where the setting lives: the key of each service instance and the value in
// it. txreset writes it and txcheck reads it, at the same place.
#ifndef TEXTS_REGISTRY_H
#define TEXTS_REGISTRY_H

#include <cstdio>
#include <limits>

// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Quorv<n>\Parameters
constexpr char kServicesKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr char kServiceName[] = "Quorv";  // then the instance number
constexpr char kParametersKeyPath[] = "\\Parameters";
constexpr char kSettingValueName[] = "ReportTxEarly";

// Room for the key path of any int instance number: all its digits, a sign
// and the terminator.
constexpr int kInstanceKeyPathSize =
    sizeof kServicesKeyPath + sizeof kServiceName + sizeof kParametersKeyPath -
    2 + std::numeric_limits<int>::digits10 + 2;

// The key path of an instance, relative to HKEY_LOCAL_MACHINE.
inline void format_instance_key_path(char (&path)[kInstanceKeyPathSize],
                                     int instance) {
  std::snprintf(path, sizeof path, "%s%s%d%s", kServicesKeyPath, kServiceName,
                instance, kParametersKeyPath);
}

#endif
