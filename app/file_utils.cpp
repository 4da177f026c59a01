#include "app/file_utils.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "app/directory_listing.h"
#include "base/scoped_handle.h"

namespace qws {

namespace {

std::wstring WithBackslash(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder.push_back(L'\\');
  return folder;
}

std::string ToAnsi(const wchar_t* text) {
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<size_t>(bytes) - 1);
  return out;
}

bool CopySecurity(const std::wstring& source, const std::wstring& target) {
  SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                              DACL_SECURITY_INFORMATION | SACL_SECURITY_INFORMATION;
  DWORD needed = 0;
  GetFileSecurityW(source.c_str(), what, nullptr, 0, &needed);
  if (GetLastError() == ERROR_PRIVILEGE_NOT_HELD) {
    // The audit list is readable only with the security privilege; without it there is
    // nothing of it that this process could carry over.
    what &= ~SACL_SECURITY_INFORMATION;
    GetFileSecurityW(source.c_str(), what, nullptr, 0, &needed);
  }
  if (needed == 0) return false;
  std::vector<BYTE> descriptor(needed);
  if (!GetFileSecurityW(source.c_str(), what, descriptor.data(), needed, &needed)) return false;
  return SetFileSecurityW(target.c_str(), what, descriptor.data()) != FALSE;
}

std::wstring WithoutTrailingBackslashes(std::wstring path) {
  // A drive root keeps its backslash: without it the path would name the drive's current directory.
  while (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') path.pop_back();
  return path;
}

// The attributes of the entry itself: with a trailing backslash the system looks through a link.
bool IsFolderLink(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(WithoutTrailingBackslashes(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A folder link is removed as a folder on Windows and as a file where the link is a Unix one.
void RemoveFolderLink(const std::wstring& link) {
  if (!RemoveDirectoryW(link.c_str())) DeleteFileW(link.c_str());
}

}  // namespace

std::wstring ErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  const size_t lineEnd = text.find(L"\r\n");
  if (lineEnd != std::wstring::npos) text.resize(lineEnd);
  if (text.empty()) {
    wchar_t fallback[64];
    swprintf(fallback, 64, L"Error %d ($%x)", static_cast<int>(code), static_cast<unsigned>(code));
    text = fallback;
  }
  return text;
}

std::wstring LastErrorText() { return ErrorText(GetLastError()); }

std::string GetFileVersionText(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return "Unknown";
  std::vector<BYTE> info(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return "Unknown";

  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation)) {
    return "Unknown";
  }
  wchar_t query[64];
  swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", translations[0].language,
           translations[0].codePage);
  wchar_t* version = nullptr;
  if (!VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&version), &length) ||
      length == 0 || version == nullptr) {
    return "Unknown";
  }
  return ToAnsi(std::wstring(version, wcsnlen(version, length)).c_str());
}

void RecursiveRemoveDirectoryAndAllFiles(bool removeFolders,
                                         const std::vector<std::wstring>* keepNames,
                                         std::wstring folder) {
  // Entering a linked folder would empty whatever it leads to, outside the tree it was named in.
  if (IsFolderLink(folder)) {
    if (removeFolders) RemoveFolderLink(WithoutTrailingBackslashes(folder));
    return;
  }
  if (!SetCurrentDirectoryW(folder.c_str())) return;
  folder = WithBackslash(std::move(folder));

  std::vector<std::wstring> files;
  std::vector<std::wstring> folders;
  std::vector<std::wstring> links;
  DirectoryListing listing(folder + L"*.*");
  DirectoryEntry entry;
  while (listing.Next(entry)) {
    if (!entry.IsFolder()) {
      files.push_back(entry.name);
    } else if (!entry.IsDotEntry() && removeFolders) {
      const bool kept = keepNames && std::find(keepNames->begin(), keepNames->end(),
                                               entry.name) != keepNames->end();
      if (kept) continue;
      // A junction or folder link leads out of the tree: remove the link, not its target.
      if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) links.push_back(entry.name);
      else folders.push_back(entry.name);
    }
  }

  for (const auto& name : files) DeleteFileW((folder + name).c_str());
  for (const auto& name : links) RemoveFolderLink(folder + name);
  for (const auto& name : folders)
    RecursiveRemoveDirectoryAndAllFiles(true, keepNames, folder + name + L"\\");

  SetCurrentDirectoryW(L"..");
  if (removeFolders) RemoveDirectoryW(folder.c_str());
}

int CreateDirectoryPath(const std::wstring& path) {
  std::wstring folder = path;
  while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
  if (folder.empty()) return -1;
  if (CreateDirectoryW(folder.c_str(), nullptr)) return 0;
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) return 0;
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return -1;

  const size_t slash = folder.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash == 0) return -1;
  if (CreateDirectoryPath(folder.substr(0, slash)) != 0) return -1;
  if (CreateDirectoryW(folder.c_str(), nullptr)) return 0;
  return GetLastError() == ERROR_ALREADY_EXISTS ? 0 : -1;
}

uint64_t GetFreeDiskSpace(const std::wstring& folder) {
  ULARGE_INTEGER available{};
  if (GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return available.QuadPart;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  const std::wstring root = WithBackslash(folder.substr(0, std::min<size_t>(folder.size(), 2)));
  if (GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                        &clusters)) {
    return static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
  }
  return ~uint64_t{0};
}

void DeleteFileInFolder(const std::wstring& folder, const std::wstring& name) {
  const std::wstring path = folder + name;
  if (path.size() > kMaxPathChars) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

bool FileIsAccessible(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return true;
  const DWORD error = GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

bool CopyDirectoryTree(const std::wstring& source, const std::wstring& target, bool copySecurity,
                       const CopyFilter& folderFilter, const CopyFilter& fileFilter,
                       void* context) {
  if (source.size() > kMaxPathChars || target.size() > kMaxPathChars) return false;
  if (!CreateDirectoryW(target.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return false;

  const std::wstring from = WithBackslash(source);
  const std::wstring to = WithBackslash(target);
  DirectoryListing listing(from + L"*");
  if (listing.OpenError() != ERROR_SUCCESS) return false;

  bool ok = true;
  DirectoryEntry entry;
  while (listing.Next(entry)) {
    if (entry.IsDotEntry()) continue;
    const std::wstring sourcePath = from + entry.name;
    const std::wstring targetPath = to + entry.name;
    if (entry.IsFolder()) {
      if (folderFilter && !folderFilter(sourcePath, context)) continue;
      ok = CopyDirectoryTree(sourcePath, targetPath, copySecurity, folderFilter, fileFilter,
                             context) && ok;
      continue;
    }
    if (fileFilter && !fileFilter(sourcePath, context)) continue;
    if (sourcePath.size() > kMaxPathChars || targetPath.size() > kMaxPathChars ||
        !CopyFileW(sourcePath.c_str(), targetPath.c_str(), FALSE)) {
      ok = false;
      continue;
    }
    if (copySecurity && !CopySecurity(sourcePath, targetPath)) ok = false;
  }
  return ok;
}

}  // namespace qws
