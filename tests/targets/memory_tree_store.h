// A target tree kept in memory, and a computer whose drives and folders a test chooses.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "targets/target_tree.h"
#include "targets/target_tree_store.h"
#include "targets/target_text_case.h"

namespace qws::test {

class MemoryTreeStore : public TargetTreeStore {
 public:
  struct Node {
    NodeId parent = 0;
    std::vector<NodeId> children;
    std::u16string text;
    TargetNodeKind kind = TargetNodeKind::FileNode;
    CheckState check = CheckState::None;
    bool expanded = false;
  };

  NodeId FirstChild(NodeId parent) const override {
    const std::vector<NodeId>& list = Children(parent);
    return list.empty() ? 0 : list.front();
  }
  NodeId NextSibling(NodeId node) const override {
    const std::vector<NodeId>& list = Children(nodes_.at(node).parent);
    for (size_t i = 0; i + 1 < list.size(); ++i) {
      if (list[i] == node) return list[i + 1];
    }
    return 0;
  }
  NodeId Parent(NodeId node) const override { return nodes_.at(node).parent; }
  TargetNodeKind Kind(NodeId node) const override { return nodes_.at(node).kind; }
  std::u16string Text(NodeId node) const override { return nodes_.at(node).text; }
  CheckState Check(NodeId node) const override { return nodes_.at(node).check; }
  void SetCheck(NodeId node, CheckState state) override { nodes_.at(node).check = state; }
  NodeId Insert(NodeId parent, const std::u16string& text, int, TargetNodeKind kind,
                CheckState state) override {
    const NodeId id = ++last_;
    nodes_[id] = {parent, {}, text, kind, state, false};
    MutableChildren(parent).push_back(id);
    return id;
  }
  void Remove(NodeId node) override {
    for (NodeId child : std::vector<NodeId>(nodes_.at(node).children)) Remove(child);
    std::erase(MutableChildren(nodes_.at(node).parent), node);
    nodes_.erase(node);
  }
  void Expand(NodeId node) override { nodes_.at(node).expanded = true; }
  void Select(NodeId node) override { selected = node; }
  void Redraw(NodeId) override {}

  // The node at a path of texts from the top, such as {"Computer", "C:\\", "A"}; 0 if none.
  NodeId At(std::initializer_list<std::u16string_view> texts) const {
    NodeId current = 0;
    for (std::u16string_view text : texts) {
      NodeId next = 0;
      for (NodeId child : Children(current)) {
        if (nodes_.at(child).text == text) next = child;
      }
      if (!next) return 0;
      current = next;
    }
    return current;
  }
  const Node& node(NodeId id) const { return nodes_.at(id); }
  std::vector<std::u16string> ChildTexts(NodeId parent) const {
    std::vector<std::u16string> texts;
    for (NodeId child : Children(parent)) texts.push_back(nodes_.at(child).text);
    return texts;
  }

  NodeId selected = 0;

 private:
  const std::vector<NodeId>& Children(NodeId parent) const {
    return parent ? nodes_.at(parent).children : top_;
  }
  std::vector<NodeId>& MutableChildren(NodeId parent) {
    return parent ? nodes_.at(parent).children : top_;
  }
  std::map<NodeId, Node> nodes_;
  std::vector<NodeId> top_;
  NodeId last_ = 0;
};

class TableTreeSystem : public TargetTreeSystem {
 public:
  std::vector<DriveRoot> drives;
  // Folder (with its trailing "\") -> entries; a folder not listed cannot be listed.
  std::map<std::u16string, std::vector<FolderEntry>> folders;
  mutable int listings = 0;

  std::vector<DriveRoot> Drives() const override { return drives; }
  bool IsExistingNonFolder(std::u16string_view) const override { return false; }
  DriveKind DriveKindOf(std::u16string_view root) const override {
    for (const DriveRoot& drive : drives) {
      if (EqualsIgnoringCase(drive.root, root)) return drive.kind;
    }
    return DriveKind::NoRootDir;
  }
  std::optional<std::vector<FolderEntry>> ListFolder(std::u16string_view folder) const override {
    ++listings;
    for (const auto& [name, entries] : folders) {
      if (EqualsIgnoringCase(name, folder)) return entries;
    }
    return std::nullopt;
  }
  int PathIcon(std::u16string_view) override { return 1; }
  int NetworkNameIcon(std::u16string_view) override { return 2; }
};

}  // namespace qws::test
