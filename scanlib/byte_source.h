// Random access to the bytes of a scanned object: a file, a volume's first sector, an archive
// member held in memory.
#pragma once

#include <cstdint>
#include <string>

namespace qws::scan {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads up to `length` bytes at `offset`; the count read (0 at the end or on an error).
  virtual size_t Read(uint64_t offset, char* buffer, size_t length) = 0;
  // True once a read has failed for another reason than the end.
  virtual bool failed() const { return false; }
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  uint64_t size() const override { return bytes_.size(); }
  size_t Read(uint64_t offset, char* buffer, size_t length) override;

 private:
  std::string bytes_;
};

// Reads exactly `length` bytes; false when fewer were there.
bool ReadExact(ByteSource& source, uint64_t offset, char* buffer, size_t length);

}  // namespace qws::scan
