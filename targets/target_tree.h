// The selection logic of the target tree: which node stands for which target item, how check
// marks spread up and down, the drive presets, the lookups of typed and initial paths and the
// list the dialog returns. It works on a TargetTreeStore and asks the computer through
// TargetTreeSystem, so that it runs on the host as it runs in the dialog.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "targets/network_browse.h"
#include "targets/target_list.h"
#include "targets/target_tree_store.h"

namespace qws {

struct FolderEntry {
  std::u16string name;
  bool folder = false;
};

// The computer as the tree sees it.
class TargetTreeSystem : public TargetSystem {
 public:
  virtual DriveKind DriveKindOf(std::u16string_view root) const = 0;
  // The entries of a folder (named with a trailing "\"), without "." and ".."; nothing when it
  // cannot be listed.
  virtual std::optional<std::vector<FolderEntry>> ListFolder(std::u16string_view folder) const = 0;
  // Image index of the shell's small icon for a file system path, or of a network name.
  virtual int PathIcon(std::u16string_view path) = 0;
  virtual int NetworkNameIcon(std::u16string_view name) = 0;
};

// What the top of the tree shows; names and icons come from the shell.
struct TargetTreeLayout {
  std::optional<std::u16string> computerName;  // none: the computer's children at the top
  int computerIcon = 0, memoryIcon = 0, autostartIcon = 0;
  std::optional<std::u16string> networkName;   // none: the network cannot be enumerated
  int networkRootIcon = 0, networkIcon = 0, domainIcon = 0;
  std::u16string memoryText = u"Operating memory";
  std::u16string autostartText = u"Autostart locations";
};

// Index of the preset combo box entries ("Removable media|Local drives|Network drives|No
// selection"); kNoPresetEntry clears the selection.
inline constexpr int kNoSelectionPreset = 3;
inline constexpr int kNoPresetEntry = -1;

// The drive class a preset stands for: 0 removable and CD-ROM, 1 fixed, 2 remote.
std::optional<int> DriveClass(DriveKind kind);
// The class mask bit of SyncPresetCombo: 1 removable and CD-ROM, 2 fixed, 4 remote.
unsigned DriveClassBit(DriveKind kind);
// The combo entry for a class mask.
int PresetEntryForMask(unsigned mask);

// The dialog's placement: centred across the work area, the top 45 % down the free height.
struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
ScreenRect PlaceTargetDialog(const ScreenRect& workArea, int width, int height);

// The text a lookup compares a path segment with.
std::u16string NodeKey(TargetNodeKind kind, std::u16string_view text);

class TargetTree {
 public:
  using QueueRequest = std::function<void(NetworkRequest)>;

  TargetTree(TargetTreeStore& store, TargetTreeSystem& system, bool antiStealth,
             QueueRequest queueRequest);

  // The computer part; then, when the layout names one, the network root with its top level
  // queued.
  void Build(const TargetTreeLayout& layout);
  // The opener's list: uncompacted, drive tokens expanded, split.
  void SetInitialList(std::u16string_view list);
  void ApplyInitialSelection();

  std::u16string ItemPath(NodeId node) const;
  void SetNodeCheck(NodeId node, CheckState state);
  void SetSubtreeCheck(NodeId node, CheckState state);
  void UpdateAncestorChecks(NodeId node, NodeId overrideNode, CheckState overrideState);
  void CollectTargets(NodeId node, NodeId overrideNode, CheckState overrideState);
  void PopulateNode(NodeId node, bool expand);

  // The node below which a path is looked up: the computer, the top level, or a server's
  // parent.
  std::optional<NodeId> FindGroupNode(std::u16string_view path);
  std::optional<NodeId> FindServerParent(NodeId node, std::u16string_view name, bool load);
  NodeId FindOrCreateNode(std::u16string_view path, bool expand);

  // A click on the state icon or Space on the node.
  void ToggleCheck(NodeId node);
  void ApplyPreset(int entry);
  // The combo entry to show, or kNoPresetEntry.
  int SyncPresetCombo(NodeId overrideNode, CheckState overrideState) const;
  // A changed path box: the node it names, selected; nothing is checked.
  void FollowTypedPath(std::u16string_view text);
  // The text the path box shows for a newly selected node.
  std::u16string PathForSelection(NodeId node);
  void InsertNetworkResults(const NetworkRequest& request,
                            const std::vector<TargetRecord>& records, std::u16string_view pathText);

  // The compact list OK returns: the checked nodes' items, then the unresolved ones, each once.
  std::u16string BuildResult();
  // OK can be pressed: something would be returned.
  bool CanAccept() const { return !selected_.empty() || !unresolved_.empty(); }

  NodeId computer() const { return computer_; }
  NodeId networkRoot() const { return networkRoot_; }
  const std::vector<std::u16string>& selected() const { return selected_; }
  const std::vector<std::u16string>& unresolved() const { return unresolved_; }
  const std::map<NodeId, NetResource>& nodeMap() const { return nodeMap_; }

 private:
  NodeId ComputerGroup() const { return computer_; }
  bool IsPlaceholder(NodeId node) const;
  void AddPlaceholder(NodeId node, TargetNodeKind kind);
  void CheckFound(NodeId node);
  CheckState EffectiveState(NodeId node, NodeId overrideNode, CheckState overrideState) const;

  TargetTreeStore& store_;
  TargetTreeSystem& system_;
  bool antiStealth_;
  QueueRequest queueRequest_;
  NodeId computer_ = kTopLevel;
  NodeId networkRoot_ = 0;
  int networkIcon_ = 0, domainIcon_ = 0;
  std::vector<std::u16string> initial_, selected_, unresolved_;
  std::u16string previousPath_;
  std::map<NodeId, NetResource> nodeMap_;
};

}  // namespace qws
