#include "app/directory_listing.h"

namespace qws {

DirectoryListing::DirectoryListing(const std::wstring& pattern) {
  find_.reset(FindFirstFileW(pattern.c_str(), &data_));
  pending_ = find_.is_valid();
  if (!pending_) openError_ = GetLastError();
}

bool DirectoryListing::Next(DirectoryEntry& entry) {
  if (!pending_) return false;
  data_.cFileName[MAX_PATH - 1] = L'\0';
  entry.name = data_.cFileName;
  entry.size = (static_cast<uint64_t>(data_.nFileSizeHigh) << 32) | data_.nFileSizeLow;
  entry.creationTime = data_.ftCreationTime;
  entry.lastWriteTime = data_.ftLastWriteTime;
  entry.attributes = data_.dwFileAttributes;
  pending_ = FindNextFileW(find_.get(), &data_) != FALSE;
  return true;
}

}  // namespace qws
