#include "detect/registry_lookup.h"

namespace qws {

RootedKey SplitRootName(const std::u16string& key) {
  static const struct {
    std::u16string_view name;
    RegRoot root;
  } kRoots[] = {{u"HKEY_CLASSES_ROOT\\", RegRoot::ClassesRoot},
                {u"HKEY_CURRENT_USER\\", RegRoot::CurrentUser},
                {u"HKEY_LOCAL_MACHINE\\", RegRoot::LocalMachine},
                {u"HKEY_USERS\\", RegRoot::Users},
                {u"HKEY_CURRENT_CONFIG\\", RegRoot::CurrentConfig}};
  for (const auto& r : kRoots) {
    if (std::u16string_view(key).starts_with(r.name)) return {r.root, key.substr(r.name.size())};
  }
  return {RegRoot::None, key};
}

bool RuleKeyExists(DetectionSystem& system, RegRoot root, const std::u16string& key) {
  if (root == RegRoot::None) return false;
  return system.KeyExists(root, key, RegView::Bits64) || system.KeyExists(root, key, RegView::Bits32);
}

std::optional<std::u16string> ReadRuleValue(DetectionSystem& system, RegRoot root,
                                            const std::u16string& key, const std::u16string& name) {
  if (root == RegRoot::None) return std::nullopt;
  if (auto value = system.ReadValue(root, key, name, RegView::Bits64)) return value;
  return system.ReadValue(root, key, name, RegView::Bits32);
}

std::optional<std::u16string> ReadFirstSubkey(DetectionSystem& system, RegRoot root,
                                              const std::u16string& key) {
  if (root == RegRoot::None) return std::nullopt;
  if (auto name = system.FirstSubkey(root, key, RegView::Bits32)) return name;
  return system.FirstSubkey(root, key, RegView::Bits64);
}

std::optional<std::u16string> ReadFullKeyValue(DetectionSystem& system, const std::u16string& key,
                                               const std::u16string& name) {
  RootedKey rooted = SplitRootName(key);
  if (rooted.root == RegRoot::None) rooted.root = RegRoot::LocalMachine;
  if (auto value = system.ReadValue(rooted.root, rooted.path, name, RegView::Bits32)) return value;
  return system.ReadValue(rooted.root, rooted.path, name, RegView::Bits64);
}

}  // namespace qws
