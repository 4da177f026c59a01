// The detection database in memory: vendors, their product versions and the rules that
// betray each version on a computer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qws {

struct RegRule {
  std::u16string type;  // "service", "app", "local", "base", "version", "embedded", "check", "uninstall"
  std::u16string key;   // embedded variables already replaced
  std::u16string property;
  bool hasProperty = false;
  std::u16string value;
  bool hasValue = false;
  bool nextKey = false;
  std::u16string name;
  int elevated = 0;
  std::u16string paramsUse;
};

struct File {
  std::u16string name;  // may hold one '*'
  bool lastTime = false;
};

struct Dir {
  std::u16string path;  // may hold macros between percent signs and '*' wildcards
  bool base = false;
  bool lastTime = false;
  std::u16string key, property;  // read for %REG%
  std::vector<File> files;
  std::vector<Dir> dirs;
};

struct ServiceRule {
  std::u16string name;
};

struct StatusCondition {
  enum class Default { None, True, False };
  std::u16string type, key, property, on, off, format, name, andMask, path, section, entry;
  std::u16string xpath, re, index;
  bool hasAndMask = false;
  Default defaultValue = Default::None;
  uint64_t offset = 0;
  uint32_t size = 0;
  // "path_reg+file": ON and OFF with their octal escapes decoded.
  std::u16string onBytes, offBytes;
};

// Conditions are held once; the lists refer to them by position, so a CURRENT_RESTART
// condition sits in both lists and is still evaluated once.
struct StatusBlock {
  std::u16string currentOperator, restartOperator;
  std::vector<StatusCondition> conditions;
  std::vector<size_t> current, restart;
  std::optional<size_t> update, install, ownStatus, ownEdition;
};

struct CProduct {
  std::u16string versionName, product, wscName, description;
  int versionId = 0;
  bool forceScan = false;
  int bits = 0;  // the bitness of Windows the version was loaded for (0: unknown)
  std::vector<RegRule> regs;
  std::vector<Dir> dirs;
  std::vector<ServiceRule> services;
  StatusBlock status;

  // The number of rules the evaluation walks: one progress unit each.
  size_t RuleCount() const;
};

struct Vendor {
  std::u16string company;
  int id = 0;
  std::vector<CProduct> products;
};

// The maker's own products.
inline constexpr int kOwnVendorId = 32;

}  // namespace qws
