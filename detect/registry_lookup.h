// The registry reads of the rules, in the order of views each kind of read takes.
#pragma once

#include <optional>
#include <string>

#include "detect/detection_system.h"

namespace qws {

struct RootedKey {
  RegRoot root = RegRoot::None;  // None: the key text named no root
  std::u16string path;
};
// Takes a leading "HKEY_...\" root name (matched exactly) off the key text.
RootedKey SplitRootName(const std::u16string& key);

// Registry rules: the 64-bit view, then the 32-bit view.
bool RuleKeyExists(DetectionSystem& system, RegRoot root, const std::u16string& key);
std::optional<std::u16string> ReadRuleValue(DetectionSystem& system, RegRoot root,
                                            const std::u16string& key, const std::u16string& name);
// Subkey at index 0: the 32-bit view, then the 64-bit view.
std::optional<std::u16string> ReadFirstSubkey(DetectionSystem& system, RegRoot root,
                                              const std::u16string& key);
// A full key path (a root name, or under HKEY_LOCAL_MACHINE): the 32-bit view, then the 64-bit.
std::optional<std::u16string> ReadFullKeyValue(DetectionSystem& system, const std::u16string& key,
                                               const std::u16string& name);

}  // namespace qws
