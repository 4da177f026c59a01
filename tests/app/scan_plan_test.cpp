// The scan plan's lines and the reading rules of its pattern, on bytes.
#include "app/scan_plan.h"

#include <gtest/gtest.h>

namespace qws {
namespace {

using Names = std::vector<std::string>;

TEST(ScanPlan, LineIsTheNameCutAt1022BytesAndANewLine) {
  EXPECT_EQ(ScanPlanLine("C:\\a.com"), "C:\\a.com\n");
  const std::string longName(1100, 'x');
  EXPECT_EQ(ScanPlanLine(longName), std::string(1022, 'x') + "\n");
  // An empty first line would hide every later name from the reader.
  EXPECT_EQ(ScanPlanLine(""), "");
}

TEST(ScanPlan, ReadingFollowsThePatternRules) {
  const std::string longest(1023, 'y');
  const struct {
    const char* what;
    std::string bytes;
    Names names;
  } cases[] = {
      {"empty file", "", {}},
      {"two lines", "C:\\a.com\nC:\\b.com\n", {"C:\\a.com", "C:\\b.com"}},
      {"no final line end", "C:\\a.com\nC:\\b.com", {"C:\\a.com", "C:\\b.com"}},
      {"blank lines vanish", "C:\\a.com\n\n\n\nC:\\b.com\n", {"C:\\a.com", "C:\\b.com"}},
      {"leading blanks of a later name vanish", "C:\\a.com\n  \tC:\\b.com\n", {"C:\\a.com", "C:\\b.com"}},
      {"the first name keeps its leading blank", " C:\\a.com\n", {" C:\\a.com"}},
      {"trailing blanks stay", "C:\\a.com  \n", {"C:\\a.com  "}},
      {"an empty first line ends the reading", "\nC:\\a.com\n", {}},
      {"CR LF reads as LF", "C:\\a.com\r\nC:\\b.com\r\n", {"C:\\a.com", "C:\\b.com"}},
      {"a lone CR is part of the name", "C:\\a\r.com\n", {"C:\\a\r.com"}},
      {"Ctrl+Z ends the text", "C:\\a.com\n\x1A" "C:\\b.com\n", {"C:\\a.com"}},
      {"1023 bytes fit the buffer", longest + "\nC:\\b.com\n", {longest, "C:\\b.com"}},
      {"1024 bytes end the reading", "C:\\a.com\n" + longest + "y\nC:\\b.com\n", {"C:\\a.com"}},
      {"bytes of any code page pass", "C:\\\xE4\x83\x81.com\n", {"C:\\\xE4\x83\x81.com"}},
      {"a zero byte is kept", std::string("C:\\a\0b\n", 7), {std::string("C:\\a\0b", 6)}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseScanPlan(c.bytes), c.names) << c.what;
}

TEST(ScanPlan, WhatIsWrittenReadsBack) {
  const Names names = {"C:\\first.com", "C:\\x\\" + std::string(1100, 'n'), "${Memory}"};
  std::string file;
  for (const auto& name : names) file += ScanPlanLine(name);
  EXPECT_EQ(ParseScanPlan(file),
            (Names{"C:\\first.com", ("C:\\x\\" + std::string(1100, 'n')).substr(0, 1022), "${Memory}"}));
}

}  // namespace
}  // namespace qws
