#include "report/file_fingerprint.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "base/u16.h"

namespace qws {
namespace {

std::string Hex64(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

uint32_t Crc(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string LittleEndian32(uint32_t value) {
  std::string out;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  return out;
}

std::string Executable(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 251);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  return bytes;
}

std::string Text(const FileFingerprints& f) {
  return U16ToUtf8(f.hash) + " " + U16ToUtf8(std::u16string(1, f.type)) + " " +
         U16ToUtf8(f.fingerprint);
}

TEST(FileFingerprint, HashIsUpperCaseSha1AndTypeComesFromTheFirstBytes) {
  MemoryByteSource abc("abc");
  EXPECT_EQ(Text(SingleObjectFingerprints(&abc)),
            "A9993E364706816ABA3E25717850C26C9CD0D89D 0 0000000000000003");
  // Only a text file's type and hash; no head/tail checksum.
  MemoryByteSource again("abc");
  EXPECT_EQ(Text(DirectoryScanFingerprints(&again)),
            "A9993E364706816ABA3E25717850C26C9CD0D89D 0 0000000000000000");
  MemoryByteSource single("M");
  EXPECT_EQ(SingleObjectFingerprints(&single).type, kFileTypeOther);
  MemoryByteSource mz("MZ");
  EXPECT_EQ(SingleObjectFingerprints(&mz).type, kFileTypeExecutable);
}

TEST(FileFingerprint, PlaceholdersWhenNothingCanBeRead) {
  const std::string none = "0000000000000000000000000000000000000000 - 0000000000000000";
  EXPECT_EQ(Text(SingleObjectFingerprints(nullptr)), none);
  EXPECT_EQ(Text(DirectoryScanFingerprints(nullptr)), none);
  MemoryByteSource empty("");
  EXPECT_EQ(Text(SingleObjectFingerprints(&empty)), none);

  // A read that fails before the end leaves the hash unknown; the size is known all the same.
  const std::string bytes = Executable(10000);
  MemoryByteSource locked(bytes, 4096);
  EXPECT_EQ(Text(SingleObjectFingerprints(&locked)),
            "0000000000000000000000000000000000000000 - " + Hex64(10000));
  MemoryByteSource lockedAgain(bytes, 4096);
  EXPECT_EQ(Text(DirectoryScanFingerprints(&lockedAgain)), none);
}

// Reports a size of 4 GiB and fails every read.
class HugeSource : public ByteSource {
 public:
  std::optional<uint64_t> Size() override { return 0x100000000ull; }
  bool SeekTo(uint64_t) override { return true; }
  int64_t Read(void*, uint32_t) override {
    ++reads;
    return -1;
  }
  int reads = 0;
};

TEST(FileFingerprint, FilesOfFourGibibytesAreNotHashed) {
  HugeSource huge;
  EXPECT_EQ(Text(SingleObjectFingerprints(&huge)),
            "0000000000000000000000000000000000000000 - 0000000100000000");
  EXPECT_EQ(huge.reads, 0);
}

TEST(FileFingerprint, HeadAndTailChecksumsOfExecutables) {
  // Smaller than a block: head and tail cover the same bytes, the head with the size after.
  const std::string small = Executable(3000);
  MemoryByteSource smallSource(small);
  const FileFingerprints smallPrints = DirectoryScanFingerprints(&smallSource);
  EXPECT_EQ(smallPrints.type, kFileTypeExecutable);
  EXPECT_EQ(U16ToUtf8(smallPrints.fingerprint),
            Hex64((uint64_t{Crc(small)} << 32) | Crc(small + LittleEndian32(3000))));

  // Larger: the first and the last 4096 bytes.
  const std::string large = Executable(10000);
  MemoryByteSource largeSource(large);
  const FileFingerprints largePrints = DirectoryScanFingerprints(&largeSource);
  const uint32_t head = Crc(large.substr(0, 4096) + LittleEndian32(10000));
  const uint32_t tail = Crc(large.substr(10000 - 4096));
  EXPECT_EQ(U16ToUtf8(largePrints.fingerprint), Hex64((uint64_t{tail} << 32) | head));
  MemoryByteSource largeAgain(large);
  EXPECT_EQ(largePrints.hash, SingleObjectFingerprints(&largeAgain).hash);
}

}  // namespace
}  // namespace qws
