// File, folder and system helpers shared by the whole program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qws {

// The system's text for the thread's last error, cut before its first line end;
// "Error %d ($%x)" when the system has none.
std::wstring LastErrorText();
std::wstring ErrorText(DWORD code);

// The "FileVersion" string of a file's version resource, or "Unknown".
std::string GetFileVersionText(const std::wstring& path);

// Deletes the plain files in `folder` and, with removeFolders, every subfolder not named in
// keepNames together with `folder` itself. Works through the current directory and leaves it at
// the parent of `folder`; a folder that cannot be entered is left alone, the current directory
// unchanged. Linked folders, `folder` itself included, are unlinked (with removeFolders), never
// entered.
void RecursiveRemoveDirectoryAndAllFiles(bool removeFolders, const std::vector<std::wstring>* keepNames,
                                         std::wstring folder);

// 0 when the folder exists afterwards, -1 otherwise.
int CreateDirectoryPath(const std::wstring& path);

// Bytes available to the caller on the folder's volume; all bits set when unknown.
uint64_t GetFreeDiskSpace(const std::wstring& folder);

// Resets the attributes of folder + name (name begins with '\') and deletes it.
void DeleteFileInFolder(const std::wstring& folder, const std::wstring& name);

// The file can be opened for reading, or exists but is locked.
bool FileIsAccessible(const std::wstring& path);

using CopyFilter = std::function<bool(const std::wstring& path, void* context)>;
// Copies a folder tree; true only when every copy (and security transfer) succeeded.
bool CopyDirectoryTree(const std::wstring& source, const std::wstring& target, bool copySecurity,
                       const CopyFilter& folderFilter, const CopyFilter& fileFilter, void* context);

// Longest path the folder helpers accept, in characters.
inline constexpr size_t kMaxPathChars = 259;

}  // namespace qws
