#include "tests/wizard/wizard_driver.h"

#include <commctrl.h>

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

}  // namespace

std::wstring FixtureServer(const std::wstring& name) {
  const unsigned port = TestServerPort(name);
  return port ? L"127.0.0.1:" + std::to_wstring(port) : std::wstring();
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
