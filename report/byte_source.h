// Where the fingerprints read a file's content from: real files on Windows, buffers in tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace qws {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::optional<uint64_t> Size() = 0;
  virtual bool SeekTo(uint64_t offset) = 0;
  // Bytes read (0 at the end), -1 on failure.
  virtual int64_t Read(void* buffer, uint32_t bytes) = 0;
};

// A buffer as a file. Reads from `failFrom` on fail, as a locked region of a file does.
class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes, uint64_t failFrom = UINT64_MAX)
      : bytes_(bytes), failFrom_(failFrom) {}
  std::optional<uint64_t> Size() override { return bytes_.size(); }
  bool SeekTo(uint64_t offset) override {
    if (offset > bytes_.size()) return false;
    position_ = offset;
    return true;
  }
  int64_t Read(void* buffer, uint32_t bytes) override {
    if (position_ >= failFrom_) return -1;
    const uint64_t available = bytes_.size() - position_;
    const uint64_t count = bytes < available ? bytes : available;
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(count));
    position_ += count;
    return static_cast<int64_t>(count);
  }

 private:
  std::string_view bytes_;
  uint64_t failFrom_;
  uint64_t position_ = 0;
};

}  // namespace qws
