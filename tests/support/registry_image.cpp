#include "registry_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

namespace {

bool leads_to_other_key(const RegistryImage &image, const std::string &path) {
  const std::string prefix = upper_case(path) + "\\";
  return std::any_of(image.begin(), image.end(), [&](const RegKey &other) {
    return upper_case(other.path).rfind(prefix, 0) == 0;
  });
}

}  // namespace

std::string upper_case(std::string text) {
  for (char &c : text) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return text;
}

bool starts_with_ignoring_case(const std::string &text,
                               const std::string &prefix) {
  return upper_case(text.substr(0, prefix.size())) == upper_case(prefix);
}

std::string instance_key(int instance) {
  return kInstanceKeyStem + std::to_string(instance) + "\\Parameters";
}

RegValue dword_value(const std::string &name, DWORD number) {
  return {name,
          REG_DWORD,
          {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8U),
           static_cast<BYTE>(number >> 16U), static_cast<BYTE>(number >> 24U)}};
}

RegValue string_value(const std::string &name, const std::string &text) {
  std::vector<BYTE> data(text.begin(), text.end());
  data.push_back(0);
  return {name, REG_SZ, data};
}

bool is_string_type(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::vector<BYTE> wide_data(const RegValue &value) {
  if (value.wide || !is_string_type(value.type)) {
    return value.data;
  }
  std::vector<BYTE> wide;
  for (const BYTE octet : value.data) {
    wide.push_back(octet);
    wide.push_back(0);
  }
  return wide;
}

RegValue binary_value(const std::string &name, std::vector<BYTE> bytes) {
  return {name, REG_BINARY, std::move(bytes)};
}

RegistryImage with_parent_keys(const RegistryImage &image) {
  RegistryImage all = image;
  for (const RegKey &key : image) {
    for (std::size_t cut = key.path.find('\\'); cut != std::string::npos;
         cut = key.path.find('\\', cut + 1)) {
      const std::string parent = key.path.substr(0, cut);
      const bool known =
          std::any_of(all.begin(), all.end(), [&](const RegKey &k) {
            return upper_case(k.path) == upper_case(parent);
          });
      if (!known) {
        all.push_back({parent, {}, false});
      }
    }
  }
  return all;
}

std::string describe(const RegistryImage &image) {
  std::vector<std::string> keys;
  for (const RegKey &key : image) {
    if (key.values.empty() && leads_to_other_key(image, key.path)) {
      continue;
    }
    std::vector<RegValue> values = key.values;
    std::sort(values.begin(), values.end(),
              [](const RegValue &a, const RegValue &b) {
                return upper_case(a.name) < upper_case(b.name);
              });
    std::string text = "[" + upper_case(key.path) + "]\n";
    for (const RegValue &value : values) {
      text +=
          "  " + value.name + " type " + std::to_string(value.type) + " data";
      for (const BYTE octet : wide_data(value)) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", octet);
        text += hex;
      }
      text += "\n";
    }
    keys.push_back(text);
  }
  std::sort(keys.begin(), keys.end());
  std::string all;
  for (const std::string &key : keys) {
    all += key;
  }
  return all.empty() ? "(no keys)\n" : all;
}

std::string describe_ignoring_value_case(RegistryImage image) {
  for (RegKey &key : image) {
    for (RegValue &value : key.values) {
      value.name = upper_case(value.name);
    }
  }
  return describe(image);
}
