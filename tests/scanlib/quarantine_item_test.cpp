#include "scanlib/quarantine_item.h"

#include <gtest/gtest.h>

namespace qws::scan {
namespace {

QuarantineHeader Sample() {
  QuarantineHeader header;
  header.id = 0x0123456789ABCDEFull;
  header.former_path = u"C:\\Users\\\u00E9l\u00E8ve\\eicar.com";
  header.threat_name = u"Eicar-Test-Signature";
  header.time = 133000000000000000ull;
  header.size = 68;
  header.sha256 = std::string(32, '\x5A');
  header.attributes = 0x20;
  return header;
}

TEST(QuarantineItem, HeaderRoundTrip) {
  const std::string bytes = EncodeQuarantineHeader(Sample()) + "content";
  size_t length = 0;
  auto header = DecodeQuarantineHeader(bytes, length);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->id, Sample().id);
  EXPECT_EQ(header->former_path, Sample().former_path);
  EXPECT_EQ(header->threat_name, Sample().threat_name);
  EXPECT_EQ(header->time, Sample().time);
  EXPECT_EQ(header->size, 68u);
  EXPECT_EQ(header->sha256, Sample().sha256);
  EXPECT_EQ(header->attributes, 0x20u);
  EXPECT_EQ(bytes.substr(length), "content");
}

TEST(QuarantineItem, DamagedHeadersAreRefused) {
  const std::string good = EncodeQuarantineHeader(Sample());
  size_t length = 0;
  for (size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_FALSE(DecodeQuarantineHeader(good.substr(0, cut), length)) << cut;
  for (size_t at : {size_t{0}, size_t{8}, size_t{12}, good.size() - 2 * 20 - 8}) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x40);
    EXPECT_FALSE(DecodeQuarantineHeader(bad, length)) << at;
  }
  QuarantineHeader no_path = Sample();
  no_path.former_path.clear();
  EXPECT_FALSE(DecodeQuarantineHeader(EncodeQuarantineHeader(no_path), length));
}

TEST(QuarantineItem, MaskingHidesTheContentAndIsReversibleInPieces) {
  const std::string original = "X5O!P%@AP some content that must not stay readable in the quarantine";
  std::string masked = original;
  MaskContent(42, 0, masked.data(), masked.size());
  EXPECT_EQ(masked.find("content"), std::string::npos);
  std::string other = original;
  MaskContent(43, 0, other.data(), other.size());
  EXPECT_NE(masked, other);
  // Unmasking block by block at other offsets gives the same bytes back.
  for (size_t at = 0; at < masked.size(); at += 5)
    MaskContent(42, at, masked.data() + at, std::min<size_t>(5, masked.size() - at));
  EXPECT_EQ(masked, original);
}

}  // namespace
}  // namespace qws::scan
