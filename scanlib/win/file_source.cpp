#include "scanlib/win/file_source.h"

#include <algorithm>

namespace qws::scan {

FileSource::FileSource(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
  LARGE_INTEGER size{};
  if (file_.is_valid() && GetFileSizeEx(file_.get(), &size)) size_ = static_cast<uint64_t>(size.QuadPart);
}

size_t FileSource::Read(uint64_t offset, char* buffer, size_t length) {
  if (!file_.is_valid() || offset >= size_) return 0;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<uint64_t>({length, size_ - offset, 1u << 30}));
  if (!ReadFile(file_.get(), buffer, want, &got, &at)) {
    failed_ = true;
    return 0;
  }
  return got;
}

}  // namespace qws::scan
