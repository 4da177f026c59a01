#include "net/password_scramble.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

TEST(PasswordScramble, IsItsOwnInverseAndChangesTheBytes) {
  std::string data(1000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  std::string scrambled = data;
  PasswordScramble(reinterpret_cast<uint8_t*>(scrambled.data()), scrambled.size());
  EXPECT_NE(scrambled, data);
  std::string back = scrambled;
  PasswordScramble(reinterpret_cast<uint8_t*>(back.data()), back.size());
  EXPECT_EQ(back, data);
}

TEST(PasswordScramble, KeyStreamRepeatsOnlyAfterAllSixPeriods) {
  // The stream's period is 31*29*23*17*13*11; a shorter repeat would mean a table is unused.
  std::string zeros(31 * 29 * 2, '\0');
  PasswordScramble(reinterpret_cast<uint8_t*>(zeros.data()), zeros.size());
  EXPECT_NE(zeros.substr(0, 31), zeros.substr(31, 31));
  EXPECT_NE(zeros.substr(0, 29), zeros.substr(29, 29));
  EXPECT_NE(zeros.substr(0, 11), zeros.substr(11, 11));
}

TEST(PasswordScramble, StoredFormRoundTrips) {
  const std::u16string password = u"s\u00e9cr\u00eat \u4e2d\u6587 pass";
  const std::string stored = EncodeStoredPassword(password);
  EXPECT_EQ(stored.size(), password.size() * 2);  // UTF-16LE, no terminator
  EXPECT_EQ(DecodeStoredPassword(stored), password);
  EXPECT_EQ(EncodeStoredPassword(u""), "");
  EXPECT_EQ(DecodeStoredPassword(""), u"");
}

TEST(PasswordScramble, StoresAtMost512AndLoadsAtMost255Characters) {
  const std::u16string long600(600, u'p');
  EXPECT_EQ(EncodeStoredPassword(long600).size(), 1024u);
  const std::u16string long300(300, u'q');
  const std::string stored = EncodeStoredPassword(long300);
  EXPECT_EQ(stored.size(), 600u);
  EXPECT_EQ(DecodeStoredPassword(stored), std::u16string(255, u'q'));
}

TEST(PasswordScramble, DropsAnOddTrailingByte) {
  std::string stored = EncodeStoredPassword(u"abc");
  stored.push_back('\x55');
  EXPECT_EQ(DecodeStoredPassword(stored), u"abc");
}

}  // namespace
}  // namespace qws
