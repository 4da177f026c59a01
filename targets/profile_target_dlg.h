// The target selection dialog: the tree of scan objects with check boxes, the drive presets
// and the path box, over the selection logic of TargetTree.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "targets/network_browse.h"
#include "targets/target_tree.h"
#include "targets/target_tree_system_win.h"
#include "targets/tree_view_store.h"
#include "ui/dialog.h"

namespace qws {

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ImageList_Destroy(h); }
};
using ScopedImageList = GenericScopedHandle<ImageListTraits>;

// The worker's hand-over of one container's results: wparam the request, lparam the records.
inline constexpr UINT kMsgNetworkResults = WM_USER + 1;

class CProfileTargetDlg : public CDialog {
 public:
  struct Seams {
    // Null: the system's network through the WNet functions.
    std::unique_ptr<NetworkEnumerator> network;
    // None: the system's drives.
    std::optional<std::vector<DriveRoot>> drives;
  };

  CProfileTargetDlg(HWND owner, bool antiStealth, Seams seams = {});
  ~CProfileTargetDlg() override;

  // The list the dialog opens with, drive tokens already expanded; after OK, the result.
  void SetTargetList(std::wstring list) { targetList_ = std::move(list); }
  const std::wstring& targetList() const { return targetList_; }
  INT_PTR Run() { return DoModal(owner_); }

  // For tests: the worker and the tree's logic.
  bool NetworkBusy() const { return worker_ && worker_->busy(); }
  const TargetTree* tree() const { return tree_.get(); }

 protected:
  INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnDestroy() override;

 private:
  INT_PTR Answer(LRESULT value);
  std::optional<LRESULT> OnNotify(const NMHDR& header);
  void MakeStateImages();
  void Toggle(NodeId node);
  void ShowPreset(int entry);
  void UpdateOk();
  bool CursorOverTree() const;
  std::u16string PathBoxText() const;

  HWND owner_;
  bool antiStealth_;
  Seams seams_;
  std::wstring targetList_;
  TreeViewStore store_;
  WindowsTargetTreeSystem system_;
  std::unique_ptr<TargetTree> tree_;
  std::unique_ptr<NetworkWorker> worker_;
  ScopedImageList images_, stateImages_;
  std::vector<ScopedIcon> icons_;
  bool closing_ = false;
};

}  // namespace qws
