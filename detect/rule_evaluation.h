// Evaluating the rules of one product version against the computer, and deciding per vendor
// which single version (if any) is installed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "detect/detection_model.h"
#include "detect/detection_system.h"

namespace qws {

struct DetectionMatch {
  uint32_t registryScore = 0;  // hundredths of a percent
  uint32_t fileScore = 0;
  uint32_t serviceScore = 0;
  uint32_t registryCount = 0;
  uint32_t fileCount = 0;
  uint32_t serviceCount = 0;
  int64_t newestFileTime = 0;  // seconds since 1970, UTC; 0 when none
  int64_t oldestFileTime = 0;
  int64_t updateTime = 0;
  int64_t installTime = 0;
  uint16_t code = 0;  // vendor id * 256 + version id
  std::u16string product, versionName, description;
  uint32_t status = 0xFFFFFF;  // 2-bit fields: 1 on, 2 off, 3 not evaluated, 0 undetermined
  const CProduct* version = nullptr;
};

// (kind 1, total units) once per run, then (kind 2, units done) after each rule.
using DetectionProgress = std::function<void(int kind, uint32_t units)>;

// Condition results.
inline constexpr int kResultUndetermined = 0;
inline constexpr int kResultOn = 1;
inline constexpr int kResultOff = 2;
inline constexpr int kResultNotEvaluated = 3;

class RuleEvaluator {
 public:
  explicit RuleEvaluator(DetectionSystem& system) : system_(system) {}

  // The match of one version; *found tells whether any registry, directory or service rule
  // was found.
  DetectionMatch EvaluateVersion(const CProduct& version, int vendorId, bool* found,
                                 const std::function<void()>& ruleDone = {});

  // Directory path macros (PROGRAM, COMMON, APPDATA, SYSTEM32; REG through the rule) expanded.
  // Nothing when a %REG% cannot be read.
  std::optional<std::u16string> ExpandMacros(const std::u16string& path, const Dir& dir);

 private:
  struct DirCounters {
    uint32_t evaluatedDirs = 0, foundDirs = 0, evaluatedFiles = 0, foundFiles = 0;
    int64_t newest = 0, oldest = 0;
  };
  bool EvaluateRegRule(const RegRule& rule, std::optional<std::u16string>* installDir);
  bool EvaluateDir(const Dir& dir, const std::u16string& parentPath,
                   const std::optional<std::u16string>& installDir, DirCounters& counters,
                   const std::function<void()>& ruleDone);
  bool EvaluateDirAt(const Dir& dir, const std::u16string& path, DirCounters& counters,
                     const std::function<void()>& ruleDone);
  std::vector<int> EvaluateCondition(const StatusCondition& condition);
  int EvaluateTime(const StatusCondition& condition, int64_t* time);
  std::optional<std::u16string> MacroValue(const std::u16string& name);
  std::optional<std::u16string> ReadIniCondition(const StatusCondition& condition, bool* dirRead);

  DetectionSystem& system_;
  // Macro values, read once and kept once read successfully.
  std::map<std::u16string, std::u16string> macros_;
  std::optional<std::u16string> program64_, program32_;
  bool programRead_ = false;
};

// The combination of a list of results by "or", "and", "xor", "nor", "nand", "xnor";
// 0 and 3 are skipped; 3 when nothing remains.
// A number in decimal digits.
std::u16string DecimalText(uint64_t number);

int CombineResults(std::u16string_view op, const std::vector<int>& results);

// "check" rules: whether the value matches the expected text, a "[i]" or "[i-j]" suffix of the
// property comparing only those characters; CheckValueName is the value name before it.
bool CheckValueMatches(const std::u16string& property, const std::u16string& value,
                       const std::u16string& expected);
std::u16string CheckValueName(const std::u16string& property);

// Entry `entry` of section `section` of INI text, each byte one character.
std::optional<std::u16string> ReadIniEntry(std::string_view text, const std::u16string& section,
                                           const std::u16string& entry);

// A time value of an UPDATE or INSTALL condition in its FORMAT, as seconds since 1970 UTC.
int64_t ParseTimeValue(const std::u16string& format, const std::u16string& value,
                       DetectionSystem& system);

// Keeps the single version of the vendor's candidates that the scores point to; false when
// none remains or the versions cannot be told apart.
bool DecideVendor(std::vector<DetectionMatch>& candidates);

struct VendorResult {
  int vendorId = 0;
  std::u16string company;
  std::vector<DetectionMatch> candidates;
};
// Removes a later vendor whose single candidate has the same code as an earlier one's.
void RemoveDuplicates(std::vector<VendorResult>& results);

}  // namespace qws
