// The platform-neutral parts of the evaluation: combining, matching, INI and time reading, the
// vendor decision and what the results say. The rules against a real computer are tested
// under Wine (rule_evaluation_win_test).
#include "detect/rule_evaluation.h"

#include <gtest/gtest.h>

#include "detect/detection_results.h"
#include "detect/empty_detection_system.h"

namespace qws {
namespace {

TEST(RuleEvaluation, CombinesResultLists) {
  const struct {
    const char16_t* op;
    std::vector<int> results;
    int combined;
  } cases[] = {
      {u"and", {1, 2}, 2},     {u"or", {1, 2}, 1},     {u"xor", {1, 2}, 1},
      {u"xor", {1, 1}, 2},     {u"nor", {2, 2}, 1},    {u"nor", {1, 2}, 2},
      {u"nand", {1, 1}, 2},    {u"nand", {1, 2}, 1},   {u"xnor", {2, 2}, 1},
      {u"xnor", {1, 2}, 2},    {u"and", {0, 3}, 3},    {u"and", {}, 3},
      {u"and", {0, 1, 3}, 1},  {u"", {1, 2}, 1},       {u"maybe", {2, 1}, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CombineResults(c.op, c.results), c.combined)
        << std::string(c.op, c.op + std::char_traits<char16_t>::length(c.op));
  }
}

TEST(RuleEvaluation, ChecksCharacterPositionsOfAValue) {
  const struct {
    const char16_t* property;
    const char16_t* value;
    const char16_t* expected;
    bool matches;
  } cases[] = {
      {u"Version[0-2]", u"12.5.1", u"12.", true},  {u"Version[0-2]", u"13.5.1", u"12.", false},
      {u"Version[5]", u"abc", u"c", false},         {u"Version[2]", u"abc", u"c", true},
      {u"Version", u"abc", u"abc", true},           {u"Version", u"abc", u"ABC", false},
      {u"Version[0-9]", u"abc", u"abc", true},      {u"Version[x]", u"abc", u"a", false},
      {u"Version[2-1]", u"abc", u"b", false},       {u"Version[0", u"abc", u"a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckValueMatches(c.property, c.value, c.expected), c.matches);
  }
  EXPECT_EQ(CheckValueName(u"Version[0-2]"), u"Version");
}

TEST(RuleEvaluation, ReadsIniEntriesOfTheNamedSection) {
  const struct {
    std::string text;
    std::optional<std::u16string> value;
  } cases[] = {
      {"[Guard]\r\nEnabled = 1\r\n", u"1"},
      {"Enabled = 1\r\n[Guard]\r\nOther=2\r\n", std::nullopt},
      {"[Other]\nEnabled=1\n[Guard]\nEnabled=\t 0 \r\n", u"0"},
      {"[Guard]\n[Next]\nEnabled=1\n", std::nullopt},
      {"[Guard]\nEnabled=1", u"1"},  // a last line without its line feed still counts
      {"[Guard]\n=1\nEnabledX=2\nEnabled=3\n", u"3"},
      {"[Guard]\n" + std::string(1024, 'x') + "\nEnabled=1\n", std::nullopt},
      {"[guard]\nEnabled=1\n", std::nullopt},
      {"[Guard]\nEnabled=a=b\n", u"a=b"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadIniEntry(c.text, u"Guard", u"Enabled"), c.value) << c.text;
}

// Local time taken as UTC, so that the figures can be checked.
class UtcClock : public EmptyDetectionSystem {
 public:
  std::optional<int64_t> LocalTimeToUtc(int y, int mo, int d, int h, int mi, int s) override {
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return std::nullopt;
    // Days from civil (proleptic Gregorian).
    y -= mo <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = int64_t{era} * 146097 + doe - 719468;
    return days * 86400 + h * 3600 + mi * 60 + s;
  }
};

TEST(RuleEvaluation, ReadsTimesInTheirFormats) {
  UtcClock clock;
  const struct {
    const char16_t* format;
    const char16_t* value;
    int64_t time;
  } cases[] = {
      {u"time_t", u"1700000000", 1700000000},
      {u"time_t", u"17x", 0},
      {u"yyyymmdd", u"20240301", 1709251200},
      {u"yyyymmdd", u"2024031", 0},
      {u"yyyy-mm-dd", u"2024-03-01", 1709251200},
      {u"yyyy-mm-dd HH:MM:SS", u"2024/03/01 10:20:30", 1709251200 + 37230},
      {u"dd-mm-yyyy HH:MM:SS", u"01.03.2024 10:20:30", 1709251200 + 37230},
      {u"yyyy-mm-dd", u"2024-13-01", 0},
      {u"8bytes", u"1 2 3 4 5 6 7 8", 0},
      {u"", u"20240301", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseTimeValue(c.format, c.value, clock), c.time);
}

DetectionMatch Candidate(uint32_t reg, uint32_t file, uint32_t service, uint32_t regCount = 4,
                         uint16_t code = 0x0101) {
  DetectionMatch m;
  m.registryScore = reg;
  m.fileScore = file;
  m.serviceScore = service;
  m.registryCount = regCount;
  m.fileCount = 3;
  m.serviceCount = 1;
  m.code = code;
  return m;
}

TEST(RuleEvaluation, DecidesOneVersionPerVendor) {
  // The scores pick the version; below 34 % on any score it is dropped.
  std::vector<DetectionMatch> best = {Candidate(10000, 5000, 10000, 4, 1),
                                      Candidate(7500, 10000, 10000, 4, 2)};
  ASSERT_TRUE(DecideVendor(best));
  EXPECT_EQ(best[0].code, 1);
  std::vector<DetectionMatch> noServices = {Candidate(10000, 10000, 0)};
  EXPECT_FALSE(DecideVendor(noServices));
  std::vector<DetectionMatch> threshold = {Candidate(3400, 3400, 3400)};
  EXPECT_TRUE(DecideVendor(threshold));
  std::vector<DetectionMatch> below = {Candidate(3399, 10000, 10000)};
  EXPECT_FALSE(DecideVendor(below));
  // Equal scores: the larger rule counts decide; equal counts as well: nobody can tell.
  std::vector<DetectionMatch> counts = {Candidate(10000, 10000, 10000, 4, 1),
                                        Candidate(10000, 10000, 10000, 6, 2)};
  ASSERT_TRUE(DecideVendor(counts));
  EXPECT_EQ(counts[0].code, 2);
  std::vector<DetectionMatch> twins = {Candidate(10000, 10000, 10000, 4, 1),
                                       Candidate(10000, 10000, 10000, 4, 2)};
  EXPECT_FALSE(DecideVendor(twins));
  std::vector<DetectionMatch> none;
  EXPECT_FALSE(DecideVendor(none));
}

VendorResult Found(int id, std::u16string company, std::vector<std::pair<int, std::u16string>> versions) {
  VendorResult result;
  result.vendorId = id;
  result.company = std::move(company);
  for (auto& [versionId, product] : versions) {
    DetectionMatch m;
    m.code = static_cast<uint16_t>(id * 256 + versionId);
    m.product = product;
    result.candidates.push_back(m);
  }
  return result;
}

TEST(RuleEvaluation, RemovesALaterVendorWithTheSameCode) {
  std::vector<VendorResult> results = {Found(7, u"A", {{1, u"x"}}), Found(9, u"B", {{1, u"y"}}),
                                       Found(7, u"C", {{1, u"z"}})};
  RemoveDuplicates(results);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].company, u"A");
  EXPECT_EQ(results[1].company, u"B");
}

TEST(DetectionResults, ListsProductsAndTellsOtherMakersApart) {
  const struct {
    std::vector<VendorResult> results;
    std::vector<std::u16string> list;
    bool other;
  } cases[] = {
      {{}, {}, false},
      {{Found(32, u"Quellix", {{1, u"Endpoint Shield"}})}, {u"Quellix|Endpoint Shield"}, false},
      {{Found(23, u"Microsoft", {{5, u"Defender"}})}, {}, false},
      {{Found(23, u"Microsoft", {{8, u"Other"}})}, {}, true},
      {{Found(23, u"Microsoft", {{8, u"Other"}}), Found(32, u"Quellix", {{1, u"Shield"}})},
       {u"Quellix|Shield"},
       true},
      {{Found(23, u"Microsoft", {{2, u"Essentials"}})}, {u"Microsoft|Essentials"}, true},
      {{Found(5, u"Kaspersky", {{1, u"AV"}, {2, u"AV"}})}, {u"Kaspersky|AV"}, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResultListTexts(c.results), c.list);
    EXPECT_EQ(HasOtherProduct(c.results), c.other);
  }
}

TEST(DetectionResults, WritesTheCompatibilityLines) {
  EXPECT_EQ(CompatibilityText(DetectionState::Running, {}, 0), u"# compatibility_mode=freeze\r\n");
  EXPECT_EQ(CompatibilityText(DetectionState::NotFinished, {}, 0), u"# compatibility_mode=crash\r\n");
  EXPECT_EQ(CompatibilityText(DetectionState::Done, {}, 0), u"");

  CProduct version;
  version.wscName = u"Guard AV";
  VendorResult vendor = Found(3, u"Avira", {{2, u"Guard"}});
  DetectionMatch& m = vendor.candidates[0];
  m.version = &version;
  m.status = 0x00FFFF5A;
  m.registryScore = 8333;
  m.fileScore = 10000;
  m.newestFileTime = 1000;
  m.oldestFileTime = 400;
  m.updateTime = 5000;  // in the future: age 0
  m.installTime = 0;
  EXPECT_EQ(CompatibilityText(DetectionState::Done, {vendor}, 2000),
            u"# compatibility_mode_1='Guard AV'\r\n"
            u"# compatibility_mode=770 16777050 83 100 1000 1600 0 0\r\n");
}

}  // namespace
}  // namespace qws
