#include "targets/tree_view_store.h"

#include <string>

#include "base/u16.h"

namespace qws {

NodeId TreeViewStore::FirstChild(NodeId parent) const {
  return ToNode(TreeView_GetChild(tree_, parent ? ToItem(parent) : TVI_ROOT));
}

NodeId TreeViewStore::NextSibling(NodeId node) const {
  return ToNode(TreeView_GetNextSibling(tree_, ToItem(node)));
}

NodeId TreeViewStore::Parent(NodeId node) const {
  return ToNode(TreeView_GetParent(tree_, ToItem(node)));
}

TargetNodeKind TreeViewStore::Kind(NodeId node) const {
  TVITEMW item{};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = ToItem(node);
  TreeView_GetItem(tree_, &item);
  return static_cast<TargetNodeKind>(item.lParam);
}

std::u16string TreeViewStore::Text(NodeId node) const {
  wchar_t buffer[512] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = ToItem(node);
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  TreeView_GetItem(tree_, &item);
  return ToU16(item.pszText ? item.pszText : L"");
}

CheckState TreeViewStore::Check(NodeId node) const {
  const UINT state = TreeView_GetItemState(tree_, ToItem(node), TVIS_STATEIMAGEMASK);
  return static_cast<CheckState>((state & TVIS_STATEIMAGEMASK) >> 12);
}

void TreeViewStore::SetCheck(NodeId node, CheckState state) {
  TreeView_SetItemState(tree_, ToItem(node), INDEXTOSTATEIMAGEMASK(static_cast<int>(state)),
                        TVIS_STATEIMAGEMASK);
}

NodeId TreeViewStore::Insert(NodeId parent, const std::u16string& text, int icon,
                             TargetNodeKind kind, CheckState state) {
  std::wstring wide = ToWide(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent ? ToItem(parent) : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = wide.data();
  insert.item.iImage = insert.item.iSelectedImage = icon;
  insert.item.lParam = static_cast<LPARAM>(kind);
  insert.item.state = INDEXTOSTATEIMAGEMASK(static_cast<int>(state));
  insert.item.stateMask = TVIS_STATEIMAGEMASK;
  return ToNode(TreeView_InsertItem(tree_, &insert));
}

void TreeViewStore::Remove(NodeId node) { TreeView_DeleteItem(tree_, ToItem(node)); }

void TreeViewStore::Expand(NodeId node) { TreeView_Expand(tree_, ToItem(node), TVE_EXPAND); }

void TreeViewStore::Select(NodeId node) {
  followSelection_ = false;
  TreeView_SelectItem(tree_, ToItem(node));
  TreeView_EnsureVisible(tree_, ToItem(node));
  followSelection_ = true;
}

void TreeViewStore::Redraw(NodeId node) {
  RECT rect{};
  if (TreeView_GetItemRect(tree_, ToItem(node), &rect, FALSE)) {
    InvalidateRect(tree_, &rect, TRUE);
  }
}

}  // namespace qws
