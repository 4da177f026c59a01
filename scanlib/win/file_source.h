// A file or a volume read through its handle.
#pragma once

#include <windows.h>

#include "base/scoped_handle.h"
#include "scanlib/byte_source.h"

namespace qws::scan {

class FileSource final : public ByteSource {
 public:
  // Opens for reading while other programs keep reading, writing or deleting it.
  explicit FileSource(const std::wstring& path);
  bool is_open() const { return file_.is_valid(); }
  uint64_t size() const override { return size_; }
  size_t Read(uint64_t offset, char* buffer, size_t length) override;
  bool failed() const override { return failed_; }
  HANDLE handle() const { return file_.get(); }

 private:
  ScopedHandle file_;
  uint64_t size_ = 0;
  bool failed_ = false;
};

}  // namespace qws::scan
