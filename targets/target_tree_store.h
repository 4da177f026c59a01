// The nodes of the target tree as the selection logic sees them: the dialog keeps them in its
// tree view, host tests in memory.
#pragma once

#include <cstdint>
#include <string>

namespace qws {

enum class TargetNodeKind : int32_t {
  ComputerNode = 1,
  MemoryNode,
  AutostartNode,
  DriveNode,
  FolderNode,
  FileNode,
  NetworkRootNode,
  NetworkNode,
  DomainNode,
  ServerNode,
  ShareNode,
  NetworkPlaceholderNode,
};

// The values are the tree's state image numbers.
enum class CheckState : int { None = 0, Unchecked = 1, Checked = 2, Mixed = 3 };

// A node of the tree; 0 stands for the top level (as a parent) or for no node.
using NodeId = uintptr_t;
inline constexpr NodeId kTopLevel = 0;

class TargetTreeStore {
 public:
  virtual ~TargetTreeStore() = default;
  virtual NodeId FirstChild(NodeId parent) const = 0;
  virtual NodeId NextSibling(NodeId node) const = 0;
  // kTopLevel for a node at the top.
  virtual NodeId Parent(NodeId node) const = 0;
  virtual TargetNodeKind Kind(NodeId node) const = 0;
  virtual std::u16string Text(NodeId node) const = 0;
  virtual CheckState Check(NodeId node) const = 0;
  virtual void SetCheck(NodeId node, CheckState state) = 0;
  // Appends a child; 0 when it could not be added.
  virtual NodeId Insert(NodeId parent, const std::u16string& text, int icon, TargetNodeKind kind,
                        CheckState state) = 0;
  virtual void Remove(NodeId node) = 0;
  virtual void Expand(NodeId node) = 0;
  // Selects the node and scrolls it into view without the path box following.
  virtual void Select(NodeId node) = 0;
  virtual void Redraw(NodeId node) = 0;
};

}  // namespace qws
