#include "targets/profile_target_dlg.h"

#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include "app/string_table.h"
#include "app/text_token.h"
#include "base/u16.h"
#include "resources/resource_ids.h"
#include "targets/wnet_enumerator.h"
#include "ui/check_image.h"

namespace qws {

namespace {

// Waits at close for the worker; a worker still blocked in the network is left to end alone.
constexpr std::chrono::milliseconds kWorkerStopWait(500);

std::wstring TextOr(unsigned id, const std::wstring& fallback) {
  std::wstring text = LoadText(id);
  return text.empty() ? fallback : text;
}

void SetControlText(HWND dialog, int id, unsigned textId) {
  const std::wstring text = LoadText(textId);
  if (!text.empty()) SetDlgItemTextW(dialog, id, text.c_str());
}

// The shell's name and small icon of a special folder.
std::optional<std::u16string> SpecialFolder(int csidl, ScopedIcon& icon) {
  LPITEMIDLIST pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl)) || !pidl) return std::nullopt;
  SHFILEINFOW info{};
  const DWORD_PTR found =
      SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof(info),
                     SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_ICON | SHGFI_SMALLICON);
  CoTaskMemFree(pidl);
  if (!found || info.szDisplayName[0] == L'\0') {
    if (info.hIcon) DestroyIcon(info.hIcon);
    return std::nullopt;
  }
  icon.reset(info.hIcon);
  return ToU16(info.szDisplayName);
}

HICON Shell32Icon(int index) {
  wchar_t path[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH - 12) return nullptr;
  wcscat(path, L"\\shell32.dll");
  HICON small = nullptr;
  if (ExtractIconExW(path, index, nullptr, &small, 1) == 0) return nullptr;
  return small;
}

void PumpSentMessages() {
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

CProfileTargetDlg::CProfileTargetDlg(HWND owner, bool antiStealth, Seams seams)
    : CDialog(IDD_TARGET_SELECTION),
      owner_(owner),
      antiStealth_(antiStealth),
      seams_(std::move(seams)),
      system_(seams_.drives) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

CProfileTargetDlg::~CProfileTargetDlg() = default;

INT_PTR CProfileTargetDlg::Answer(LRESULT value) {
  SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, value);
  return TRUE;
}

std::u16string CProfileTargetDlg::PathBoxText() const {
  HWND box = Item(IDC_TARGET_PATH);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
  return ToU16(text);
}

bool CProfileTargetDlg::OnInitDialog() {
  HWND dialog = hwnd();
  HWND treeWindow = Item(IDC_TARGET_TREE);
  store_.Attach(treeWindow);

  SetWindowTextW(dialog, TextOr(4052, L"Selection of scan targets").c_str());
  SetControlText(dialog, IDC_TARGET_FRAME, 4053);
  SetControlText(dialog, IDOK, 4049);
  SetControlText(dialog, IDCANCEL, 4050);
  HWND pathBox = Item(IDC_TARGET_PATH);
  SetWindowLongPtrW(pathBox, GWL_EXSTYLE,
                    GetWindowLongPtrW(pathBox, GWL_EXSTYLE) & ~(WS_EX_RIGHT | WS_EX_RTLREADING));

  images_.reset(ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                 ILC_COLOR32 | ILC_MASK, 5, 5));
  TreeView_SetImageList(treeWindow, images_.get(), TVSIL_NORMAL);
  system_.SetImageList(images_.get());
  MakeStateImages();

  const TargetTexts defaults;
  const std::u16string presets = ToU16(TextOr(4054, ToWide(defaults.driveClasses)));
  for (size_t i = 0; i < 4; ++i) {
    const std::wstring entry = ToWide(TextToken(presets, i, u'|'));
    SendDlgItemMessageW(dialog, IDC_TARGET_PRESETS, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(entry.c_str()));
  }

  std::unique_ptr<NetworkEnumerator> network = std::move(seams_.network);
  if (!network) network = std::make_unique<WNetEnumerator>();
  const bool networkShown = network->Open(nullptr) != nullptr;
  worker_ = std::make_unique<NetworkWorker>(
      std::move(network),
      [dialog](const NetworkRequest& request, std::vector<TargetRecord>& records) {
        SendMessageW(dialog, kMsgNetworkResults, reinterpret_cast<WPARAM>(&request),
                     reinterpret_cast<LPARAM>(&records));
      },
      [dialog, treeWindow] {
        SendMessageW(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(treeWindow),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      });
  worker_->Start();

  tree_ = std::make_unique<TargetTree>(store_, system_, antiStealth_, [this](NetworkRequest r) {
    if (worker_) worker_->Queue(std::move(r));
  });
  TargetTreeLayout layout;
  const auto keep = [&](HICON icon) {
    icons_.emplace_back(icon);
    return system_.AddIcon(icon);
  };
  ScopedIcon computerIcon;
  layout.computerName = SpecialFolder(CSIDL_DRIVES, computerIcon);
  layout.computerIcon = system_.AddIcon(computerIcon.get());
  const int small = GetSystemMetrics(SM_CXSMICON);
  const auto programIcon = [&](int id) {
    return keep(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                              IMAGE_ICON, small, small, 0)));
  };
  layout.memoryIcon = programIcon(IDI_MEMORY_ICON);
  layout.autostartIcon = programIcon(IDI_AUTOSTART_ICON);
  layout.memoryText = ToU16(TextOr(4055, ToWide(defaults.operatingMemory)));
  layout.autostartText = ToU16(TextOr(4119, ToWide(defaults.autostartLocations)));
  if (networkShown) {
    ScopedIcon networkIcon;
    layout.networkName = SpecialFolder(CSIDL_NETWORK, networkIcon);
    if (!layout.networkName) layout.networkName = u"Network";
    layout.networkRootIcon = system_.AddIcon(networkIcon.get());
    layout.networkIcon = keep(Shell32Icon(14));
    layout.domainIcon = keep(Shell32Icon(18));
  }
  tree_->Build(layout);

  tree_->SetInitialList(ToU16(targetList_));
  tree_->ApplyInitialSelection();
  // An empty list opens on "No selection", as any selection without checks shows it.
  ShowPreset(tree_->SyncPresetCombo(kTopLevel, CheckState::Unchecked));

  RECT workArea{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  RECT window{};
  GetWindowRect(dialog, &window);
  const ScreenRect place =
      PlaceTargetDialog({workArea.left, workArea.top, workArea.right, workArea.bottom},
                        window.right - window.left, window.bottom - window.top);
  SetWindowPos(dialog, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  UpdateOk();
  SetForegroundWindow(dialog);
  SetFocus(treeWindow);
  return false;
}

void CProfileTargetDlg::MakeStateImages() {
  HWND treeWindow = store_.tree();
  const SIZE size{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
  ScopedImageList list(ImageList_Create(size.cx, size.cy, ILC_COLOR32, 4, 0));
  if (!list) return;
  ScopedBitmap unchecked = MakeCheckImage(treeWindow, 0, size);
  ScopedBitmap checked = MakeCheckImage(treeWindow, 4, size);
  ScopedBitmap mixed = MakeCheckImage(treeWindow, 8, size);
  // State image 0 is never drawn; the list still needs an image there.
  ImageList_Add(list.get(), unchecked.get(), nullptr);
  ImageList_Add(list.get(), unchecked.get(), nullptr);
  ImageList_Add(list.get(), checked.get(), nullptr);
  ImageList_Add(list.get(), mixed ? mixed.get() : unchecked.get(), nullptr);
  TreeView_SetImageList(treeWindow, list.get(), TVSIL_STATE);
  stateImages_ = std::move(list);
}

void CProfileTargetDlg::ShowPreset(int entry) {
  SendDlgItemMessageW(hwnd(), IDC_TARGET_PRESETS, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
}

void CProfileTargetDlg::UpdateOk() {
  EnableWindow(Item(IDOK), tree_ && tree_->CanAccept());
}

void CProfileTargetDlg::Toggle(NodeId node) {
  if (!node) return;
  const CheckState state =
      store_.Check(node) == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
  tree_->ToggleCheck(node);
  ShowPreset(tree_->SyncPresetCombo(node, state));
  UpdateOk();
}

bool CProfileTargetDlg::CursorOverTree() const {
  POINT cursor{};
  GetCursorPos(&cursor);
  RECT rect{};
  GetWindowRect(store_.tree(), &rect);
  return PtInRect(&rect, cursor) != FALSE;
}

std::optional<LRESULT> CProfileTargetDlg::OnNotify(const NMHDR& header) {
  if (header.idFrom != IDC_TARGET_TREE || !tree_) return std::nullopt;
  switch (header.code) {
    case TVN_ITEMEXPANDINGW: {
      const auto& info = reinterpret_cast<const NMTREEVIEWW&>(header);
      if (info.action & TVE_EXPAND) tree_->PopulateNode(ToNode(info.itemNew.hItem), false);
      return FALSE;
    }
    case TVN_SELCHANGEDW: {
      const auto& info = reinterpret_cast<const NMTREEVIEWW&>(header);
      if (store_.followSelection()) {
        const std::wstring path = ToWide(tree_->PathForSelection(ToNode(info.itemNew.hItem)));
        SetDlgItemTextW(hwnd(), IDC_TARGET_PATH, path.c_str());
        UpdateOk();
      }
      return 0;
    }
    case NM_CLICK: {
      const DWORD position = GetMessagePos();
      TVHITTESTINFO hit{};
      hit.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
      ScreenToClient(store_.tree(), &hit.pt);
      HTREEITEM item = TreeView_HitTest(store_.tree(), &hit);
      if (!item || (hit.flags & TVHT_ONITEMSTATEICON) == 0) return 0;
      Toggle(ToNode(item));
      return TRUE;
    }
    case TVN_KEYDOWN: {
      const auto& key = reinterpret_cast<const NMTVKEYDOWN&>(header);
      if (key.wVKey != VK_SPACE) return 0;
      Toggle(ToNode(TreeView_GetSelection(store_.tree())));
      return TRUE;
    }
    default:
      return std::nullopt;
  }
}

INT_PTR CProfileTargetDlg::DialogProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NOTIFY:
      if (auto result = OnNotify(*reinterpret_cast<const NMHDR*>(lparam))) return Answer(*result);
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == store_.tree() && LOWORD(lparam) == HTCLIENT &&
          NetworkBusy() && CursorOverTree()) {
        SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
        return Answer(TRUE);
      }
      break;
    case WM_THEMECHANGED:
      MakeStateImages();
      break;
    default:
      break;
  }
  return CDialog::DialogProc(message, wparam, lparam);
}

bool CProfileTargetDlg::OnCommand(int controlId, int code) {
  if (!tree_) return false;
  switch (controlId) {
    case IDC_TARGET_PRESETS:
      if (code != CBN_SELCHANGE) return false;
      tree_->ApplyPreset(static_cast<int>(
          SendDlgItemMessageW(hwnd(), IDC_TARGET_PRESETS, CB_GETCURSEL, 0, 0)));
      UpdateOk();
      return true;
    case IDC_TARGET_PATH:
      if (code != EN_CHANGE) return false;
      tree_->FollowTypedPath(PathBoxText());
      UpdateOk();
      return true;
    case IDOK:
      if (code != BN_CLICKED || !tree_->CanAccept()) return false;
      targetList_ = ToWide(tree_->BuildResult());
      EndDialog(IDOK);
      return true;
    case IDCANCEL:
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

std::optional<LRESULT> CProfileTargetDlg::OnUserMessage(UINT message, WPARAM wparam,
                                                        LPARAM lparam) {
  if (message != kMsgNetworkResults) return std::nullopt;
  // At close the worker's last hand-over is answered without touching the tree.
  if (closing_ || !tree_) return 0;
  tree_->InsertNetworkResults(*reinterpret_cast<const NetworkRequest*>(wparam),
                              *reinterpret_cast<const std::vector<TargetRecord>*>(lparam),
                              PathBoxText());
  UpdateOk();
  return 0;
}

void CProfileTargetDlg::OnDestroy() {
  closing_ = true;
  if (worker_) worker_->Stop(kWorkerStopWait, PumpSentMessages);
  worker_.reset();
  tree_.reset();  // the node map with its copies
}

}  // namespace qws
