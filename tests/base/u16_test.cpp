#include "base/u16.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

TEST(U16, ConvertsUtf8BothWays) {
  const std::string text = "Quellix \xc3\xa9 \xe4\xb8\xad \xf0\x9f\x9b\xa1";
  const std::u16string wide = Utf8ToU16(text);
  EXPECT_EQ(wide, u"Quellix \u00e9 \u4e2d \U0001F6E1");
  EXPECT_EQ(U16ToUtf8(wide), text);
}

TEST(U16, ReplacesInvalidInput) {
  EXPECT_EQ(Utf8ToU16("a\xff" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToU16("\xe4\xb8"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToU16("\xed\xa0\x80"), u"\uFFFD");  // an encoded surrogate
  EXPECT_EQ(U16ToUtf8(u"\xD800x"), "\xef\xbf\xbdx");
}

}  // namespace
}  // namespace qws
