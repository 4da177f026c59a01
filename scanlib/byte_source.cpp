#include "scanlib/byte_source.h"

#include <algorithm>
#include <cstring>

namespace qws::scan {

size_t MemorySource::Read(uint64_t offset, char* buffer, size_t length) {
  if (offset >= bytes_.size()) return 0;
  const size_t count = static_cast<size_t>(std::min<uint64_t>(length, bytes_.size() - offset));
  std::memcpy(buffer, bytes_.data() + offset, count);
  return count;
}

bool ReadExact(ByteSource& source, uint64_t offset, char* buffer, size_t length) {
  size_t done = 0;
  while (done < length) {
    const size_t got = source.Read(offset + done, buffer + done, length - done);
    if (got == 0) return false;
    done += got;
  }
  return true;
}

}  // namespace qws::scan
