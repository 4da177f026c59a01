#include "app/plain_file.h"

namespace qws {

int PlainFile::OpenForReading(const std::wstring& path) {
  handle_.reset(CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle_ ? 0 : -1;
}

int PlainFile::Create(const std::wstring& path) {
  handle_.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle_ ? 0 : -1;
}

int64_t PlainFile::Read(void* buffer, uint32_t bytes) {
  DWORD done = 0;
  if (!handle_ || !ReadFile(handle_.get(), buffer, bytes, &done, nullptr)) return -1;
  return done;
}

int64_t PlainFile::Write(const void* buffer, uint32_t bytes) {
  DWORD done = 0;
  if (!handle_ || !WriteFile(handle_.get(), buffer, bytes, &done, nullptr)) return -1;
  return done;
}

int64_t PlainFile::Seek(int64_t offset, Origin origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position{};
  if (!handle_ ||
      !SetFilePointerEx(handle_.get(), distance, &position, static_cast<DWORD>(origin))) {
    return -1;
  }
  return position.QuadPart;
}

int64_t PlainFile::SeekAndTruncate(int64_t offset) {
  const int64_t position = Seek(offset, Origin::Begin);
  if (position < 0 || !SetEndOfFile(handle_.get())) return -1;
  return position;
}

int64_t PlainFile::Size() const {
  LARGE_INTEGER size{};
  if (!handle_ || !GetFileSizeEx(handle_.get(), &size)) return -1;
  return size.QuadPart;
}

}  // namespace qws
