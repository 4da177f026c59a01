#include "targets/target_tree.h"

#include <algorithm>
#include <utility>

#include "targets/target_text_case.h"

namespace qws {

namespace {

constexpr char16_t kPlaceholderText[] = u".";

std::u16string_view WithoutOneTrailingSlash(std::u16string_view item) {
  if (!item.empty() && item.back() == u'\\') item.remove_suffix(1);
  return item;
}

std::u16string WithTrailingSlash(std::u16string path) {
  if (!path.empty() && path.back() != u'\\') path.push_back(u'\\');
  return path;
}

bool IsNetworkContainerKind(TargetNodeKind kind) {
  return kind == TargetNodeKind::NetworkRootNode || kind == TargetNodeKind::NetworkNode ||
         kind == TargetNodeKind::DomainNode;
}

}  // namespace

std::optional<int> DriveClass(DriveKind kind) {
  switch (kind) {
    case DriveKind::Removable:
    case DriveKind::CdRom:
      return 0;
    case DriveKind::Fixed:
      return 1;
    case DriveKind::Remote:
      return 2;
    default:
      return std::nullopt;
  }
}

unsigned DriveClassBit(DriveKind kind) {
  const std::optional<int> driveClass = DriveClass(kind);
  return driveClass ? 1u << *driveClass : 0u;
}

int PresetEntryForMask(unsigned mask) {
  switch (mask) {
    case 1:
      return 0;
    case 2:
      return 1;
    case 4:
      return 2;
    default:
      return kNoPresetEntry;
  }
}

ScreenRect PlaceTargetDialog(const ScreenRect& workArea, int width, int height) {
  // A dialog taller than the work area keeps its title bar on screen.
  const long long freeHeight = std::max(0, (workArea.bottom - workArea.top) - height);
  ScreenRect place;
  place.left = workArea.left + ((workArea.right - workArea.left) - width) / 2;
  place.top = workArea.top + static_cast<int>(freeHeight * 45 / 100);
  place.right = place.left + width;
  place.bottom = place.top + height;
  return place;
}

std::u16string NodeKey(TargetNodeKind kind, std::u16string_view text) {
  switch (kind) {
    case TargetNodeKind::MemoryNode:
      return kMemoryToken;
    case TargetNodeKind::AutostartNode:
      return kStartupToken;
    case TargetNodeKind::DriveNode:
      return std::u16string(text.substr(0, 2));
    default:
      return std::u16string(text);
  }
}

TargetTree::TargetTree(TargetTreeStore& store, TargetTreeSystem& system, bool antiStealth,
                       QueueRequest queueRequest)
    : store_(store), system_(system), antiStealth_(antiStealth),
      queueRequest_(std::move(queueRequest)) {}

bool TargetTree::IsPlaceholder(NodeId node) const {
  return node != 0 && store_.Check(node) == CheckState::None &&
         store_.Text(node) == kPlaceholderText &&
         (store_.Kind(node) == TargetNodeKind::FolderNode ||
          store_.Kind(node) == TargetNodeKind::NetworkPlaceholderNode);
}

void TargetTree::AddPlaceholder(NodeId node, TargetNodeKind kind) {
  store_.Insert(node, kPlaceholderText, 0, kind, CheckState::None);
}

void TargetTree::Build(const TargetTreeLayout& layout) {
  networkIcon_ = layout.networkIcon;
  domainIcon_ = layout.domainIcon;
  computer_ = kTopLevel;
  if (layout.computerName) {
    computer_ = store_.Insert(kTopLevel, *layout.computerName, layout.computerIcon,
                              TargetNodeKind::ComputerNode, CheckState::Unchecked);
  }
  if (antiStealth_) {
    store_.Insert(computer_, layout.memoryText, layout.memoryIcon, TargetNodeKind::MemoryNode,
                  CheckState::Unchecked);
  }
  store_.Insert(computer_, layout.autostartText, layout.autostartIcon,
                TargetNodeKind::AutostartNode, CheckState::Unchecked);
  for (const DriveRoot& drive : system_.Drives()) {
    const NodeId node = store_.Insert(computer_, drive.root, system_.PathIcon(drive.root),
                                      TargetNodeKind::DriveNode, CheckState::Unchecked);
    if (node) AddPlaceholder(node, TargetNodeKind::FolderNode);
  }
  if (computer_ != kTopLevel) {
    store_.Select(computer_);
    store_.Expand(computer_);
  }
  if (layout.networkName) {
    networkRoot_ = store_.Insert(kTopLevel, *layout.networkName, layout.networkRootIcon,
                                 TargetNodeKind::NetworkRootNode, CheckState::None);
    if (networkRoot_) {
      AddPlaceholder(networkRoot_, TargetNodeKind::NetworkPlaceholderNode);
      PopulateNode(networkRoot_, false);
    }
  }
}

void TargetTree::SetInitialList(std::u16string_view list) {
  // The expansion is never cut, so that no item of the opener's list is lost.
  initial_ = SplitTargets(ExpandTargets(UncompactTargets(list), system_));
}

void TargetTree::CheckFound(NodeId node) {
  UpdateAncestorChecks(node, node, CheckState::Checked);
  SetSubtreeCheck(node, CheckState::Checked);
  SetNodeCheck(node, CheckState::Checked);
}

void TargetTree::ApplyInitialSelection() {
  SetSubtreeCheck(kTopLevel, CheckState::Unchecked);
  selected_ = initial_;
  unresolved_.clear();
  for (const std::u16string& item : initial_) {
    const NodeId node = FindOrCreateNode(WithoutOneTrailingSlash(item), true);
    if (node) {
      CheckFound(node);
    } else {
      const auto at = std::find(selected_.begin(), selected_.end(), item);
      if (at != selected_.end()) selected_.erase(at);
      unresolved_.push_back(item);
    }
  }
}

std::u16string TargetTree::ItemPath(NodeId node) const {
  std::u16string path;
  for (NodeId n = node; n != kTopLevel; n = store_.Parent(n)) {
    const TargetNodeKind kind = store_.Kind(n);
    if (kind != TargetNodeKind::DriveNode && kind != TargetNodeKind::FolderNode &&
        kind != TargetNodeKind::FileNode && kind != TargetNodeKind::ServerNode &&
        kind != TargetNodeKind::ShareNode) {
      continue;
    }
    std::u16string part = store_.Text(n);
    if (kind == TargetNodeKind::ServerNode) part = u"\\\\" + part;
    if (!path.empty() && (part.empty() || part.back() != u'\\')) part.push_back(u'\\');
    path = part + path;
    if (kind == TargetNodeKind::DriveNode || kind == TargetNodeKind::ServerNode) break;
  }
  return path;
}

void TargetTree::SetNodeCheck(NodeId node, CheckState state) {
  if (node == kTopLevel || store_.Check(node) == CheckState::None) return;
  store_.SetCheck(node, state);
}

void TargetTree::SetSubtreeCheck(NodeId node, CheckState state) {
  for (NodeId child = store_.FirstChild(node); child; child = store_.NextSibling(child)) {
    SetNodeCheck(child, state);
    SetSubtreeCheck(child, state);
  }
}

CheckState TargetTree::EffectiveState(NodeId node, NodeId overrideNode,
                                      CheckState overrideState) const {
  return node == overrideNode ? overrideState : store_.Check(node);
}

void TargetTree::UpdateAncestorChecks(NodeId node, NodeId overrideNode, CheckState overrideState) {
  for (NodeId ancestor = store_.Parent(node); ancestor != kTopLevel;
       ancestor = store_.Parent(ancestor)) {
    if (store_.Check(ancestor) == CheckState::None) break;
    bool anyChecked = false, anyUnchecked = false, anyMixed = false;
    for (NodeId child = store_.FirstChild(ancestor); child; child = store_.NextSibling(child)) {
      switch (EffectiveState(child, overrideNode, overrideState)) {
        case CheckState::Checked:
          anyChecked = true;
          break;
        case CheckState::Unchecked:
          anyUnchecked = true;
          break;
        case CheckState::Mixed:
          anyMixed = true;
          break;
        case CheckState::None:
          break;
      }
    }
    if (!anyChecked && !anyUnchecked && !anyMixed) continue;
    const CheckState combined = anyMixed || (anyChecked && anyUnchecked) ? CheckState::Mixed
                                : anyChecked                              ? CheckState::Checked
                                                                          : CheckState::Unchecked;
    SetNodeCheck(ancestor, combined);
  }
}

void TargetTree::CollectTargets(NodeId node, NodeId overrideNode, CheckState overrideState) {
  for (NodeId child = store_.FirstChild(node); child; child = store_.NextSibling(child)) {
    const TargetNodeKind kind = store_.Kind(child);
    if (IsNetworkContainerKind(kind) || kind == TargetNodeKind::ServerNode) {
      CollectTargets(child, overrideNode, overrideState);
      continue;
    }
    const bool checked = EffectiveState(child, overrideNode, overrideState) == CheckState::Checked;
    if (!checked) {
      CollectTargets(child, overrideNode, overrideState);
      continue;
    }
    switch (kind) {
      case TargetNodeKind::ComputerNode:
        CollectTargets(child, overrideNode, overrideState);
        break;
      case TargetNodeKind::MemoryNode:
        if (antiStealth_) selected_.push_back(kMemoryToken);
        break;
      case TargetNodeKind::AutostartNode:
        selected_.push_back(kStartupToken);
        break;
      case TargetNodeKind::DriveNode:
      case TargetNodeKind::FileNode: {
        std::u16string path = ItemPath(child);
        if (!path.empty()) selected_.push_back(std::move(path));
        break;
      }
      case TargetNodeKind::FolderNode:
      case TargetNodeKind::ShareNode: {
        const std::u16string path = ItemPath(child);
        if (!path.empty()) selected_.push_back(WithTrailingSlash(path));
        break;
      }
      default:
        break;
    }
  }
}

void TargetTree::PopulateNode(NodeId node, bool expand) {
  if (node == kTopLevel) return;
  const NodeId placeholder = store_.FirstChild(node);
  if (!IsPlaceholder(placeholder)) return;
  const TargetNodeKind placeholderKind = store_.Kind(placeholder);
  store_.Remove(placeholder);

  if (placeholderKind == TargetNodeKind::NetworkPlaceholderNode) {
    NetworkRequest request;
    request.node = node;
    request.expand = expand;
    if (node != networkRoot_) {
      const auto known = nodeMap_.find(node);
      if (known != nodeMap_.end()) {
        request.hasResource = true;
        request.resource = known->second;
      }
    }
    // A container that is neither the root nor known cannot be asked for: it stays empty.
    if (node == networkRoot_ || request.hasResource) queueRequest_(std::move(request));
    return;
  }

  const CheckState childState =
      store_.Check(node) == CheckState::Checked ? CheckState::Checked : CheckState::Unchecked;
  const std::u16string folder = WithTrailingSlash(ItemPath(node));
  std::vector<TargetRecord> records;
  if (!folder.empty()) {
    if (auto entries = system_.ListFolder(folder)) {
      for (FolderEntry& entry : *entries) {
        if (entry.name.empty() || entry.name == u"." || entry.name == u"..") continue;
        TargetRecord record;
        record.name = std::move(entry.name);
        if (record.name.size() > kNodeNameChars) record.name.resize(kNodeNameChars);
        record.kind = entry.folder ? TargetNodeKind::FolderNode : TargetNodeKind::FileNode;
        record.icon = system_.PathIcon(folder + record.name);
        records.push_back(std::move(record));
      }
    }
  }
  SortTargetRecords(records);

  std::vector<NodeId> toCheck;
  for (const TargetRecord& record : records) {
    const NodeId child = store_.Insert(node, record.name, record.icon, record.kind, childState);
    if (!child) continue;
    const std::u16string childPath = folder + record.name;
    const size_t before = unresolved_.size();
    std::erase_if(unresolved_, [&](const std::u16string& item) {
      return EqualsIgnoringCase(WithoutOneTrailingSlash(item), childPath);
    });
    if (unresolved_.size() != before) toCheck.push_back(child);
    if (record.kind == TargetNodeKind::FolderNode) AddPlaceholder(child, TargetNodeKind::FolderNode);
  }
  for (NodeId child : toCheck) CheckFound(child);
  if (expand) store_.Expand(node);
}

std::optional<NodeId> TargetTree::FindGroupNode(std::u16string_view path) {
  if (path.empty()) return std::nullopt;
  if ((path.size() > 1 && path[1] == u':') || EqualsIgnoringCase(path, kMemoryToken) ||
      EqualsIgnoringCase(path, kStartupToken)) {
    return ComputerGroup();
  }
  if (path.size() > 2 && path.starts_with(u"\\\\")) {
    const std::u16string_view name = path.substr(2);
    if (auto parent = FindServerParent(kTopLevel, name, false)) return parent;
    return FindServerParent(kTopLevel, name, true);
  }
  return std::nullopt;
}

std::optional<NodeId> TargetTree::FindServerParent(NodeId node, std::u16string_view name,
                                                   bool load) {
  for (NodeId child = store_.FirstChild(node); child; child = store_.NextSibling(child)) {
    const TargetNodeKind kind = store_.Kind(child);
    if (IsNetworkContainerKind(kind)) {
      if (load) PopulateNode(child, false);
      if (auto found = FindServerParent(child, name, load)) return found;
    } else if (kind == TargetNodeKind::ServerNode) {
      // The whole server name: "Serv" is not the server of "Server2\share".
      const std::u16string text = store_.Text(child);
      if (StartsWithIgnoringCase(name, text) &&
          (name.size() == text.size() || name[text.size()] == u'\\')) {
        return node;
      }
    }
  }
  return std::nullopt;
}

NodeId TargetTree::FindOrCreateNode(std::u16string_view path, bool expand) {
  const std::optional<NodeId> group = FindGroupNode(path);
  if (!group) return 0;
  while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  std::vector<std::u16string_view> segments;
  while (!path.empty()) {
    const size_t slash = path.find(u'\\');
    segments.push_back(path.substr(0, slash));
    if (slash == std::u16string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  NodeId current = *group;
  NodeId found = 0;
  for (size_t i = 0; i < segments.size(); ++i) {
    found = 0;
    for (NodeId child = store_.FirstChild(current); child; child = store_.NextSibling(child)) {
      if (IsPlaceholder(child)) continue;
      if (EqualsIgnoringCase(NodeKey(store_.Kind(child), store_.Text(child)), segments[i])) {
        found = child;
        break;
      }
    }
    if (!found) return 0;
    if (i + 1 < segments.size()) PopulateNode(found, expand);
    current = found;
  }
  return found;
}

void TargetTree::ToggleCheck(NodeId node) {
  if (node == kTopLevel) return;
  const CheckState state =
      store_.Check(node) == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
  SetNodeCheck(node, state);
  UpdateAncestorChecks(node, node, state);
  SetSubtreeCheck(node, state);
  selected_.clear();
  CollectTargets(kTopLevel, node, state);
}

void TargetTree::ApplyPreset(int entry) {
  SetSubtreeCheck(kTopLevel, CheckState::Unchecked);
  selected_.clear();
  unresolved_.clear();
  if (entry != kNoSelectionPreset) {
    for (NodeId child = store_.FirstChild(ComputerGroup()); child;
         child = store_.NextSibling(child)) {
      if (store_.Kind(child) != TargetNodeKind::DriveNode) continue;
      const std::optional<int> driveClass = DriveClass(system_.DriveKindOf(store_.Text(child)));
      const CheckState wanted =
          driveClass && *driveClass == entry ? CheckState::Checked : CheckState::Unchecked;
      if (store_.Check(child) == wanted) continue;
      UpdateAncestorChecks(child, child, wanted);
      SetSubtreeCheck(child, wanted);
      SetNodeCheck(child, wanted);
    }
  }
  CollectTargets(kTopLevel, 0, CheckState::Unchecked);
}

int TargetTree::SyncPresetCombo(NodeId overrideNode, CheckState overrideState) const {
  if (selected_.empty() && unresolved_.empty() && overrideState != CheckState::Checked) {
    return kNoSelectionPreset;
  }
  unsigned mask = ~0u;
  for (NodeId child = store_.FirstChild(ComputerGroup()); child; child = store_.NextSibling(child)) {
    if (store_.Kind(child) != TargetNodeKind::DriveNode) continue;
    const DriveKind kind = system_.DriveKindOf(store_.Text(child));
    const unsigned bit = DriveClassBit(kind);
    if (bit == 0) {
      mask = 0;
      continue;
    }
    const bool checked = EffectiveState(child, overrideNode, overrideState) == CheckState::Checked;
    if (checked) {
      mask &= bit;
    } else {
      mask &= ~bit;
    }
  }
  return PresetEntryForMask(mask);
}

void TargetTree::FollowTypedPath(std::u16string_view text) {
  if (EqualsIgnoringCase(text, previousPath_)) return;
  previousPath_ = std::u16string(text);
  if (const NodeId node = FindOrCreateNode(text, true)) store_.Select(node);
}

std::u16string TargetTree::PathForSelection(NodeId node) {
  previousPath_ = ItemPath(node);
  return previousPath_;
}

void TargetTree::InsertNetworkResults(const NetworkRequest& request,
                                      const std::vector<TargetRecord>& records,
                                      std::u16string_view pathText) {
  if (!request.node || records.empty()) return;
  for (const TargetRecord& record : records) {
    int icon = record.icon;
    if (icon < 0) {
      icon = record.kind == TargetNodeKind::DomainNode    ? domainIcon_
             : record.kind == TargetNodeKind::NetworkNode ? networkIcon_
                                                          : system_.NetworkNameIcon(record.iconName);
    }
    const bool share = record.kind == TargetNodeKind::ShareNode;
    const NodeId node = store_.Insert(request.node, record.name, icon, record.kind,
                                      share ? CheckState::Unchecked : CheckState::None);
    if (!node) continue;
    nodeMap_[node] = record.resource;
    if ((record.resource.usage & kUsageContainer) != 0 || share) {
      AddPlaceholder(node, share ? TargetNodeKind::FolderNode
                                 : TargetNodeKind::NetworkPlaceholderNode);
    }
    const std::u16string path = ItemPath(node);
    if (path.empty()) continue;
    const auto match = std::find_if(unresolved_.begin(), unresolved_.end(), [&](const auto& item) {
      return EqualsIgnoringCase(WithoutOneTrailingSlash(item), path);
    });
    if (match != unresolved_.end()) {
      unresolved_.erase(match);
      CheckFound(node);
    }
    if (StartsWithIgnoringCase(pathText, path)) {
      if (pathText.size() == path.size()) {
        store_.Select(node);
      } else if (pathText[path.size()] == u'\\') {
        // The typed path goes further: follow it one level as the results arrive.
        PopulateNode(node, request.expand);
      }
    }
    if (share) {
      const std::u16string below = path + u"\\";
      const std::vector<std::u16string> pending = unresolved_;
      for (const std::u16string& item : pending) {
        if (StartsWithIgnoringCase(item, below)) {
          FindOrCreateNode(WithoutOneTrailingSlash(item), false);
        }
      }
    }
  }
  store_.Redraw(request.node);
  if (request.expand) store_.Expand(request.node);
}

std::u16string TargetTree::BuildResult() {
  selected_.clear();
  CollectTargets(kTopLevel, 0, CheckState::Unchecked);
  std::u16string result;
  const auto append = [&](const std::u16string& item) {
    if (item.empty() || TargetListContains(result, item)) return;
    if (!result.empty()) result.push_back(u'|');
    result += item;
  };
  for (const std::u16string& item : selected_) append(item);
  for (const std::u16string& item : unresolved_) append(item);
  return CompactTargets(result);
}

}  // namespace qws
