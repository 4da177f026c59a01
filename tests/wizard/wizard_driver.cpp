#include "tests/wizard/wizard_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tests/net/test_server.h"
#include "tests/ui/input_driver.h"

namespace qws::test {

namespace {

constexpr wchar_t kCaption[] = L"Quellix WebSweep";
// The colour links are drawn in.
constexpr COLORREF kLinkColour = 0xD29A2A;

// Memory in another process for the messages whose answer comes through a pointer; Wine does
// not carry common control messages across processes.
class RemoteBuffer {
 public:
  RemoteBuffer(DWORD processId, size_t bytes)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)),
        bytes_(bytes) {
    if (process_) address_ = VirtualAllocEx(process_.get(), nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool valid() const { return address_ != nullptr; }
  LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }
  void Write(const void* data, size_t size, size_t offset = 0) {
    if (address_ && offset + size <= bytes_)
      WriteProcessMemory(process_.get(), static_cast<char*>(address_) + offset, data, size, nullptr);
  }
  void Read(void* data, size_t size, size_t offset = 0) {
    if (address_ && offset + size <= bytes_)
      ReadProcessMemory(process_.get(), static_cast<char*>(address_) + offset, data, size, nullptr);
  }

 private:
  ScopedHandle process_;
  size_t bytes_;
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

// The child inherits the environment: QWS_SERVER is set for the start, and with a temporary-files
// folder of its own so are TMP and TEMP, which the constructor puts back once the child runs.
std::wstring PrepareStart(const std::wstring& server, const std::wstring& temp,
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
  return ProgramPath();
}

}  // namespace

std::wstring FixtureServer(const std::wstring& name) {
  const unsigned port = TestServerPort(name);
  return port ? L"127.0.0.1:" + std::to_wstring(port) : std::wstring();
}

Wizard::Wizard(const std::wstring& server, const std::wstring& arguments, const std::wstring& temp)
    : process_(PrepareStart(server, temp, savedVariables_), arguments) {
  for (const auto& [name, value] : savedVariables_)
    SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
}

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

bool Wizard::WaitForPage(const std::wstring& title, int id, std::chrono::milliseconds timeout) {
  return WaitUntil(
      [&] {
        HWND control = Control(id);
        return PageTitle() == title && control && IsWindowVisible(control);
      },
      timeout);
}

HWND Wizard::Control(int id) {
  HWND page = Page();
  return page ? GetDlgItem(page, id) : nullptr;
}

std::wstring Wizard::ControlText(int id) {
  HWND control = Control(id);
  return control ? WindowText(control) : std::wstring();
}

bool Wizard::ClickControl(int id) {
  HWND control = Control(id);
  if (!control || !IsWindowVisible(control)) return false;
  ClickAt(CentreOf(control));
  Pump();
  return true;
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
  if (!control || !IsWindowVisible(control)) return false;
  int width = 0, height = 0;
  const std::vector<uint32_t> pixels = CaptureWindow(control, width, height);
  // The link's letters are smoothed at their edges: their cores are near the link colour.
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      const COLORREF asColour = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
      if (!Near(asColour, kLinkColour, 24)) continue;
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

bool Wizard::ClickRowCheckBox(int listId, int row) {
  HWND list = Control(listId);
  if (!list || row >= ListRowCount(list)) return false;
  RemoteBuffer remote(process_.id(), sizeof(LVHITTESTINFO) + sizeof(RECT));
  if (!remote.valid()) return false;
  SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  remote.Write(&bounds, sizeof(bounds));
  if (!SendMessageW(list, LVM_GETITEMRECT, row, remote.address())) return false;
  remote.Read(&bounds, sizeof(bounds));
  const int y = (bounds.top + bounds.bottom) / 2;
  for (int x = bounds.left; x < bounds.left + 40; ++x) {
    LVHITTESTINFO hit{};
    hit.pt = {x, y};
    remote.Write(&hit, sizeof(hit));
    const LRESULT found = SendMessageW(list, LVM_SUBITEMHITTEST, 0, remote.address());
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
        const auto windows = TopLevelWindows(process_.id(), caption);
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
  RemoteBuffer remote(processId, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.valid()) return L"(no access)";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote.address() + sizeof(LVITEMW));
  item.cchTextMax = kChars;
  remote.Write(&item, sizeof(item));
  const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, row, remote.address());
  std::wstring text(kChars, L'\0');
  remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVITEMW));
  text.resize(static_cast<size_t>(length < 0 ? 0 : length));
  return text;
}

std::optional<RECT> TreeItemRect(DWORD processId, HWND tree, HTREEITEM item) {
  RemoteBuffer remote(processId, sizeof(RECT));
  if (!remote.valid()) return std::nullopt;
  // The item's handle goes in through the rectangle's memory, the rectangle comes out there.
  remote.Write(&item, sizeof(item));
  if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, remote.address())) return std::nullopt;
  RECT rect{};
  remote.Read(&rect, sizeof(rect));
  return rect;
}

bool ListRowChecked(HWND list, int row) {
  // The state image of a ticked row is the second one.
  return ((SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

LRESULT CheckState(HWND control) { return SendMessageW(control, BM_GETCHECK, 0, 0); }

}  // namespace qws::test
