#include "targets/target_list.h"

#include <algorithm>
#include <utility>

#include "app/text_token.h"
#include "targets/target_text_case.h"

namespace qws {

namespace {

// Items are compared on this many characters, as the selection dialog stores them.
constexpr size_t kItemCompareChars = 260;
// The smallest buffer the expansion starts with.
constexpr size_t kExpandInitialCapacity = 260;

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

// Every item between "|" separators, empty ones included, so that a rewritten list keeps its
// shape.
std::vector<std::u16string_view> AllItems(std::u16string_view list) {
  std::vector<std::u16string_view> items;
  size_t start = 0;
  while (true) {
    const size_t bar = list.find(u'|', start);
    items.push_back(list.substr(start, bar == std::u16string_view::npos ? bar : bar - start));
    if (bar == std::u16string_view::npos) break;
    start = bar + 1;
  }
  return items;
}

std::u16string Join(const std::vector<std::u16string>& items) {
  std::u16string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.push_back(u'|');
    out += items[i];
  }
  return out;
}

struct Definition {
  std::u16string_view name;
  std::u16string value;
};

// Replaces every occurrence of each name by its value, in definition order, within the
// capacity of a fixed buffer; false when a value had to be cut.
bool Substitute(std::u16string& text, size_t capacity, const std::vector<Definition>& definitions) {
  bool complete = true;
  for (const Definition& definition : definitions) {
    if (definition.name.empty()) continue;  // would match everywhere, for ever
    for (size_t at = text.find(definition.name); at != std::u16string::npos;
         at = text.find(definition.name)) {
      const long long room = static_cast<long long>(capacity) -
                             static_cast<long long>(text.size()) - 1 +
                             static_cast<long long>(definition.name.size());
      size_t keep = definition.value.size();
      if (room < static_cast<long long>(keep)) {
        keep = room > 0 ? static_cast<size_t>(room) : 0;
        complete = false;
      }
      text.replace(at, definition.name.size(), definition.value, 0, keep);
    }
  }
  return complete;
}

void AppendEntry(std::u16string& list, std::u16string_view entry) {
  if (!list.empty()) list.push_back(u'\n');
  list += entry;
}

}  // namespace

bool ExpandDriveTokens(std::u16string& text, size_t capacity, const TargetSystem& system) {
  std::u16string removable, removableBoot, fixed, fixedBoot, remote, all, allBoot;
  for (const DriveRoot& drive : system.Drives()) {
    const std::u16string boot = drive.root + kBootSuffix;
    switch (drive.kind) {
      case DriveKind::Removable:
      case DriveKind::CdRom:
        AppendEntry(removable, drive.root);
        AppendEntry(removableBoot, boot);
        break;
      case DriveKind::Fixed:
        AppendEntry(fixed, drive.root);
        AppendEntry(fixedBoot, boot);
        break;
      case DriveKind::Remote:
        AppendEntry(remote, drive.root);
        break;
      default:
        break;
    }
    AppendEntry(all, drive.root);
    if (drive.kind != DriveKind::Remote) AppendEntry(allBoot, boot);
  }

  // Only the tokens the text holds; "${DriveAll}" does not occur inside the longer tokens, so
  // each name matches only itself.
  std::vector<Definition> definitions;
  const std::pair<std::u16string_view, std::u16string*> classes[] = {
      {kDriveRemovableToken, &removable}, {kDriveRemovableBootToken, &removableBoot},
      {kDriveFixedToken, &fixed},         {kDriveFixedBootToken, &fixedBoot},
      {kDriveRemoteToken, &remote},       {kDriveAllToken, &all},
      {kDriveAllBootToken, &allBoot},
  };
  for (const auto& [token, value] : classes) {
    if (Contains(text, token)) definitions.push_back({token, std::move(*value)});
  }

  const bool complete = Substitute(text, capacity, definitions);
  std::replace(text.begin(), text.end(), u'\n', u'|');
  return complete;
}

std::u16string ExpandTargets(std::u16string_view list, const TargetSystem& system) {
  list = list.substr(0, list.find(u'\0'));
  size_t capacity = std::max(list.size() + 1, kExpandInitialCapacity);
  while (true) {
    std::u16string text(list);
    if (ExpandDriveTokens(text, capacity, system)) return text;
    capacity *= 2;
  }
}

namespace {

// Both directions of the compact form walk the items alike: a folder's trailing "\" is kept
// aside, and `rewrite` decides an item with a parent part from that part and the last parent.
template <typename Rewrite>
std::u16string RewriteItems(std::u16string_view list, Rewrite rewrite) {
  std::vector<std::u16string> out;
  std::u16string parent;
  for (std::u16string_view item : AllItems(list)) {
    const bool folder = !item.empty() && item.back() == u'\\';
    if (folder) item.remove_suffix(1);
    std::u16string rewritten(item);
    const size_t slash = item.rfind(u'\\');
    if (slash != std::u16string_view::npos)
      rewritten = rewrite(item.substr(0, slash), item.substr(slash), parent);
    if (folder) rewritten.push_back(u'\\');
    out.push_back(std::move(rewritten));
  }
  return Join(out);
}

}  // namespace

std::u16string CompactTargets(std::u16string_view list) {
  return RewriteItems(list, [](std::u16string_view itemParent, std::u16string_view name, std::u16string& parent) {
    if (!parent.empty() && EqualsIgnoringCase(parent, itemParent)) return u"~" + std::u16string(name);
    parent = itemParent;
    return std::u16string(itemParent) + std::u16string(name);
  });
}

std::u16string UncompactTargets(std::u16string_view list) {
  return RewriteItems(list, [](std::u16string_view itemParent, std::u16string_view name, std::u16string& parent) {
    if (itemParent == u"~") {
      // Before any parent is known, "~" has nothing to stand for and stays.
      return parent.empty() ? std::u16string(itemParent) + std::u16string(name) : parent + std::u16string(name);
    }
    parent = itemParent;
    return std::u16string(itemParent) + std::u16string(name);
  });
}

std::u16string TargetsForScan(std::u16string_view pageList, const TargetSystem& system) {
  return UncompactTargets(ExpandTargets(pageList, system));
}

bool TargetListContains(std::u16string_view list, std::u16string_view item) {
  item = item.substr(0, kItemCompareChars);
  for (std::u16string_view candidate : AllItems(list)) {
    if (EqualsIgnoringCase(candidate.substr(0, kItemCompareChars), item)) return true;
  }
  return false;
}

std::vector<std::u16string> SplitTargets(std::u16string_view list) {
  std::vector<std::u16string> items;
  for (std::u16string_view item : AllItems(list)) {
    if (!item.empty()) items.emplace_back(item);
  }
  return items;
}

bool IsSingleObjectTarget(std::u16string_view item, const TargetSystem& system) {
  if (Contains(item, kStartupToken) || Contains(item, kBootSuffix)) return true;
  if (item.starts_with(kMemoryToken)) return true;
  return system.IsExistingNonFolder(item);
}

std::u16string TargetDisplayName(std::u16string_view item, const TargetTexts& texts) {
  if (item == kMemoryToken) return texts.operatingMemory;
  if (item == kStartupToken) return texts.autostartLocations;
  if (item == kDriveFixedToken) return TextToken(texts.driveClasses, 1, u'|');
  const size_t boot = item.find(kBootSuffix);
  if (boot != std::u16string_view::npos && boot > 0) {
    return std::u16string(item.substr(0, boot)) + u"Boot sector";
  }
  return std::u16string(item);
}

bool MemoryRemovedAfterChange(std::u16string_view oldList, std::u16string_view newList,
                              bool removedBefore) {
  const auto holdsMemory = [](std::u16string_view list) {
    for (std::u16string_view item : AllItems(list)) {
      if (item == kMemoryToken) return true;
    }
    return false;
  };
  const bool before = holdsMemory(oldList);
  const bool after = holdsMemory(newList);
  if (before && !after) return true;
  if (!before && after) return false;
  return removedBefore;
}

std::u16string TargetsDisplayText(std::u16string_view list, bool showMemory, bool memoryRemoved,
                                  const TextWidth& width, const TargetTexts& texts) {
  const int baseWidth = width(texts.currentTargets);
  std::u16string names;
  for (const std::u16string& item : SplitTargets(UncompactTargets(list))) {
    if (item == kMemoryToken && (!showMemory || memoryRemoved)) continue;
    std::u16string name = TargetDisplayName(item, texts);
    const std::u16string joined = names.empty() ? std::u16string() : names + u", ";
    if (baseWidth + width(joined + name) > kTargetsDisplayMaxWidth) {
      while (!name.empty() && baseWidth + width(joined + name) > kTargetsDisplayMaxWidth) {
        name.pop_back();
      }
      // A name cut away entirely takes its separator with it: the line must still fit.
      names = (name.empty() ? names : joined + name) + u" ...";
      break;
    }
    names = joined + name;
  }

  std::u16string text = texts.currentTargets;
  const size_t slot = text.find(u"%s");
  if (slot != std::u16string::npos) text.replace(slot, 2, u" <I> " + names + u" </I>  ");
  return text;
}

}  // namespace qws
