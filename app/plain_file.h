// A file handle with the small read/write/seek operations of the file readers; -1 on failure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/scoped_handle.h"

namespace qws {

class PlainFile {
 public:
  enum class Origin { Begin = FILE_BEGIN, Current = FILE_CURRENT, End = FILE_END };

  // An existing file, opened for reading; others may read, write and delete it meanwhile.
  int OpenForReading(const std::wstring& path);
  // A file created or truncated for writing.
  int Create(const std::wstring& path);
  void Close() { handle_.reset(); }
  bool is_open() const { return handle_.is_valid(); }

  // Bytes read (0 at the end) or written, -1 on failure.
  int64_t Read(void* buffer, uint32_t bytes);
  int64_t Write(const void* buffer, uint32_t bytes);
  // The new position, -1 on failure.
  int64_t Seek(int64_t offset, Origin origin);
  // Moves to `offset` from the start and ends the file there.
  int64_t SeekAndTruncate(int64_t offset);
  int64_t Size() const;

 private:
  ScopedHandle handle_;
};

}  // namespace qws
