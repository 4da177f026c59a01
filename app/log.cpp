#include "app/log.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "base/scoped_handle.h"

namespace qws {

namespace {

std::mutex g_folderLock;
// Entries from the engine threads would otherwise meet the main thread's open file and be lost.
std::mutex g_writeLock;
std::wstring g_folder = L".";

std::string ToAnsi(std::wstring_view text) {
  if (text.empty()) return {};
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes,
                      nullptr, nullptr);
  return out;
}

}  // namespace

void SetLogFolder(std::wstring folder) {
  std::lock_guard<std::mutex> lock(g_folderLock);
  g_folder = std::move(folder);
}

std::wstring LogFolder() {
  std::lock_guard<std::mutex> lock(g_folderLock);
  return g_folder;
}

std::wstring LogFilePath() { return LogFolder() + L"\\log.txt"; }

void WriteLog(std::wstring_view message) {
  wchar_t time[32] = L"";
  GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_FORCE24HOURFORMAT, nullptr, L"hh:mm:ss", time, 32);

  std::string entry = ToAnsi(time);
  entry.push_back(' ');
  std::string text = ToAnsi(message);
  if (text.size() > kLogMessageMaxBytes) text.resize(kLogMessageMaxBytes);
  entry += text;

  std::lock_guard<std::mutex> lock(g_writeLock);
  ScopedHandle file(CreateFileW(LogFilePath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH,
                                nullptr));
  if (!file) return;
  SetFilePointer(file.get(), 0, nullptr, FILE_END);
  DWORD written = 0;
  WriteFile(file.get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

}  // namespace qws
