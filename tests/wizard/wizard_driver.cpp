#include "tests/wizard/wizard_driver.h"

#include <winsock2.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/restart.h"
#include "base/reg_key.h"
#include "resources/resource_ids.h"
#include "tests/net/test_server.h"
#include "tests/ui/input_driver.h"
#include "tests/ui/modal_script.h"

namespace qws::test {

namespace {

constexpr wchar_t kCaption[] = L"Quellix WebSweep";

// The child inherits the environment: QWS_SERVER is set for the start, and with a temporary-files
// folder of its own so are TMP and TEMP, which the constructor puts back once the child runs.
std::wstring PrepareStart(const std::wstring& server, const std::wstring& program, const std::wstring& temp,
                          std::vector<std::pair<std::wstring, std::wstring>>& saved) {
  SetEnvironmentVariableW(L"QWS_SERVER", server.empty() ? nullptr : server.c_str());
  if (!temp.empty()) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[MAX_PATH] = L"";
      GetEnvironmentVariableW(name, value, MAX_PATH);
      saved.emplace_back(name, value);
      SetEnvironmentVariableW(name, temp.c_str());
    }
  }
  return program.empty() ? ProgramPath() : program;
}

// A block of memory in another process, for the list and tree messages that carry pointers.
class RemoteBlock {
 public:
  RemoteBlock(DWORD processId, size_t bytes)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)) {
    if (process_) address_ = VirtualAllocEx(process_.get(), nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
  LPARAM param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(at(offset)); }
  bool Write(const void* data, size_t bytes, size_t offset = 0) const {
    return WriteProcessMemory(process_.get(), at(offset), data, bytes, nullptr) != FALSE;
  }
  bool Read(void* data, size_t bytes, size_t offset = 0) const {
    return ReadProcessMemory(process_.get(), at(offset), data, bytes, nullptr) != FALSE;
  }

 private:
  ScopedHandle process_;
  void* address_ = nullptr;
};

// The pixels of a window's screen area, 0x00RRGGBB, row by row.
std::vector<uint32_t> CaptureWindow(HWND window, int& width, int& height) {
  RECT rect{};
  GetWindowRect(window, &rect);
  width = rect.right - rect.left;
  height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<uint32_t> pixels;
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + static_cast<size_t>(width) * height);
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

RECT ToScreen(HWND window, RECT rect) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

POINT Centre(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// The label of the tree's selected item, in screen coordinates.
std::optional<RECT> SelectedTreeLabel(DWORD processId, HWND tree) {
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return std::nullopt;
  const std::optional<RECT> rect = TreeItemRect(processId, tree, item);
  if (!rect) return std::nullopt;
  return ToScreen(tree, *rect);
}

// The check state image of the tree's selected item: 1 unchecked, 2 checked, 3 mixed.
int SelectedTreeCheck(HWND tree) {
  const auto item = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  if (!item) return 0;
  return static_cast<int>((SendMessageW(tree, TVM_GETITEMSTATE, static_cast<WPARAM>(item), TVIS_STATEIMAGEMASK) &
                           TVIS_STATEIMAGEMASK) >> 12);
}

}  // namespace

std::wstring FixtureServer(const std::wstring& name) {
  const unsigned port = TestServerPort(name);
  return port ? L"127.0.0.1:" + std::to_wstring(port) : std::wstring();
}

std::wstring ServerThatIsDown() {
  // A port the system just handed out and took back again.
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return L"127.0.0.1:9";
  unsigned port = 9;
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  if (probe != INVALID_SOCKET && bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  if (probe != INVALID_SOCKET) closesocket(probe);
  WSACleanup();
  return L"127.0.0.1:" + std::to_wstring(port);
}

Wizard::Wizard(const std::wstring& server, const std::wstring& arguments, const std::wstring& program,
               const std::wstring& temp)
    : process_(PrepareStart(server, program, temp, savedVariables_), arguments) {
  for (const auto& [name, value] : savedVariables_)
    SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
}

bool Wizard::FollowRestartedProgram(std::chrono::milliseconds timeout) {
  DWORD restarted = 0;
  const bool found = WaitUntil([&] {
    for (HWND candidate : TopLevelWindowsWithCaption(kCaption)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(candidate, &owner);
      if (owner != process_.id()) {
        restarted = owner;
        return true;
      }
    }
    return false;
  }, timeout);
  if (!found) return false;
  followed_.emplace(restarted);
  window_ = nullptr;
  return true;
}

HWND Wizard::window() {
  if (window_ && IsWindow(window_)) return window_;
  const auto windows = TopLevelWindows(process().id(), kCaption);
  window_ = windows.empty() ? nullptr : windows.front();
  return window_;
}

HWND Wizard::Page() {
  HWND main = window();
  return main ? VisiblePage(main) : nullptr;
}

std::wstring Wizard::PageTitle() {
  HWND page = Page();
  return page ? WindowText(page) : std::wstring();
}

bool Wizard::WaitForPage(const std::wstring& title, std::chrono::milliseconds timeout) {
  return WaitUntil([&] { return PageTitle() == title; }, timeout);
}

HWND Wizard::Control(int id) {
  HWND page = Page();
  return page ? GetDlgItem(page, id) : nullptr;
}

bool Wizard::ClickControl(int id) {
  HWND control = Control(id);
  if (!control || !IsWindowVisible(control)) return false;
  ClickAt(CentreOf(control));
  Pump();
  return true;
}

bool Wizard::WaitForPage(const std::wstring& title, int id, std::chrono::milliseconds timeout) {
  return WaitUntil(
      [&] {
        HWND control = Control(id);
        return PageTitle() == title && control && IsWindowVisible(control);
      },
      timeout);
}

std::wstring Wizard::ControlText(int id) {
  HWND control = Control(id);
  return control ? WindowText(control) : std::wstring();
}

bool Wizard::WaitForText(int id, const std::wstring& text, std::chrono::milliseconds timeout) {
  return WaitUntil([&] { return ControlText(id) == text; }, timeout);
}

bool Wizard::AcceptTermsAndChooseSettings() {
  if (!WaitForPage(L"Terms of use")) return false;
  Shot(L"terms");
  if (!ClickControl(IDC_TERMS_ACCEPT) || !WaitForPage(L"Computer scan settings")) return false;
  // Scan waits for one of the two radios.
  if (!ClickControl(IDC_SETTINGS_UNWANTED_OFF)) return false;
  return WaitUntil([&] { return CheckState(Control(IDC_SETTINGS_UNWANTED_OFF)) == BST_CHECKED; }, std::chrono::seconds(10));
}

bool Wizard::ClickWindowControl(int id) {
  HWND main = window();
  HWND control = main ? GetDlgItem(main, id) : nullptr;
  if (!control || !IsWindowVisible(control)) return false;
  ClickAt(CentreOf(control));
  Pump();
  return true;
}

bool Wizard::ClickLink(int id) {
  HWND control = Control(id);
  return control && IsWindowVisible(control) && ClickLinkOf(control);
}

bool Wizard::ClickRowCheckBox(int listId, int row) {
  HWND list = Control(listId);
  if (!list || row >= ListRowCount(list)) return false;
  RemoteBlock remote(process().id(), sizeof(LVHITTESTINFO) + sizeof(RECT));
  if (!remote.ok()) return false;
  SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  remote.Write(&bounds, sizeof(bounds));
  if (!SendMessageW(list, LVM_GETITEMRECT, row, remote.param())) return false;
  remote.Read(&bounds, sizeof(bounds));
  const int y = (bounds.top + bounds.bottom) / 2;
  for (int x = bounds.left; x < bounds.left + 40; ++x) {
    LVHITTESTINFO hit{};
    hit.pt = {x, y};
    remote.Write(&hit, sizeof(hit));
    const LRESULT found = SendMessageW(list, LVM_SUBITEMHITTEST, 0, remote.param());
    remote.Read(&hit, sizeof(hit));
    if (found == row && (hit.flags & LVHT_ONITEMSTATEICON)) {
      ClickAt(ScreenPoint(list, x + 3, y));
      // Past the double-click time, so that a click on the next row is a click of its own.
      Pump(std::chrono::milliseconds(GetDoubleClickTime() + 100));
      return true;
    }
  }
  return false;
}

HWND Wizard::WaitForWindow(const std::wstring& caption, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        const auto windows = TopLevelWindows(process().id(), caption);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
      },
      timeout);
  return found;
}

void Wizard::Shot(const std::wstring& step) {
  Pump(std::chrono::milliseconds(300));
  SaveScreenshot(scenario.empty() ? step : scenario + L"_" + step);
}

int ListRowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ListCellText(DWORD processId, HWND list, int row, int column) {
  constexpr size_t kChars = 1100;
  RemoteBlock remote(processId, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.ok()) return L"(no access)";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(LVITEMW)));
  item.cchTextMax = kChars;
  remote.Write(&item, sizeof(item));
  const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, row, remote.param());
  std::wstring text(kChars, L'\0');
  remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVITEMW));
  text.resize(static_cast<size_t>(length < 0 ? 0 : length));
  return text;
}

std::optional<RECT> ListRowRect(DWORD processId, HWND list, int row) {
  RemoteBlock remote(processId, sizeof(RECT));
  RECT rect{};
  rect.left = LVIR_LABEL;
  if (!remote.ok() || !remote.Write(&rect, sizeof(rect)) ||
      !SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), remote.param()) ||
      !remote.Read(&rect, sizeof(rect)))
    return std::nullopt;
  return ToScreen(list, rect);
}

bool ClickListRow(DWORD processId, HWND list, int row) {
  const auto rect = ListRowRect(processId, list, row);
  if (!rect) return false;
  ClickAt(Centre(*rect));
  Pump();
  return true;
}

bool ClickLinkOf(HWND control, COLORREF linkColour) {
  int width = 0, height = 0;
  const std::vector<uint32_t> pixels = CaptureWindow(control, width, height);
  // The link's letters are smoothed at their edges: their cores are near the link colour.
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; !pixels.empty() && y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * width + x];  // 0x00RRGGBB
      if (!Near(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF), linkColour, 24)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return false;
  RECT rect{};
  GetWindowRect(control, &rect);
  ClickAt({rect.left + (left + right) / 2, rect.top + (top + bottom) / 2});
  Pump();
  return true;
}

bool Wizard::ChooseTargetFolder(const std::wstring& folder) {
  using namespace std::chrono_literals;
  constexpr int kNoSelectionEntry = 3;  // "Removable media|Local drives|Network drives|No selection"
  constexpr int kCheckedImage = 2;
  // Wine on a busy machine is slow: each step waits generously and names itself when it fails.
  const auto failed = [&](const wchar_t* step) {
    fwprintf(stderr, L"choosing the target folder failed at: %ls\n", step);
    Shot(std::wstring(L"target_failed_") + step);
    return false;
  };
  HWND line = Control(IDC_SETTINGS_TARGETS);
  if (!line) return failed(L"targets_line");
  // The targets line belongs to the advanced section, which opens row by row; the proxy row is
  // its last.
  if (!IsWindowVisible(line) && !ClickControl(IDC_SETTINGS_ADVANCED)) return failed(L"advanced_link");
  HWND proxy = Control(IDC_SETTINGS_PROXY);
  if (!WaitUntil([&] { return IsWindowVisible(line) && proxy && IsWindowVisible(proxy); }, 20s))
    return failed(L"advanced_section");
  const std::wstring lineBefore = WindowText(line);
  if (!WaitUntil([&] { return ClickLinkOf(line); }, 10s)) return failed(L"change_link");
  HWND dialog = WaitForWindow(L"Selection of scan targets");
  if (!dialog) return failed(L"dialog");
  SetForegroundWindow(dialog);
  HWND tree = GetDlgItem(dialog, IDC_TARGET_TREE);
  if (!WaitUntil([&] { return IsWindowVisible(dialog) && TreeView_GetCount(tree) > 0; }, 20s))
    return failed(L"tree");
  Pump(300ms);

  HWND presets = GetDlgItem(dialog, IDC_TARGET_PRESETS);
  ClickAt(CentreOf(presets));
  Pump(300ms);
  PressKey(VK_HOME);
  for (int i = 0; i < kNoSelectionEntry; ++i) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  if (!WaitUntil([&] { return SendMessageW(presets, CB_GETCURSEL, 0, 0) == kNoSelectionEntry; }, 10s))
    return failed(L"preset");

  HWND path = GetDlgItem(dialog, IDC_TARGET_PATH);
  ClickAt(CentreOf(path));
  SendMessageW(path, EM_SETSEL, 0, -1);
  TypeText(folder);
  // The tree follows the typed path down to the folder and selects it, without checking it.
  std::optional<RECT> label;
  if (!WaitUntil([&] { return WindowText(path) == folder && (label = SelectedTreeLabel(process().id(), tree)); }, 20s))
    return failed(L"typed_path");
  Pump(300ms);
  label = SelectedTreeLabel(process().id(), tree);
  if (!label) return failed(L"tree_label");
  // A click on the label gives the tree the focus and keeps the selection; Space checks it.
  ClickAt(Centre(*label));
  Pump(std::chrono::milliseconds(GetDoubleClickTime() + 100));
  PressKey(VK_SPACE);
  if (!WaitUntil([&] { return SelectedTreeCheck(tree) == kCheckedImage; }, 10s)) return failed(L"check");
  if (WindowText(path) != folder) return failed(L"selection_kept");

  HWND ok = GetDlgItem(dialog, IDOK);
  if (!WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }, 10s)) return failed(L"ok_enabled");
  Shot(L"target_dialog");
  ClickAt(CentreOf(ok));
  // The page names the new targets once the dialog has gone.
  if (!WaitUntil([&] { return (!IsWindow(dialog) || !IsWindowVisible(dialog)) && WindowText(line) != lineBefore; },
                 20s))
    return failed(L"targets_line_changed");
  return true;
}

std::optional<RECT> TreeItemRect(DWORD processId, HWND tree, HTREEITEM item) {
  RemoteBlock remote(processId, sizeof(RECT));
  if (!remote.ok()) return std::nullopt;
  // The item's handle goes in through the rectangle's memory, the rectangle comes out there.
  remote.Write(&item, sizeof(item));
  if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, remote.param())) return std::nullopt;
  RECT rect{};
  remote.Read(&rect, sizeof(rect));
  return rect;
}

bool ListRowChecked(HWND list, int row) {
  // The state image of a ticked row is the second one.
  return ((SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

std::wstring WorkFolderPath() {
  wchar_t appData[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) return {};
  return std::wstring(appData) + L"\\Quellix\\QuellixWebSweep";
}

void ClearWorkFolder() {
  const std::wstring folder = WorkFolderPath();
  if (!folder.empty()) RemoveTree(folder);
}

void SeedEarlierModules() {
  const std::wstring folder = WorkFolderPath();
  std::wstring from = L"Z:" QWS_HOST_BUILD_DIR L"\\modules\\dev";
  for (wchar_t& c : from)
    if (c == L'/') c = L'\\';
  for (const std::wstring& level : {folder.substr(0, folder.rfind(L'\\')), folder, folder + L"\\Modules"})
    CreateDirectoryW(level.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW((from + L"\\*").c_str(), &found));
  if (!find) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    CopyFileW((from + L"\\" + found.cFileName).c_str(), (folder + L"\\Modules\\" + found.cFileName).c_str(), FALSE);
  } while (FindNextFileW(find.get(), &found));
}

std::string DiagnosticLog() {
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  return ReadFileBytes(std::wstring(temp) + L"log.txt");
}

std::optional<std::wstring> RunOnceData() {
  RegKey key;
  if (key.Open(HKEY_CURRENT_USER, kRunOnceKey, KEY_QUERY_VALUE) != ERROR_SUCCESS) return std::nullopt;
  return key.ReadString(kRestartValueName, 2048);
}

void RemoveRunOnceValue() {
  RegKey key;
  if (key.Open(HKEY_CURRENT_USER, kRunOnceKey, KEY_SET_VALUE) == ERROR_SUCCESS)
    (void)key.DeleteValue(kRestartValueName);
}

LRESULT CheckState(HWND control) { return SendMessageW(control, BM_GETCHECK, 0, 0); }

}  // namespace qws::test
