#include "tests/support/win_test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <cstring>
#include <thread>

namespace qws::test {

std::wstring BinFolder() {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

TempFolder::TempFolder() {
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  // Process ids come back across runs: the tick count keeps a leftover of an earlier run apart.
  path_ = std::wstring(temp) + L"qws-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter);
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::string ReadFileBytes(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file.is_valid()) << "cannot create the fixture file";
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring CurrentDirectory() {
  wchar_t path[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, path);
  return path;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(child);
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderLink(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

namespace {

// Runs a Unix program on Wine's side with the Unix names of the given paths as its arguments.
bool RunUnixTool(const wchar_t* tool, const std::wstring& options, const std::vector<std::wstring>& paths) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!unixName) return false;
  std::wstring command = std::wstring(tool) + L" " + options;
  for (const std::wstring& path : paths) {
    char* name = unixName(path.c_str());
    if (!name) return false;
    command += L" \"" + std::wstring(name, name + strlen(name)) + L"\"";
    HeapFree(GetProcessHeap(), 0, name);
  }
  const std::wstring program = L"Z:" + std::wstring(tool);
  std::wstring windowsProgram = program;
  for (wchar_t& c : windowsProgram)
    if (c == L'/') c = L'\\';
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(windowsProgram.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  WaitForSingleObject(info.hProcess, 10000);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return true;
}

}  // namespace

void RemoveFolderLink(const std::wstring& link) {
  if (RunUnixTool(L"/bin/rm", L"-f", {link})) {
    WaitUntil([&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; }, std::chrono::seconds(5));
  } else {
    RemoveDirectoryW(link.c_str());
  }
}

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  if (!RunUnixTool(L"/bin/ln", L"-s", {target, link}))
    CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  // The handle of a Unix process may be signalled before it has run: wait for the link itself.
  return WaitUntil(
      [&] {
        const DWORD attributes = GetFileAttributesW(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
      },
      std::chrono::seconds(5));
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}

Process::Process(const std::wstring& program, const std::wstring& arguments,
                 const std::wstring& folder) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    id_ = info.dwProcessId;
  }
}

Process::Process(DWORD processId)
    : process_(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                           processId)),
      id_(processId) {}

std::wstring Process::ImagePath() const {
  if (!process_) return {};
  wchar_t path[MAX_PATH * 2] = L"";
  DWORD length = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process_.get(), 0, path, &length)) return {};
  return std::wstring(path, length);
}

Process::~Process() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
}

std::optional<DWORD> Process::WaitForExit(std::chrono::milliseconds timeout) {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

namespace {

struct WindowQuery {
  DWORD processId;  // 0: any process
  std::wstring caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* query = reinterpret_cast<WindowQuery*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if ((query->processId == 0 || owner == query->processId) && IsWindowVisible(window) &&
      WindowText(window) == query->caption) {
    query->found.push_back(window);
  }
  return TRUE;
}

struct ChildQuery {
  std::wstring text;
  HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND window, LPARAM context) {
  auto* query = reinterpret_cast<ChildQuery*>(context);
  if (IsWindowVisible(window) && WindowText(window) == query->text) {
    query->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const std::wstring& caption) {
  WindowQuery query{processId, caption, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

std::vector<HWND> TopLevelWindowsWithCaption(const std::wstring& caption) {
  return TopLevelWindows(0, caption);
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = L"";
  // WM_GETTEXT works across processes for standard controls.
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return text;
}

HWND FindVisibleChildWithText(HWND parent, const std::wstring& text) {
  ChildQuery query{text};
  EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

void Click(HWND button) {
  PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

std::wstring SaveScreenshot(const std::wstring& name) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);

  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  const DWORD imageBytes = stride * height;
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  header.bfSize = header.bfOffBits + imageBytes;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof(header));
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
  bytes.append(static_cast<const char*>(bits), imageBytes);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  const std::wstring folder = BinFolder() + L"\\..\\test-output";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\" + name + L".bmp";
  WriteFileBytes(path, bytes);
  return path;
}

HWND VisiblePage(HWND mainWindow) {
  for (HWND child = GetWindow(mainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = L"";
    GetClassNameW(child, name, 16);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(child)) return child;
  }
  return nullptr;
}

std::wstring ProgramPath() { return BinFolder() + L"\\QuellixWebSweep.exe"; }

HWND WaitForMainWindow(DWORD processId, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil([&] {
    const auto windows = TopLevelWindows(processId, L"Quellix WebSweep");
    found = windows.empty() ? nullptr : windows.front();
    return found != nullptr;
  }, timeout);
  return found;
}

}  // namespace qws::test
