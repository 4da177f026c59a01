// The threat lists' rows from the summary's records.
#include "report/threat_rows.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

std::u16string Record(std::u16string_view file, std::u16string_view threat, std::u16string_view detail,
                      char16_t action) {
  std::u16string out;
  for (std::u16string_view field : {file, threat, detail})
    (out += field) += u'*';
  out += u"3395856CE81F2B7382DEE72602F798B642F14140*";
  (out += action) += u'*';
  out += u"0*0000000000000044*";
  return out;
}

TEST(ThreatRows, OneRowPerTargetAndThreatTheLaterRecordWins) {
  const std::u16string records =
      Record(u"C:\\a.com", u"Eicar-Test-Signature", u"infected", u'I') +
      Record(u"C:\\b.com", u"Eicar-Test-Signature", u"cleaned by deleting", u'C') +
      Record(u"C:\\a.com", u"Other", u"infected", u'I') +
      Record(u"C:\\a.com", u"Eicar-Test-Signature", u"cleaned by deleting", u'C') +
      Record(u"C:\\c.com", u"Sample", u"", u'S');
  std::vector<ThreatListItem> rows;
  MergeThreatRecords(records, rows);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].target, u"C:\\a.com");
  EXPECT_EQ(rows[0].threatName, u"Eicar-Test-Signature");
  EXPECT_EQ(rows[0].action, u"cleaned by deleting");
  EXPECT_TRUE(rows[0].cleaned);
  EXPECT_EQ(rows[0].fileHash, u"3395856CE81F2B7382DEE72602F798B642F14140");
  EXPECT_EQ(rows[1].target, u"C:\\b.com");
  EXPECT_EQ(rows[2].threatName, u"Other");
  EXPECT_FALSE(rows[2].cleaned);
  EXPECT_EQ(rows[3].target, u"C:\\c.com");
  EXPECT_FALSE(rows[3].cleaned);  // only 'C' is cleaned

  // Merging the records again (after a cleaning run) changes no row.
  MergeThreatRecords(records, rows);
  EXPECT_EQ(rows.size(), 4u);
}

TEST(ThreatRows, TokensShowTheirDisplayNames) {
  std::vector<ThreatListItem> rows;
  MergeThreatRecords(Record(u"${Memory}", u"Threat", u"", u'I') + Record(u"${Startup}", u"Threat", u"", u'I'), rows);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].target, u"Operating memory");
  EXPECT_EQ(rows[1].target, u"Autostart locations");
  // A cleaning scan is given the token, not the name shown.
  EXPECT_EQ(rows[0].objectName, u"${Memory}");
}

TEST(ThreatRows, ARecordCutShortIsLeftOut) {
  const std::u16string whole = Record(u"C:\\a.com", u"T", u"d", u'I');
  for (std::u16string_view text : {std::u16string_view(u""), std::u16string_view(u"C:\\x*T*d*"),
                                   std::u16string_view(whole).substr(0, whole.size() - 1)}) {
    std::vector<ThreatListItem> rows;
    MergeThreatRecords(text, rows);
    EXPECT_TRUE(rows.empty());
  }
  std::vector<ThreatListItem> rows;
  MergeThreatRecords(whole + u"C:\\b.com*T*", rows);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].target, u"C:\\a.com");
}

}  // namespace
}  // namespace qws
