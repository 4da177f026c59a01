// Iterates over the entries of FindFirstFileW / FindNextFileW.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/scoped_handle.h"

namespace qws {

struct DirectoryEntry {
  std::wstring name;  // cut at 259 characters
  uint64_t size = 0;
  FILETIME creationTime{};
  FILETIME lastWriteTime{};
  DWORD attributes = 0;

  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool IsDotEntry() const { return name == L"." || name == L".."; }
};

class DirectoryListing {
 public:
  // `pattern` is a folder followed by a wildcard, as FindFirstFileW takes it.
  explicit DirectoryListing(const std::wstring& pattern);

  bool Next(DirectoryEntry& entry);
  DWORD OpenError() const { return openError_; }

 private:
  ScopedFindHandle find_;
  WIN32_FIND_DATAW data_{};
  bool pending_ = false;
  DWORD openError_ = ERROR_SUCCESS;
};

}  // namespace qws
