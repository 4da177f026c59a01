#include "report/scan_report.h"

#include <gtest/gtest.h>

#include "report/threat_record.h"

namespace qws {
namespace {

// Code page 1252 for the characters the tests use: Latin-1, others become '?'.
std::string Latin1(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return out;
}

ReportFacts FixedFacts() {
  ReportFacts facts;
  facts.executableName = u"QuellixWebSweep.exe";
  facts.fileVersion = "2.0.1.0";
  facts.serial = "QWS-1234";
  facts.utcTime = {2026, 12, 10, 9, 5, 7};
  facts.localTime = {2026, 12, 10, 10, 5, 7};
  facts.timeZone = TimeZoneFacts{-60, u"Mitteleuropäische Zeit"};
  facts.country = u"Germany";
  facts.osVersion = OsVersionFacts{10, 0, 19045, true, u""};
  return facts;
}

ThreatRecord Record(std::u16string file, std::u16string threat, std::u16string detail,
                    char16_t action) {
  ThreatRecord record;
  record.fileName = std::move(file);
  record.threatName = std::move(threat);
  record.detail = std::move(detail);
  record.action = action;
  return record;
}

TEST(ScanReport, WholeReportForFixedInputs) {
  ScanSummary summary;
  summary.engineBuild = 23001;
  summary.scanned = 412;
  summary.compatibilityText = u"# av=\"Other Vendor\" product=\"Guard\"\r\n";
  ThreatRecord first = Record(u"C:\\Temp\\eicar.com", u"Eicar", u"", kActionInfected);
  first.fingerprints = {u"3395856CE81F2B7382DEE72602F798B642F14140", kFileTypeOther,
                        u"0000000000000044"};
  AppendThreatRecord(summary, first);
  ThreatRecord cleaned = first;
  cleaned.detail = u"cleaned by deleting";
  cleaned.action = kActionCleaned;
  AppendThreatRecord(summary, cleaned);
  AppendThreatRecord(summary, Record(u"C:\\Temp\\Ünïcode€.exe", u"Win32.Bad", u"", kActionInfected));
  AppendThreatRecord(summary, Record(u"C:\\Ext\\a.js", u"", u"", kActionSample));

  ScanReport report;
  report.options.product = "QWS";
  report.options.remove = true;
  report.options.archives = true;
  report.options.sfx = true;
  report.AttachSummary(summary);
  report.SetScanDuration(int64_t{754} * 10000000 + 9999999);

  const std::string expected =
      "# product=QWS\r\n"
      "# version=8\r\n"
      "# flags=0\r\n"
      "# QuellixWebSweep.exe=2.0.1.0\r\n"
      "# QWSSerial=QWS-1234\r\n"
      "# engine=23001\r\n"
      "# end=finished\r\n"
      "# remove_checked=true\r\n"
      "# archives_checked=true\r\n"
      "# unwanted_checked=false\r\n"
      "# unsafe_checked=false\r\n"
      "# antistealth_checked=false\r\n"
      "# sfx_checked=true\r\n"
      "# utc_time=2026-12-10 09:05:07\r\n"
      "# local_time=2026-12-10 10:05:07 (+0100, Mitteleurop\xE4ische Zeit)\r\n"
      "# country=\"Germany\"\r\n"
      "# lang=1033\r\n"
      "# osver=10.0.19045 NT \r\n"
      "# av=\"Other Vendor\" product=\"Guard\"\r\n"
      "# scanned=412\r\n"
      "# found=3\r\n"
      "# cleaned=1\r\n"
      "# scan_time=754\r\n"
      "sh=3395856CE81F2B7382DEE72602F798B642F14140 ft=0 fh=0000000000000044 "
      "vn=\"Eicar (cleaned by deleting)\" ac=C fn=\"C:\\Temp\\eicar.com\"\r\n"
      "sh=0000000000000000000000000000000000000000 ft=- fh=0000000000000000 vn=\"Win32.Bad\" "
      "ac=I fn=\"C:\\Temp\\\xDCn\xEF" "code?.exe\"\r\n"
      "sh=0000000000000000000000000000000000000000 ft=- fh=0000000000000000 vn=\"\" ac=S "
      "fn=\"C:\\Ext\\a.js\"\r\n";
  const std::optional<std::string> text = report.BuildText(FixedFacts(), Latin1);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, expected + std::string(1, '\0'));
  EXPECT_EQ(text->back(), '\0');
  EXPECT_EQ((*text)[text->size() - 2], '\n');
}

TEST(ScanReport, MinimalReportLeavesOutWhatIsUnknown) {
  ScanReport report;
  report.options.stopped = true;
  report.AttachSummary({});
  ReportFacts facts = FixedFacts();
  facts.serial.clear();
  facts.fileVersion = "Unknown";
  facts.timeZone.reset();
  facts.country.reset();
  facts.osVersion = OsVersionFacts{6, 1, 7601, true, u"Service Pack 1"};
  const std::string expected =
      "# version=8\r\n"
      "# flags=0\r\n"
      "# QuellixWebSweep.exe=Unknown\r\n"
      "# QWSSerial=\r\n"
      "# engine=0\r\n"
      "# end=stopped\r\n"
      "# remove_checked=false\r\n"
      "# archives_checked=false\r\n"
      "# unwanted_checked=false\r\n"
      "# unsafe_checked=false\r\n"
      "# antistealth_checked=false\r\n"
      "# sfx_checked=false\r\n"
      "# utc_time=2026-12-10 09:05:07\r\n"
      "# local_time=2026-12-10 10:05:07 \r\n"
      "# lang=1033\r\n"
      "# osver=6.1.7601 NT Service Pack 1\r\n"
      "# scanned=0\r\n"
      "# found=0\r\n"
      "# cleaned=0\r\n"
      "# scan_time=\r\n";
  EXPECT_EQ(report.BuildText(facts, Latin1), expected + std::string(1, '\0'));
  facts.osVersion.reset();
  EXPECT_EQ(report.BuildText(facts, Latin1)->find("# osver"), std::string::npos);
}

TEST(ScanReport, TimeZoneOffsets) {
  const struct {
    int32_t bias;
    const char* text;
  } cases[] = {
      {-330, "(+0530, Zone)"}, {210, "(-0330, Zone)"}, {0, "(+0000, Zone)"},
      {-765, "(+1245, Zone)"}, {600, "(-1000, Zone)"},
  };
  for (const auto& c : cases) {
    ScanReport report;
    report.AttachSummary({});
    ReportFacts facts = FixedFacts();
    facts.timeZone = TimeZoneFacts{c.bias, u"Zone"};
    const std::string line = "# local_time=2026-12-10 10:05:07 " + std::string(c.text) + "\r\n";
    EXPECT_NE(report.BuildText(facts, Latin1)->find(line), std::string::npos) << c.text;
  }
}

TEST(ScanReport, ScanTimeDropsWholeDays) {
  constexpr int64_t kSecond = 10000000;
  EXPECT_EQ(ScanTimeText(0), "0");
  EXPECT_EQ(ScanTimeText(59 * kSecond + kSecond - 1), "59");
  EXPECT_EQ(ScanTimeText(3723 * kSecond), "3723");
  EXPECT_EQ(ScanTimeText(24 * 3600 * kSecond), "0");
  EXPECT_EQ(ScanTimeText(25 * 3600 * kSecond), "3600");
  EXPECT_EQ(ScanTimeText(-kSecond), "0");
}

TEST(ScanReport, NothingWithoutASummary) {
  ScanReport report;
  EXPECT_FALSE(report.BuildText(FixedFacts(), Latin1));
  bool handedOver = false, logged = false;
  EXPECT_FALSE(report.BuildAndSubmit(
      FixedFacts(), Latin1, [&](const std::string&) { return handedOver = true; },
      [&](std::string_view) { logged = true; }));
  EXPECT_FALSE(handedOver);
  EXPECT_FALSE(logged);
}

TEST(ScanReport, HandsOverTheWholeReportThenLogsItEvenWhenTheSubmissionFails) {
  ScanReport report;
  report.AttachSummary({});
  const std::string built = *report.BuildText(FixedFacts(), Latin1);
  for (const bool accepted : {true, false}) {
    std::vector<std::string> events;
    const bool result = report.BuildAndSubmit(
        FixedFacts(), Latin1,
        [&](const std::string& sent) {
          events.push_back("submit:" + sent);
          return accepted;
        },
        [&](std::string_view text) { events.push_back("log:" + std::string(text)); });
    EXPECT_EQ(result, accepted);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "submit:" + built);
    EXPECT_EQ(events[1], "log:" + built.substr(0, built.size() - 1));
  }
}

TEST(ThreatLines, LaterRecordsOfTheSameFileAndThreatWin) {
  const struct {
    const char* records;
    const char* lines;
  } cases[] = {
      // Infected, then cleaned: the cleaned state stands.
      {"f*T**H*I*1*P*f*T*cleaned by deleting*H*C*1*P*",
       "sh=H ft=1 fh=P vn=\"T (cleaned by deleting)\" ac=C fn=\"f\"\r\n"},
      // Different threats of one file, and one threat of different files, all stay.
      {"f*T**H*I*1*P*f*U**H*I*1*P*g*T**H*I*1*P*",
       "sh=H ft=1 fh=P vn=\"T\" ac=I fn=\"f\"\r\nsh=H ft=1 fh=P vn=\"U\" ac=I fn=\"f\"\r\n"
       "sh=H ft=1 fh=P vn=\"T\" ac=I fn=\"g\"\r\n"},
      // A later threat whose name merely begins with this one's, or a later archive member
      // whose name ends with this file's, is another threat.
      {"C:\\a.exe*Trojan**H*I*1*P*C:\\a.exe*Trojan.Gen**H*I*1*P*",
       "sh=H ft=1 fh=P vn=\"Trojan\" ac=I fn=\"C:\\a.exe\"\r\n"
       "sh=H ft=1 fh=P vn=\"Trojan.Gen\" ac=I fn=\"C:\\a.exe\"\r\n"},
      {"C:\\a.exe*T**H*I*1*P*C:\\z.zip \xBB C:\\a.exe*T**H*I*1*P*",
       "sh=H ft=1 fh=P vn=\"T\" ac=I fn=\"C:\\a.exe\"\r\n"
       "sh=H ft=1 fh=P vn=\"T\" ac=I fn=\"C:\\z.zip \xBB C:\\a.exe\"\r\n"},
      // Skipped: no file name; no threat name unless a sample.
      {"*T**H*I*1*P*f***H*I*1*P*", ""},
      {"f***H*S*0*P*", "sh=H ft=0 fh=P vn=\"\" ac=S fn=\"f\"\r\n"},
      // Cut short: the action defaults to I and the type to '-'.
      {"f*T*d*H*", "sh=H ft=- fh= vn=\"T (d)\" ac=I fn=\"f\"\r\n"},
      {"f*T*d*H*C", "sh=H ft=- fh= vn=\"T (d)\" ac=C fn=\"f\"\r\n"},
      {"f*T", "sh= ft=- fh= vn=\"T\" ac=I fn=\"f\"\r\n"},
      {"f", ""},
      // Line ends in a field cannot start a line of their own.
      {"a\r\n# found=0*T**H*I*1*P*", "sh=H ft=1 fh=P vn=\"T\" ac=I fn=\"a__# found=0\"\r\n"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ThreatLines(c.records), c.lines) << c.records;
}

}  // namespace
}  // namespace qws
