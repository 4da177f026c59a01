// The target tree's nodes in a tree view control: the kind in the item data, the check mark in
// the state image.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "targets/target_tree_store.h"

namespace qws {

class TreeViewStore : public TargetTreeStore {
 public:
  void Attach(HWND tree) { tree_ = tree; }
  HWND tree() const { return tree_; }
  // Clear while the dialog itself selects a node: the path box then keeps its text.
  bool followSelection() const { return followSelection_; }

  NodeId FirstChild(NodeId parent) const override;
  NodeId NextSibling(NodeId node) const override;
  NodeId Parent(NodeId node) const override;
  TargetNodeKind Kind(NodeId node) const override;
  std::u16string Text(NodeId node) const override;
  CheckState Check(NodeId node) const override;
  void SetCheck(NodeId node, CheckState state) override;
  NodeId Insert(NodeId parent, const std::u16string& text, int icon, TargetNodeKind kind,
                CheckState state) override;
  void Remove(NodeId node) override;
  void Expand(NodeId node) override;
  void Select(NodeId node) override;
  void Redraw(NodeId node) override;

 private:
  HWND tree_ = nullptr;
  bool followSelection_ = true;
};

inline HTREEITEM ToItem(NodeId node) { return reinterpret_cast<HTREEITEM>(node); }
inline NodeId ToNode(HTREEITEM item) { return reinterpret_cast<NodeId>(item); }

}  // namespace qws
