#include "detect/rule_evaluation.h"

#include <algorithm>

#include "detect/registry_lookup.h"

namespace qws {

namespace {

constexpr char16_t kCurrentVersionKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
// Bytes read from a file for one condition, at most.
constexpr uint32_t kMaxConditionFileBytes = 1u << 20;

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

std::u16string WithBackslash(std::u16string path) {
  if (path.empty() || path.back() != u'\\') path.push_back(u'\\');
  return path;
}

std::optional<uint64_t> StrictDecimal(std::u16string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  uint64_t number = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    number = number * 10 + (c - u'0');
  }
  return number;
}


// One '*' in a name: matches names that begin with the text before it and end with the text
// after it.
bool StarMatches(std::u16string_view pattern, std::u16string_view name, bool ignoreCase) {
  const size_t star = pattern.find(u'*');
  const std::u16string_view before = pattern.substr(0, star);
  const std::u16string_view after = pattern.substr(star + 1);
  if (name.size() < before.size() + after.size()) return false;
  const std::u16string_view head = name.substr(0, before.size());
  const std::u16string_view tail = name.substr(name.size() - after.size());
  if (ignoreCase) return EqualsIgnoringCase(head, before) && EqualsIgnoringCase(tail, after);
  return head == before && tail == after;
}

void SetField(uint32_t& word, int bit, int value) {
  word = (word & ~(3u << bit)) | (static_cast<uint32_t>(value & 3) << bit);
}

std::vector<std::u16string> SplitAt(const std::u16string& text, char16_t separator) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::u16string::npos) return parts;
    start = end + 1;
  }
}

// Whether the bytes read equal the expected characters over the shorter of the two lengths.
bool PrefixEquals(const std::string& bytes, const std::u16string& expected) {
  const size_t n = std::min(bytes.size(), expected.size());
  for (size_t i = 0; i < n; ++i) {
    if (static_cast<unsigned char>(bytes[i]) != expected[i]) return false;
  }
  return true;
}

bool MaskedEquals(const std::string& bytes, const std::u16string& mask,
                  const std::u16string& expected) {
  const size_t n = std::min(bytes.size(), expected.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned m = i < mask.size() ? (mask[i] & 0xFF) : 0xFF;
    if ((static_cast<unsigned char>(bytes[i]) & m) != expected[i]) return false;
  }
  return true;
}

// Compares a read text with ON and OFF: 1, 2 or 0.
int OnOffResult(const StatusCondition& c, const std::u16string& value) {
  if (c.on == u"*" || value == c.on) return kResultOn;
  if (c.off == u"*" || value == c.off) return kResultOff;
  return kResultUndetermined;
}

}  // namespace

std::u16string DecimalText(uint64_t number) {
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(u'0' + number % 10));
    number /= 10;
  } while (number);
  return text;
}

int CombineResults(std::u16string_view op, const std::vector<int>& results) {
  int accumulator = -1;
  for (int r : results) {
    if (r != kResultOn && r != kResultOff) continue;
    if (accumulator < 0) {
      accumulator = r;
      continue;
    }
    const bool a = accumulator == kResultOn, b = r == kResultOn;
    if (op == u"or") {
      accumulator = a || b ? kResultOn : kResultOff;
    } else if (op == u"and") {
      accumulator = a && b ? kResultOn : kResultOff;
    } else if (op == u"xor") {
      accumulator = a != b ? kResultOn : kResultOff;
    } else if (op == u"nor") {
      accumulator = a || b ? kResultOff : kResultOn;
    } else if (op == u"nand") {
      accumulator = a && b ? kResultOff : kResultOn;
    } else if (op == u"xnor") {
      accumulator = a == b ? kResultOn : kResultOff;
    }
  }
  return accumulator < 0 ? kResultNotEvaluated : accumulator;
}

std::u16string CheckValueName(const std::u16string& property) {
  return property.substr(0, property.find(u'['));
}

bool CheckValueMatches(const std::u16string& property, const std::u16string& value,
                       const std::u16string& expected) {
  const size_t open = property.find(u'[');
  if (open == std::u16string::npos) return value == expected;
  const size_t close = property.find(u']', open);
  if (close == std::u16string::npos) return false;
  const std::u16string inside = property.substr(open + 1, close - open - 1);
  const size_t dash = inside.find(u'-');
  const auto first = StrictDecimal(inside.substr(0, dash));
  const auto last = dash == std::u16string::npos ? first : StrictDecimal(inside.substr(dash + 1));
  if (!first || !last || *last < *first || *first >= value.size()) return false;
  return value.substr(*first, *last - *first + 1) == expected;
}

std::optional<std::u16string> ReadIniEntry(std::string_view text, const std::u16string& section,
                                           const std::u16string& entry) {
  bool inSection = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    // The last line counts even without its line feed.
    if (end == std::string_view::npos) end = text.size();
    if (end - pos > 1023) return std::nullopt;
    std::u16string line;
    for (size_t i = pos; i < end; ++i) line.push_back(static_cast<unsigned char>(text[i]));
    pos = end + 1;
    if (!inSection) {
      const size_t close = line.find(u']');
      if (!line.empty() && line[0] == u'[' && close != std::u16string::npos) {
        inSection = line.substr(1, close - 1) == section;
      }
      continue;
    }
    if (!line.empty() && line[0] == u'[') return std::nullopt;
    const size_t equals = line.find(u'=', 1);
    if (line.empty() || equals == std::u16string::npos) continue;
    std::u16string name = line.substr(0, equals);
    while (!name.empty() && IsSpace(name.back())) name.pop_back();
    if (name != entry) continue;
    std::u16string value = line.substr(equals + 1);
    while (!value.empty() && IsSpace(value.back())) value.pop_back();
    size_t lead = 0;
    while (lead < value.size() && IsSpace(value[lead])) ++lead;
    return value.substr(lead);
  }
  return std::nullopt;
}

int64_t ParseTimeValue(const std::u16string& format, const std::u16string& value,
                       DetectionSystem& system) {
  if (format == u"time_t") {
    const auto seconds = StrictDecimal(value);
    return seconds && *seconds <= INT64_MAX ? static_cast<int64_t>(*seconds) : 0;
  }
  std::vector<int> numbers;
  if (format == u"yyyymmdd") {
    if (value.size() < 8) return 0;
    for (auto [at, length] : {std::pair{0, 4}, {4, 2}, {6, 2}}) {
      const auto n = StrictDecimal(std::u16string_view(value).substr(at, length));
      if (!n) return 0;
      numbers.push_back(static_cast<int>(*n));
    }
  } else {
    size_t wanted;
    if (format == u"yyyy-mm-dd") {
      wanted = 3;
    } else if (format == u"yyyy-mm-dd HH:MM:SS" || format == u"dd-mm-yyyy HH:MM:SS") {
      wanted = 6;
    } else {
      return 0;  // "8bytes", "16bytes" and any other form
    }
    for (size_t i = 0; i < value.size() && numbers.size() < wanted;) {
      if (value[i] < u'0' || value[i] > u'9') {
        ++i;
        continue;
      }
      int64_t n = 0;
      for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
        n = std::min<int64_t>(n * 10 + (value[i] - u'0'), 1000000);
      }
      numbers.push_back(static_cast<int>(n));
    }
    if (numbers.size() < wanted) return 0;
    if (format[0] == u'd') std::swap(numbers[0], numbers[2]);  // day first
  }
  numbers.resize(6, 0);
  const auto time = system.LocalTimeToUtc(numbers[0], numbers[1], numbers[2], numbers[3],
                                          numbers[4], numbers[5]);
  return time.value_or(0);
}

std::optional<std::u16string> RuleEvaluator::MacroValue(const std::u16string& name) {
  if (auto cached = macros_.find(name); cached != macros_.end()) return cached->second;
  std::optional<std::u16string> value;
  auto both = [&](const char16_t* key, const char16_t* valueName) {
    if (auto v = system_.ReadValue(RegRoot::LocalMachine, key, valueName, RegView::Bits64)) return v;
    return system_.ReadValue(RegRoot::LocalMachine, key, valueName, RegView::Bits32);
  };
  if (name == u"COMMON") {
    value = both(kCurrentVersionKey, u"CommonFilesDir");
  } else if (name == u"APPDATA") {
    value = both(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                 u"Common AppData");
  } else if (name == u"SYSTEM32") {
    value = system_.ReadValue(RegRoot::LocalMachine,
                              u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer",
                              u"InstallerLocation", RegView::Bits32);
  }
  if (value) macros_[name] = *value;
  return value;
}

std::optional<std::u16string> RuleEvaluator::ExpandMacros(const std::u16string& path,
                                                          const Dir& dir) {
  std::u16string result;
  size_t pos = 0;
  bool programMacro = false;
  size_t programAt = 0;
  for (;;) {
    const size_t open = path.find(u'%', pos);
    const size_t close = open == std::u16string::npos ? open : path.find(u'%', open + 1);
    if (close == std::u16string::npos) {
      // An unpaired percent sign stays as written.
      result += path.substr(pos);
      break;
    }
    result += path.substr(pos, open - pos);
    const std::u16string name = path.substr(open + 1, close - open - 1);
    pos = close + 1;
    if (name == u"PROGRAM") {
      programMacro = true;
      programAt = result.size();
    } else if (name == u"REG") {
      const auto value = ReadFullKeyValue(system_, dir.key, dir.property);
      if (!value) return std::nullopt;
      result += *value;
    } else if (const auto value = MacroValue(name)) {
      result += *value;
    } else {
      // An unknown macro, or one without a value, stays as written: the path then exists nowhere.
      result += path.substr(open, close - open + 1);
    }
  }
  if (!programMacro) return result;

  if (!programRead_) {
    program64_ = system_.ReadValue(RegRoot::LocalMachine, kCurrentVersionKey, u"ProgramFilesDir",
                                   RegView::Bits64);
    program32_ = system_.ReadValue(RegRoot::LocalMachine, kCurrentVersionKey, u"ProgramFilesDir",
                                   RegView::Bits32);
    programRead_ = program64_ || program32_;
  }
  const auto with = [&](const std::u16string& program) {
    std::u16string candidate = result;
    candidate.insert(programAt, program);
    return candidate;
  };
  // The folder up to the first wildcard is what must exist.
  const auto exists = [&](const std::u16string& candidate) {
    const size_t star = candidate.find(u'*');
    const std::u16string folder =
        star == std::u16string::npos ? candidate : candidate.substr(0, candidate.rfind(u'\\', star) + 1);
    return system_.DirectoryTime(folder).has_value();
  };
  if (system_.OsCode() < 12) {
    if (program32_) return with(*program32_);
    return result;
  }
  if (program64_ && exists(with(*program64_))) return with(*program64_);
  if (program32_ && exists(with(*program32_))) return with(*program32_);
  return result;
}

bool RuleEvaluator::EvaluateRegRule(const RegRule& rule,
                                    std::optional<std::u16string>* installDir) {
  const RootedKey rooted = SplitRootName(rule.key);
  RegRoot root = rooted.root;
  const std::u16string& type = rule.type;
  const bool machineDefault = type == u"local" || type == u"base" || type == u"version" ||
                              type == u"embedded" || type == u"check" || type == u"uninstall";
  if (type == u"service") {
    root = RegRoot::LocalMachine;
  } else if (root == RegRoot::None) {
    root = type == u"app" ? RegRoot::CurrentUser
           : machineDefault ? RegRoot::LocalMachine
                            : RegRoot::None;
  }
  const std::u16string& key = rooted.path;
  if (type == u"base") {
    const auto value = ReadRuleValue(system_, root, key, rule.property);
    if (value && !*installDir) *installDir = *value;
    return value.has_value();
  }
  if (type == u"version" || type == u"embedded") {
    if (!rule.hasProperty && rule.nextKey) return ReadFirstSubkey(system_, root, key).has_value();
    return ReadRuleValue(system_, root, key, rule.property).has_value();
  }
  if (type == u"check") {
    const auto value = ReadRuleValue(system_, root, key, CheckValueName(rule.property));
    return value && CheckValueMatches(rule.property, *value, rule.value);
  }
  if (type == u"uninstall") {
    // A GUID rule names the product's uninstall entry: it counts when the entry is there.
    if (EqualsIgnoringCase(rule.name, u"GUID")) {
      return !rule.value.empty() && RuleKeyExists(system_, root, key);
    }
    return ReadRuleValue(system_, root, key, rule.property).has_value();
  }
  return RuleKeyExists(system_, root, key);
}

bool RuleEvaluator::EvaluateDirAt(const Dir& dir, const std::u16string& path,
                                  DirCounters& counters, const std::function<void()>& ruleDone) {
  // A '*' in the path: each existing directory that matches is evaluated on its own.
  if (const size_t star = path.find(u'*'); star != std::u16string::npos) {
    const size_t slash = path.rfind(u'\\', star);
    const std::u16string folder = slash == std::u16string::npos ? u"" : path.substr(0, slash + 1);
    const size_t componentEnd = path.find(u'\\', star);
    const std::u16string pattern = path.substr(folder.size(), componentEnd - folder.size());
    const std::u16string rest = componentEnd == std::u16string::npos ? u"" : path.substr(componentEnd);
    bool any = false, matched = false;
    if (!folder.empty()) {
      for (const std::u16string& name : system_.ListNames(folder, true)) {
        if (name == u"." || name == u".." || !StarMatches(pattern, name, true)) continue;
        matched = true;
        any = EvaluateDirAt(dir, folder + name + rest, counters, ruleDone) || any;
      }
    }
    if (!matched) ++counters.evaluatedDirs;
    return any;
  }

  ++counters.evaluatedDirs;
  const std::u16string folder = WithBackslash(path);
  const auto time = system_.DirectoryTime(folder);
  if (!time) return false;
  ++counters.foundDirs;
  auto note = [&](int64_t t, bool lastTime) {
    if (counters.oldest == 0 || t < counters.oldest) counters.oldest = t;
    if (lastTime && t > counters.newest) counters.newest = t;
  };
  note(*time, dir.lastTime);

  std::vector<std::u16string> listing;
  bool listed = false;
  for (const File& file : dir.files) {
    if (file.name.find(u'*') == std::u16string::npos) {
      ++counters.evaluatedFiles;
      if (const auto t = system_.FileTime(folder + file.name)) {
        ++counters.foundFiles;
        note(*t, file.lastTime);
      }
    } else {
      if (!listed) {
        listing = system_.ListNames(folder, false);
        listed = true;
      }
      bool matched = false;
      for (const std::u16string& name : listing) {
        if (!StarMatches(file.name, name, false)) continue;
        matched = true;
        ++counters.evaluatedFiles;
        if (const auto t = system_.FileTime(folder + name)) {
          ++counters.foundFiles;
          note(*t, file.lastTime);
        }
      }
      if (!matched) ++counters.evaluatedFiles;
    }
    if (ruleDone) ruleDone();
  }
  for (const Dir& sub : dir.dirs) EvaluateDir(sub, folder, std::nullopt, counters, ruleDone);
  return true;
}

bool RuleEvaluator::EvaluateDir(const Dir& dir, const std::u16string& parentPath,
                                const std::optional<std::u16string>& installDir,
                                DirCounters& counters, const std::function<void()>& ruleDone) {
  std::optional<std::u16string> path;
  if (dir.base && installDir) {
    path = WithBackslash(*installDir);
  } else if (auto expanded = ExpandMacros(dir.path, dir)) {
    path = parentPath + *expanded;
  }
  bool found = false;
  if (path) {
    found = EvaluateDirAt(dir, *path, counters, ruleDone);
  } else {
    ++counters.evaluatedDirs;  // a %REG% that cannot be read
  }
  if (ruleDone) ruleDone();
  return found;
}

std::optional<std::u16string> RuleEvaluator::ReadIniCondition(const StatusCondition& c,
                                                              bool* dirRead) {
  const auto folder = ReadFullKeyValue(system_, c.key, c.property);
  *dirRead = folder.has_value();
  if (!folder) return std::nullopt;
  const auto text = system_.ReadFileHead(WithBackslash(*folder) + c.path, kMaxConditionFileBytes);
  if (!text) return std::nullopt;
  return ReadIniEntry(*text, c.section, c.entry);
}

std::vector<int> RuleEvaluator::EvaluateCondition(const StatusCondition& c) {
  if (c.type == u"reg") {
    std::vector<int> results;
    for (const std::u16string& name : SplitAt(c.property, u'|')) {
      const auto value = ReadFullKeyValue(system_, c.key, name);
      if (value) {
        results.push_back(OnOffResult(c, *value));
      } else if (c.on == u"*") {
        results.push_back(kResultOff);
      } else {
        results.push_back(c.defaultValue == StatusCondition::Default::True    ? kResultOn
                          : c.defaultValue == StatusCondition::Default::False ? kResultOff
                                                                              : kResultUndetermined);
      }
    }
    return results;
  }
  if (c.type == u"service") {
    const auto status = system_.QueryService(c.name);
    std::optional<std::u16string> value;
    if (status) {
      const struct {
        const char16_t* name;
        uint32_t field;
      } kFields[] = {{u"ServiceType", status->serviceType},
                     {u"CurrentState", status->currentState},
                     {u"ControlsAccepted", status->controlsAccepted},
                     {u"Win32ExitCode", status->win32ExitCode},
                     {u"ServiceSpecificExitCode", status->serviceSpecificExitCode},
                     {u"CheckPoint", status->checkPoint},
                     {u"WaitHint", status->waitHint}};
      if (c.property == u"Exist") value = u"true";
      for (const auto& f : kFields) {
        if (c.property == f.name) value = DecimalText(f.field);
      }
    }
    if (!value) return {c.on == u"*" ? kResultOff : kResultUndetermined};
    if (!c.hasAndMask) return {OnOffResult(c, *value)};
    const auto number = StrictDecimal(*value), mask = StrictDecimal(c.andMask);
    const auto on = StrictDecimal(c.on), off = StrictDecimal(c.off);
    if (!number || !mask) return {kResultUndetermined};
    const uint64_t masked = *number & *mask;
    if (on && masked == *on) return {kResultOn};
    if (off && masked == *off) return {kResultOff};
    return {kResultUndetermined};
  }
  if (c.type == u"process") {
    switch (system_.FindProcess(c.name)) {
      case ProcessState::NotRunning: return {kResultUndetermined};
      case ProcessState::Accessible: return {kResultOn};
      case ProcessState::Inaccessible: return {kResultOff};
    }
    return {kResultUndetermined};
  }
  if (c.type == u"path_reg+file") {
    const auto folder = ReadFullKeyValue(system_, c.key, c.property);
    if (!folder) return {kResultUndetermined};
    const auto bytes = c.size > kMaxConditionFileBytes
                           ? std::nullopt
                           : system_.ReadFileRange(WithBackslash(*folder) + c.path, c.offset, c.size);
    if (!bytes) return {c.on == u"*" ? kResultOff : kResultUndetermined};
    if (c.hasAndMask) {
      if (MaskedEquals(*bytes, c.andMask, c.onBytes)) return {kResultOn};
      if (MaskedEquals(*bytes, c.andMask, c.offBytes)) return {kResultOff};
      return {kResultUndetermined};
    }
    if (c.on == u"*" || PrefixEquals(*bytes, c.onBytes)) return {kResultOn};
    if (c.off == u"*" || PrefixEquals(*bytes, c.offBytes)) return {kResultOff};
    return {kResultUndetermined};
  }
  if (c.type == u"path_reg+ini") {
    bool dirRead = false;
    const auto value = ReadIniCondition(c, &dirRead);
    if (!dirRead) return {kResultUndetermined};
    if (!value) return {c.on == u"*" ? kResultOff : kResultUndetermined};
    return {OnOffResult(c, *value)};
  }
  if (c.type == u"path_reg+xml") {
    if (!ReadFullKeyValue(system_, c.key, c.property)) return {kResultUndetermined};
    return {c.on == u"*" ? kResultOff : kResultUndetermined};
  }
  // "call", "path_reg+log", "file" and unknown types are not evaluated.
  return {kResultNotEvaluated};
}

int RuleEvaluator::EvaluateTime(const StatusCondition& c, int64_t* time) {
  std::optional<std::u16string> value;
  if (c.type == u"reg") {
    value = ReadFullKeyValue(system_, c.key, c.property);
  } else if (c.type == u"path_reg+ini") {
    bool dirRead = false;
    value = ReadIniCondition(c, &dirRead);
  } else {
    return kResultNotEvaluated;
  }
  if (!value) return kResultUndetermined;
  if (!c.off.empty() && *value == c.off) return kResultOff;
  *time = ParseTimeValue(c.format, *value, system_);
  return kResultOn;
}

DetectionMatch RuleEvaluator::EvaluateVersion(const CProduct& version, int vendorId, bool* found,
                                              const std::function<void()>& ruleDone) {
  DetectionMatch match;
  match.code = static_cast<uint16_t>(vendorId * 256 + version.versionId);
  match.product = version.product;
  match.versionName = version.versionName;
  match.description = version.description;
  match.version = &version;

  uint32_t regsFound = 0;
  std::optional<std::u16string> installDir;
  for (const RegRule& rule : version.regs) {
    if (EvaluateRegRule(rule, &installDir)) ++regsFound;
    if (ruleDone) ruleDone();
  }
  for (const RegRule& rule : version.regs) {
    if (rule.type != u"service") continue;
    const std::u16string name = rule.key.substr(rule.key.rfind(u'\\') + 1);
    const auto status = system_.QueryService(name);
    // Start pending, running, continue pending, pause pending and paused count as running.
    const uint32_t state = status ? status->currentState : 0;
    const bool running = state == 2 || (state >= 4 && state <= 7);
    SetField(match.status, 0, running ? kResultOn : kResultOff);
    break;
  }

  DirCounters counters;
  bool dirFound = false;
  for (const Dir& dir : version.dirs) {
    dirFound = EvaluateDir(dir, u"", installDir, counters, ruleDone) || dirFound;
  }

  uint32_t servicesFound = 0;
  for (const ServiceRule& service : version.services) {
    if (system_.QueryService(service.name)) ++servicesFound;
    if (ruleDone) ruleDone();
  }

  *found = regsFound > 0 || dirFound || servicesFound > 0;
  if (!*found) return match;

  const StatusBlock& status = version.status;
  std::vector<std::vector<int>> results(status.conditions.size());
  std::vector<bool> evaluated(status.conditions.size(), false);
  auto resultsOf = [&](size_t index) -> const std::vector<int>& {
    if (!evaluated[index]) {
      results[index] = EvaluateCondition(status.conditions[index]);
      evaluated[index] = true;
      if (ruleDone) ruleDone();
    }
    return results[index];
  };
  auto combined = [&](const std::vector<size_t>& list) {
    std::vector<int> all;
    for (size_t index : list) {
      const auto& r = resultsOf(index);
      all.insert(all.end(), r.begin(), r.end());
    }
    return all;
  };
  SetField(match.status, 6, CombineResults(status.currentOperator, combined(status.current)));
  SetField(match.status, 8, CombineResults(status.restartOperator, combined(status.restart)));
  if (status.update) {
    SetField(match.status, 10, EvaluateTime(status.conditions[*status.update], &match.updateTime));
  }
  if (status.install) {
    SetField(match.status, 12,
             EvaluateTime(status.conditions[*status.install], &match.installTime));
  }
  if (vendorId == kOwnVendorId) {
    if (status.ownStatus) {
      const auto& r = resultsOf(*status.ownStatus);
      for (size_t i = 0; i < r.size() && i < 5; ++i) SetField(match.status, 14 + 2 * static_cast<int>(i), r[i]);
    }
    int edition = kResultNotEvaluated;
    if (status.ownEdition) {
      const auto& r = resultsOf(*status.ownEdition);
      edition = std::find(r.begin(), r.end(), kResultOn) != r.end() ? kResultOn : kResultOff;
    }
    SetField(match.status, 24, edition);
  }

  const auto score = [](uint32_t hits, uint32_t total) {
    return total == 0 ? 0u : static_cast<uint32_t>(uint64_t{hits} * 10000 / total);
  };
  match.registryCount = static_cast<uint32_t>(version.regs.size());
  match.registryScore = score(regsFound, match.registryCount);
  match.fileCount = counters.evaluatedFiles + counters.evaluatedDirs;
  match.fileScore = counters.evaluatedFiles == 0
                        ? 0
                        : score(counters.foundFiles + counters.foundDirs, match.fileCount);
  match.serviceCount = static_cast<uint32_t>(version.services.size());
  match.serviceScore = score(servicesFound, match.serviceCount);
  match.newestFileTime = counters.newest;
  match.oldestFileTime = counters.oldest;
  return match;
}

bool DecideVendor(std::vector<DetectionMatch>& candidates) {
  const auto keepHighest = [&](auto field) {
    if (candidates.empty()) return;
    uint32_t best = 0;
    for (const auto& c : candidates) best = std::max(best, field(c));
    std::erase_if(candidates, [&](const DetectionMatch& c) { return field(c) != best; });
  };
  keepHighest([](const DetectionMatch& c) { return c.registryScore; });
  keepHighest([](const DetectionMatch& c) { return c.fileScore; });
  keepHighest([](const DetectionMatch& c) { return c.serviceScore; });
  std::erase_if(candidates, [](const DetectionMatch& c) {
    return c.registryScore < 3400 || c.fileScore < 3400 || c.serviceScore < 3400;
  });
  if (candidates.size() > 1) {
    keepHighest([](const DetectionMatch& c) { return c.registryCount; });
    keepHighest([](const DetectionMatch& c) { return c.fileCount; });
    keepHighest([](const DetectionMatch& c) { return c.serviceCount; });
  }
  return candidates.size() == 1;
}

void RemoveDuplicates(std::vector<VendorResult>& results) {
  for (size_t i = 0; i < results.size(); ++i) {
    if (results[i].candidates.size() != 1) continue;
    for (size_t j = i + 1; j < results.size();) {
      if (results[j].candidates.size() == 1 &&
          results[j].candidates[0].code == results[i].candidates[0].code) {
        results.erase(results.begin() + static_cast<ptrdiff_t>(j));
      } else {
        ++j;
      }
    }
  }
}

}  // namespace qws
