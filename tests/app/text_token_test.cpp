#include "app/text_token.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

TEST(TextToken, SplitsAtTheSeparator) {
  const std::u16string header = u"Target|Threat name|Action";
  EXPECT_EQ(TextToken(header, 0, u'|'), u"Target");
  EXPECT_EQ(TextToken(header, 1, u'|'), u"Threat name");
  EXPECT_EQ(TextToken(header, 2, u'|'), u"Action");
  EXPECT_EQ(TextToken(header, 3, u'|'), u"");
  EXPECT_EQ(TextToken(u"a||b", 1, u'|'), u"");
  EXPECT_EQ(TextToken(u"a||b", 2, u'|'), u"b");
  EXPECT_EQ(TextToken(u"", 0, u'|'), u"");
  EXPECT_EQ(TextToken(u"single", 0, u'|'), u"single");
}

}  // namespace
}  // namespace qws
