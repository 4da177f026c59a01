#include "scanlib/body_matcher.h"

#include <gtest/gtest.h>

namespace qws::scan {
namespace {

std::string Hex(const std::string& text) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : text) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

// The name of the signature that matches `data` fed in blocks of `block` bytes, or "".
std::string Match(const SignatureSet& set, const std::string& data, size_t block) {
  BodyMatcher matcher(set.bodies);
  BodyScan scan(matcher, data.size(), [](const BodySignature&) { return true; });
  for (size_t at = 0; at < data.size(); at += block) {
    if (scan.Feed(data.data() + at, std::min(block, data.size() - at))) break;
  }
  return scan.Finish() ? set.bodies[*scan.found()].name : "";
}

struct Case {
  const char* line;
  std::string data;
  bool matches;
};

TEST(BodyMatcher, PatternFeaturesInAnyBlockSize) {
  const std::string pad(300, '.');
  const std::vector<Case> cases = {
      {"S:0:*:", "xxABCDxx", true},
      {"S:0:*:4142??44", "..AB!D..", true},
      {"S:0:*:4142??44", "..AB!!D..", false},
      {"S:0:*:41424?", "ABC", true},
      {"S:0:*:41424?", "ABc", false},
      {"S:0:*:4142?3", "ABS", true},
      {"S:0:*:4142(43|58)44", "ABXD", true},
      {"S:0:*:4142(43|58)44", "ABYD", false},
      {"S:0:*:4142{2-4}4344", "AB..CD", true},
      {"S:0:*:4142{2-4}4344", "AB.CD", false},
      {"S:0:*:4142{2-4}4344", "AB.....CD", false},
      {"S:0:*:4142{-3}4344", "ABCD", true},
      {"S:0:*:4142{4-}4344", "AB...CD AB....CD", true},
      {"S:0:*:4142{4-}4344", "AB...CD", false},
      {"S:0:*:4142*4344*4546", "AB" + pad + "CD" + pad + "EF", true},
      {"S:0:*:4142*4344*4546", "EF" + pad + "CD" + pad + "AB", false},
      {"S:0:*:4142{200}4344", "AB" + std::string(200, 'x') + "CD", true},
      {"S:0:*:4142{200}4344", "AB" + std::string(199, 'x') + "CD", false},
      {"S:0:3:41424344", "xxxABCD", true},
      {"S:0:2:41424344", "xxxABCD", false},
      {"S:0:EOF-4:41424344", "ABCDxxABCD", true},
      {"S:0:EOF-5:41424344", "ABCDxxABCD", false},
      {"S:1:*:41424344", "MZ..ABCD", true},
      {"S:1:*:41424344", "ZM..ABCD", false},
      // Overlapping anchors: the second occurrence completes the match.
      {"S:0:*:4141414142", "AAAAAAAB", true},
  };
  for (const Case& c : cases) {
    std::string line = c.line;
    if (line == "S:0:*:") line += Hex("ABCD");
    SignatureSet set;
    ParseModule(ModuleFormat::kNdb, line, set);
    ASSERT_EQ(set.bodies.size(), 1u) << line;
    for (size_t block : {size_t{1}, size_t{3}, size_t{4096}}) {
      EXPECT_EQ(!Match(set, c.data, block).empty(), c.matches) << line << " on " << c.data.substr(0, 20)
                                                               << " in blocks of " << block;
    }
  }
}

TEST(BodyMatcher, ManySignaturesInOnePass) {
  SignatureSet set;
  std::string module;
  for (int i = 0; i < 2000; ++i) module += "Sig." + std::to_string(i) + ":0:*:" + Hex("marker-" + std::to_string(i) + "!") + "\n";
  ParseModule(ModuleFormat::kNdb, module, set);
  ASSERT_EQ(set.bodies.size(), 2000u);
  std::string data(100000, 'z');
  data.replace(70000, 12, "marker-1234!");
  EXPECT_EQ(Match(set, data, 4096), "Sig.1234");
  EXPECT_EQ(Match(set, std::string(100000, 'z'), 4096), "");
}

TEST(BodyMatcher, SignaturesThatAreNotAcceptedAreSkipped) {
  SignatureSet set;
  ParseModule(ModuleFormat::kNdb, "PUA.First:0:*:" + Hex("ABCD") + "\nSecond:0:*:" + Hex("WXYZ") + "\n", set);
  BodyMatcher matcher(set.bodies);
  const std::string data = "ABCD....WXYZ";
  BodyScan scan(matcher, data.size(), [](const BodySignature& s) { return s.name != "PUA.First"; });
  scan.Feed(data.data(), data.size());
  ASSERT_TRUE(scan.Finish());
  EXPECT_EQ(set.bodies[*scan.found()].name, "Second");
}

}  // namespace
}  // namespace qws::scan
