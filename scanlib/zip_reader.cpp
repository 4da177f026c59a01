#include "scanlib/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "base/u16.h"

namespace qws::scan {
namespace {

constexpr uint32_t kLocalMagic = 0x04034b50;
constexpr uint32_t kCentralMagic = 0x02014b50;
constexpr uint32_t kEndMagic = 0x06054b50;
constexpr size_t kEndRecord = 22;
constexpr size_t kCentralRecord = 46;
constexpr size_t kLocalRecord = 30;
constexpr size_t kMaxComment = 0xFFFF;
constexpr size_t kBlock = 256 * 1024;

uint16_t U16At(const char* p) {
  return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8);
}
uint32_t U32At(const char* p) { return U16At(p) | static_cast<uint32_t>(U16At(p + 2)) << 16; }

std::u16string NameOf(const std::string& raw, bool utf8) {
  if (utf8) return Utf8ToU16(raw);
  std::u16string name;  // code page 437 is shown as Latin-1 beyond ASCII
  for (char c : raw) name.push_back(static_cast<char16_t>(static_cast<uint8_t>(c)));
  return name;
}

}  // namespace

bool LooksLikeZip(ByteSource& source) {
  char magic[4];
  return ReadExact(source, 0, magic, 4) && U32At(magic) == kLocalMagic;
}

ZipDirectoryStatus ReadZipDirectory(ByteSource& source, size_t max_entries,
                                    std::vector<ZipEntry>& entries) {
  entries.clear();
  const uint64_t size = source.size();
  if (size < kEndRecord) return ZipDirectoryStatus::kNotZip;
  const size_t tail_length = static_cast<size_t>(std::min<uint64_t>(size, kEndRecord + kMaxComment));
  std::string tail(tail_length, '\0');
  if (!ReadExact(source, size - tail_length, tail.data(), tail_length)) return ZipDirectoryStatus::kDamaged;
  size_t end = std::string::npos;
  for (size_t i = tail_length - kEndRecord + 1; i-- > 0;) {
    if (U32At(&tail[i]) == kEndMagic) {
      end = i;
      break;
    }
  }
  if (end == std::string::npos) return ZipDirectoryStatus::kNotZip;
  const char* record = &tail[end];
  const uint32_t count = U16At(record + 10);
  const uint64_t directory_size = U32At(record + 12);
  const uint64_t directory_offset = U32At(record + 16);
  const uint64_t end_offset = size - tail_length + end;
  if (directory_offset > end_offset || directory_size > end_offset - directory_offset)
    return ZipDirectoryStatus::kDamaged;

  uint64_t offset = directory_offset;
  const uint64_t limit = directory_offset + directory_size;
  char fixed[kCentralRecord];
  for (uint32_t i = 0; i < count; ++i) {
    if (entries.size() >= max_entries) return ZipDirectoryStatus::kTooManyEntries;
    if (limit - offset < kCentralRecord || !ReadExact(source, offset, fixed, kCentralRecord) ||
        U32At(fixed) != kCentralMagic)
      return ZipDirectoryStatus::kDamaged;
    const size_t name_length = U16At(fixed + 28);
    const uint64_t record_length =
        kCentralRecord + name_length + U16At(fixed + 30) + static_cast<uint64_t>(U16At(fixed + 32));
    if (limit - offset < record_length) return ZipDirectoryStatus::kDamaged;
    std::string raw_name(name_length, '\0');
    if (!ReadExact(source, offset + kCentralRecord, raw_name.data(), name_length))
      return ZipDirectoryStatus::kDamaged;
    ZipEntry entry;
    entry.flags = U16At(fixed + 8);
    entry.method = U16At(fixed + 10);
    entry.compressed_size = U32At(fixed + 20);
    entry.size = U32At(fixed + 24);
    entry.local_header_offset = U32At(fixed + 42);
    entry.name = NameOf(raw_name, entry.flags & 0x0800);
    entries.push_back(std::move(entry));
    offset += record_length;
  }
  return ZipDirectoryStatus::kOk;
}

ZipMemberStatus ReadZipMember(ByteSource& source, const ZipEntry& entry, InflateBudget& budget,
                              const std::function<bool(const char*, size_t)>& sink) {
  if (entry.flags & 0x0001) return ZipMemberStatus::kEncrypted;
  if (entry.method != 0 && entry.method != 8) return ZipMemberStatus::kUnsupported;
  char local[kLocalRecord];
  if (!ReadExact(source, entry.local_header_offset, local, kLocalRecord) || U32At(local) != kLocalMagic)
    return ZipMemberStatus::kDamaged;
  const uint64_t data_offset =
      entry.local_header_offset + kLocalRecord + U16At(local + 26) + static_cast<uint64_t>(U16At(local + 28));
  if (data_offset > source.size() || entry.compressed_size > source.size() - data_offset)
    return ZipMemberStatus::kDamaged;

  std::string in(kBlock, '\0');
  uint64_t read = 0;
  if (entry.method == 0) {
    if (entry.compressed_size != entry.size) return ZipMemberStatus::kDamaged;
    while (read < entry.size) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, entry.size - read));
      if (want > budget.bytes_left) return ZipMemberStatus::kTotalLimit;
      if (!ReadExact(source, data_offset + read, in.data(), want)) return ZipMemberStatus::kDamaged;
      budget.bytes_left -= want;
      read += want;
      if (!sink(in.data(), want)) return ZipMemberStatus::kStopped;
    }
    return ZipMemberStatus::kOk;
  }

  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return ZipMemberStatus::kDamaged;
  struct End {
    z_stream* s;
    ~End() { inflateEnd(s); }
  } end{&stream};
  std::string out(kBlock, '\0');
  uint64_t inflated = 0;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (stream.avail_in == 0 && read < entry.compressed_size) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, entry.compressed_size - read));
      if (!ReadExact(source, data_offset + read, in.data(), want)) return ZipMemberStatus::kDamaged;
      read += want;
      stream.next_in = reinterpret_cast<Bytef*>(in.data());
      stream.avail_in = static_cast<uInt>(want);
    }
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    status = inflate(&stream, Z_NO_FLUSH);
    const size_t produced = out.size() - stream.avail_out;
    // Without progress the data ended before the stream did.
    if ((status != Z_OK && status != Z_STREAM_END) || (produced == 0 && status != Z_STREAM_END && stream.avail_in == 0 &&
                                                         read == entry.compressed_size))
      return ZipMemberStatus::kDamaged;
    if (produced > budget.bytes_left) return ZipMemberStatus::kTotalLimit;
    budget.bytes_left -= produced;
    inflated += produced;
    const uint64_t consumed = read - stream.avail_in;
    if (inflated > budget.ratio_floor && inflated / std::max<uint64_t>(consumed, 1) > budget.max_ratio)
      return ZipMemberStatus::kRatioLimit;
    if (produced && !sink(out.data(), produced)) return ZipMemberStatus::kStopped;
  }
  return ZipMemberStatus::kOk;
}

}  // namespace qws::scan
