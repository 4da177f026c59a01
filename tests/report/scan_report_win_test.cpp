#include "report/scan_report_win.h"

#include <gtest/gtest.h>

#include "app/log.h"
#include "base/reg_key.h"
#include "base/u16.h"
#include "tests/support/win_test_support.h"

namespace qws {
namespace {

// Puts a serial value in place for one test and takes it away again.
class SerialValue {
 public:
  explicit SerialValue(const std::wstring& value) {
    EXPECT_EQ(key_.OpenOrCreate(HKEY_LOCAL_MACHINE, kSerialKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(key_.WriteString(kSerialValue, value), ERROR_SUCCESS);
  }
  ~SerialValue() { (void)key_.DeleteValue(kSerialValue); }

 private:
  RegKey key_;
};

TEST(ReportSerial, ReadFromTheMachineKey) {
  {
    SerialValue serial(L"QWS-0042-Ä");
    EXPECT_EQ(ReadSerial(), "QWS-0042-\xC4");
  }
  EXPECT_EQ(ReadSerial(), "");
  {
    SerialValue fits(std::wstring(99, L'9'));
    EXPECT_EQ(ReadSerial(), std::string(99, '9'));
  }
  {
    SerialValue tooLong(std::wstring(100, L'9'));
    EXPECT_EQ(ReadSerial(), "");
  }
}

TEST(ReportFacts, ComeFromTheRunningSystem) {
  const ReportFacts facts = GatherReportFacts();
  EXPECT_EQ(facts.executableName, u"scan_report_win_test.exe");
  EXPECT_EQ(facts.fileVersion, "Unknown");  // test programs carry no version resource
  EXPECT_GE(facts.utcTime.year, 2020);
  ASSERT_TRUE(facts.osVersion);
  EXPECT_TRUE(facts.osVersion->nt);
  EXPECT_GE(facts.osVersion->major, 5u);
  ASSERT_TRUE(facts.timeZone);
  // Local time and UTC differ by the bias (within the minute they were read in).
  const int local = facts.localTime.hour * 60 + facts.localTime.minute;
  const int utc = facts.utcTime.hour * 60 + facts.utcTime.minute;
  const int difference = ((utc - local + facts.timeZone->biasMinutes) % 1440 + 1440) % 1440;
  EXPECT_TRUE(difference <= 1 || difference >= 1439) << difference;
  ASSERT_TRUE(facts.country);
  EXPECT_FALSE(facts.country->empty());
}

TEST(ReportBuild, HandsOverTheReportAndAppendsItToTheLog) {
  test::TempFolder temp;
  const std::wstring savedLogFolder = LogFolder();
  SetLogFolder(temp.path());
  SerialValue serial(L"SERIAL-7");

  ScanReport report;
  report.options.product = "QWS";
  ScanSummary summary;
  summary.threatRecords =
      u"C:\\x.exe*Eicar*deleted*0000000000000000000000000000000000000000*C*-*0000000000000000*";
  report.AttachSummary(summary);
  std::string submitted;
  EXPECT_TRUE(BuildAndSubmitScanReport(report, [&](const std::string& text) {
    submitted = text;
    return true;
  }));
  SetLogFolder(savedLogFolder);

  ASSERT_FALSE(submitted.empty());
  EXPECT_EQ(submitted.back(), '\0');
  EXPECT_TRUE(submitted.starts_with("# product=QWS\r\n# version=8\r\n# flags=0\r\n"
                                    "# scan_report_win_test.exe=Unknown\r\n"
                                    "# QWSSerial=SERIAL-7\r\n"));
  EXPECT_NE(submitted.find("\r\n# lang=1033\r\n# osver="), std::string::npos);
  EXPECT_TRUE(submitted.ends_with("vn=\"Eicar (deleted)\" ac=C fn=\"C:\\x.exe\"\r\n" +
                                  std::string(1, '\0')));
  // One log entry: the time, a space and the report up to its NUL.
  const std::string log = test::ReadFileBytes(temp / L"log.txt");
  ASSERT_GT(log.size(), 9u);
  EXPECT_EQ(log.substr(8, 1), " ");
  EXPECT_EQ(log.substr(9), submitted.substr(0, submitted.size() - 1));
}

}  // namespace
}  // namespace qws
