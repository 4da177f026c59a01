#include "tests/wizard/wizard_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "resources/resource_ids.h"
#include "tests/net/test_server.h"
#include "tests/ui/input_driver.h"

namespace qws::test {

namespace {

constexpr wchar_t kCaption[] = L"Quellix WebSweep";

// The child inherits the environment: QWS_SERVER is set for the start and put back afterwards.
std::wstring StartWithServer(const std::wstring& server) {
  if (server.empty())
    SetEnvironmentVariableW(L"QWS_SERVER", nullptr);
  else
    SetEnvironmentVariableW(L"QWS_SERVER", server.c_str());
  return server;
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

RECT ToScreen(HWND window, RECT rect) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

POINT Centre(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// The label of the tree's selected item, in screen coordinates.
std::optional<RECT> SelectedTreeLabel(DWORD processId, HWND tree) {
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return std::nullopt;
  RemoteBlock remote(processId, sizeof(RECT));
  RECT rect{};
  std::memcpy(&rect, &item, sizeof(item));  // the message takes the item in the rectangle
  if (!remote.ok() || !remote.Write(&rect, sizeof(rect)) ||
      !SendMessageW(tree, TVM_GETITEMRECT, TRUE, remote.param()) || !remote.Read(&rect, sizeof(rect)))
    return std::nullopt;
  return ToScreen(tree, rect);
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

Wizard::Wizard(const std::wstring& server, const std::wstring& arguments, const std::wstring& program)
    : process_((StartWithServer(server), program.empty() ? ProgramPath() : program), arguments) {}

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
  RECT rect{};
  if (!GetWindowRect(control, &rect)) return false;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  // One copy of the control's pixels: reading the screen pixel by pixel is slow under Wine.
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  int left = width, right = -1, top = height, bottom = -1;
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; pixels && y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[y * width + x];  // 0x00RRGGBB
      if (!Near(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF), linkColour, 24)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (right < 0) return false;
  ClickAt({rect.left + (left + right) / 2, rect.top + (top + bottom) / 2});
  Pump();
  return true;
}

void TypeText(const std::wstring& text) {
  for (wchar_t c : text) {
    INPUT input[2] = {};
    for (int i = 0; i < 2; ++i) {
      input[i].type = INPUT_KEYBOARD;
      input[i].ki.wScan = c;
      input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, input, sizeof(INPUT));
    Pump(std::chrono::milliseconds(20));
  }
  Pump();
}

HWND Wizard::WaitForOwnWindow(const std::wstring& caption, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil([&] {
    const auto windows = TopLevelWindows(process().id(), caption);
    found = windows.empty() ? nullptr : windows.front();
    return found != nullptr;
  }, timeout);
  return found;
}

bool Wizard::ChooseTargetFolder(const std::wstring& folder) {
  using namespace std::chrono_literals;
  constexpr int kNoSelectionEntry = 3;  // "Removable media|Local drives|Network drives|No selection"
  constexpr int kCheckedImage = 2;
  HWND line = Control(IDC_SETTINGS_TARGETS);
  if (!line) return false;
  // The targets line belongs to the advanced section, which opens row by row.
  if (!IsWindowVisible(line) && !ClickControl(IDC_SETTINGS_ADVANCED)) return false;
  // The proxy row is the section's last.
  HWND proxy = Control(IDC_SETTINGS_PROXY);
  if (!WaitUntil([&] { return IsWindowVisible(line) && proxy && IsWindowVisible(proxy); }, 5s)) return false;
  const std::wstring lineBefore = WindowText(line);
  if (!ClickLinkOf(line)) return false;
  HWND dialog = WaitForOwnWindow(L"Selection of scan targets");
  if (!dialog) return false;
  SetForegroundWindow(dialog);
  Pump(200ms);

  HWND presets = GetDlgItem(dialog, IDC_TARGET_PRESETS);
  ClickAt(CentreOf(presets));
  Pump(200ms);
  PressKey(VK_HOME);
  for (int i = 0; i < kNoSelectionEntry; ++i) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  if (!WaitUntil([&] { return SendMessageW(presets, CB_GETCURSEL, 0, 0) == kNoSelectionEntry; }, 5s))
    return false;

  HWND path = GetDlgItem(dialog, IDC_TARGET_PATH);
  ClickAt(CentreOf(path));
  SendMessageW(path, EM_SETSEL, 0, -1);
  TypeText(folder);
  if (!WaitUntil([&] { return WindowText(path) == folder; }, 5s)) return false;

  // Typing selects the folder in the tree without checking it; Space on the tree checks it.
  HWND tree = GetDlgItem(dialog, IDC_TARGET_TREE);
  const auto label = SelectedTreeLabel(process().id(), tree);
  if (!label) return false;
  ClickAt(Centre(*label));
  Pump(std::chrono::milliseconds(GetDoubleClickTime() + 100));
  PressKey(VK_SPACE);
  if (!WaitUntil([&] { return SelectedTreeCheck(tree) == kCheckedImage; }, 5s)) return false;
  if (WindowText(path) != folder) return false;  // the click kept the typed folder selected

  HWND ok = GetDlgItem(dialog, IDOK);
  if (!IsWindowEnabled(ok)) return false;
  ClickAt(CentreOf(ok));
  // The page names the new targets once the dialog has gone.
  return WaitUntil([&] { return (!IsWindow(dialog) || !IsWindowVisible(dialog)) && WindowText(line) != lineBefore; },
                   10s);
}

LRESULT CheckState(HWND control) { return SendMessageW(control, BM_GETCHECK, 0, 0); }

}  // namespace qws::test
