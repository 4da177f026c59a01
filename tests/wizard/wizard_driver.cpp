#include "tests/wizard/wizard_driver.h"

#include <winsock2.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include "resources/resource_ids.h"
#include "tests/net/test_server.h"
#include "tests/ui/input_driver.h"

namespace qws::test {

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kCaption[] = L"Quellix WebSweep";
constexpr wchar_t kTargetDialogCaption[] = L"Selection of scan targets";
// The colour the settings page draws its links in, and the preset that clears the target tree.
constexpr COLORREF kLinkColour = 0xD29A2A;
constexpr int kNoSelectionPreset = 3;
// The tree's state image of a checked item.
constexpr UINT kCheckedStateImage = 2;

// The child inherits the environment: QWS_SERVER is set for the start and put back afterwards.
std::wstring StartWithServer(const std::wstring& server) {
  if (server.empty())
    SetEnvironmentVariableW(L"QWS_SERVER", nullptr);
  else
    SetEnvironmentVariableW(L"QWS_SERVER", server.c_str());
  return server;
}

// Where a window shows pixels of `colour` (client coordinates); empty when it shows none.
std::optional<RECT> PixelsOfColour(HWND window, COLORREF colour) {
  RECT client{};
  GetClientRect(window, &client);
  const int width = client.right, height = client.bottom;
  if (width <= 0 || height <= 0) return std::nullopt;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  ScopedBitmap copy(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, copy.get());
  const POINT origin = ScreenPoint(window, 0, 0);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!bits) return std::nullopt;
  std::optional<RECT> found;
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[y * width + x];  // 0x00RRGGBB
      if (!Near(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF), colour, 24)) continue;
      if (!found) found = RECT{x, y, x + 1, y + 1};
      found->left = std::min<LONG>(found->left, x);
      found->top = std::min<LONG>(found->top, y);
      found->right = std::max<LONG>(found->right, x + 1);
      found->bottom = std::max<LONG>(found->bottom, y + 1);
    }
  }
  return found;
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
    Pump(std::chrono::milliseconds(30));
  }
}

std::wstring WorkFolderPath() {
  wchar_t appData[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) return {};
  return std::wstring(appData) + L"\\Quellix\\QuellixWebSweep";
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

Wizard::Wizard(const std::wstring& server, const std::wstring& arguments)
    : process_((StartWithServer(server), ProgramPath()), arguments) {}

HWND Wizard::window() {
  if (window_ && IsWindow(window_)) return window_;
  const auto windows = TopLevelWindows(process_.id(), kCaption);
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

std::wstring Wizard::Text(int id) {
  HWND control = Control(id);
  return control ? WindowText(control) : std::wstring();
}

bool Wizard::WaitForText(int id, const std::wstring& text, std::chrono::milliseconds timeout) {
  return WaitUntil([&] { return Text(id) == text; }, timeout);
}

bool Wizard::ClickCloseButton() {
  HWND main = window();
  HWND close = main ? GetDlgItem(main, IDC_CLOSE_BUTTON) : nullptr;
  if (!close || !IsWindowVisible(close)) return false;
  ClickAt(CentreOf(close));
  Pump();
  return true;
}

bool Wizard::AcceptTermsAndChooseSettings() {
  if (!WaitForPage(L"Terms of use")) return false;
  Shot(L"terms");
  if (!ClickControl(IDC_TERMS_ACCEPT) || !WaitForPage(L"Computer scan settings")) return false;
  // Scan waits for one of the two radios.
  if (!ClickControl(IDC_SETTINGS_UNWANTED_OFF)) return false;
  return WaitUntil([&] { return CheckState(Control(IDC_SETTINGS_UNWANTED_OFF)) == BST_CHECKED; }, 10s);
}

bool Wizard::ChooseScanTarget(const std::wstring& folder) {
  HWND line = Control(IDC_SETTINGS_TARGETS);
  if (!line) return false;
  // The targets line is part of the advanced section, which unfolds in steps.
  if (!IsWindowVisible(line) && !ClickControl(IDC_SETTINGS_ADVANCED)) {
    Shot(L"no_advanced_link");
    return false;
  }
  RECT last{};
  if (!WaitUntil([&] {
        RECT now{};
        GetWindowRect(line, &now);
        const bool settled = IsWindowVisible(line) && EqualRect(&now, &last);
        last = now;
        Pump(std::chrono::milliseconds(300));
        return settled;
      }, 20s)) {
    Shot(L"advanced_not_unfolded");
    return false;
  }
  // "Change..." is the line's one link.
  std::optional<RECT> link;
  if (!WaitUntil([&] { return (link = PixelsOfColour(line, kLinkColour)).has_value(); }, 10s)) {
    Shot(L"no_change_link");
    return false;
  }
  ClickAt(ScreenPoint(line, (link->left + link->right) / 2, (link->top + link->bottom) / 2));

  HWND dialog = nullptr;
  if (!WaitUntil([&] {
        const auto found = TopLevelWindows(process_.id(), kTargetDialogCaption);
        dialog = found.empty() ? nullptr : found.front();
        return dialog != nullptr;
      }, 30s)) {
    Shot(L"no_target_dialog");
    return false;
  }
  SetForegroundWindow(dialog);
  Pump(300ms);

  HWND presets = GetDlgItem(dialog, IDC_TARGET_PRESETS);
  ClickAt(CentreOf(presets));
  Pump(300ms);
  PressKey(VK_HOME);
  for (int i = 0; i < kNoSelectionPreset; ++i) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  if (!WaitUntil([&] { return SendMessageW(presets, CB_GETCURSEL, 0, 0) == kNoSelectionPreset; }, 5s)) {
    Shot(L"no_preset");
    return false;
  }

  // The typed path selects the folder in the tree; Space on the tree checks it.
  HWND path = GetDlgItem(dialog, IDC_TARGET_PATH);
  ClickAt(CentreOf(path));
  Pump();
  SendMessageW(path, EM_SETSEL, 0, -1);
  TypeText(folder);
  Pump(300ms);
  HWND tree = GetDlgItem(dialog, IDC_TARGET_TREE);
  PressKeyWith(VK_SHIFT, VK_TAB);
  Pump();
  PressKey(VK_SPACE);
  const auto selectedChecked = [&] {
    const auto item = reinterpret_cast<WPARAM>(
        reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
    if (!item) return false;
    const UINT state = static_cast<UINT>(SendMessageW(tree, TVM_GETITEMSTATE, item, TVIS_STATEIMAGEMASK));
    return (state & TVIS_STATEIMAGEMASK) >> 12 == kCheckedStateImage;
  };
  if (!WaitUntil(selectedChecked, 5s)) {
    Shot(L"target_not_checked");
    return false;
  }
  Shot(L"target_dialog");
  ClickAt(CentreOf(GetDlgItem(dialog, IDOK)));
  return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10s);
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

int ListRowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ListCellText(DWORD processId, HWND list, int row, int column) {
  ScopedHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
  if (!process) return L"(no access)";
  constexpr size_t kChars = 1100;
  const size_t bytes = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
  auto* remote = static_cast<char*>(VirtualAllocEx(process.get(), nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
  if (!remote) return L"(no memory)";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
  item.cchTextMax = kChars;
  WriteProcessMemory(process.get(), remote, &item, sizeof(item), nullptr);
  const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
  std::wstring text(kChars, L'\0');
  ReadProcessMemory(process.get(), remote + sizeof(LVITEMW), text.data(), kChars * sizeof(wchar_t), nullptr);
  VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  text.resize(static_cast<size_t>(length < 0 ? 0 : length));
  return text;
}

LRESULT CheckState(HWND control) { return SendMessageW(control, BM_GETCHECK, 0, 0); }

}  // namespace qws::test
