#include "scanlib/engine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/crypto.h"
#include "tests/scanlib/test_samples.h"

namespace qws::scan {
namespace {

using test::Eicar;
using test::Hex;
using test::MakeZip;

std::string TestModule() {
  std::ifstream in(QWS_SOURCE_DIR "/scanlib/signatures/qws_test.ndb");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : engine_(Load()) {}
  static SignatureSet Load() {
    SignatureSet set;
    ParseModule(ModuleFormat::kNdb, "Eicar-Test-Signature:0:0:" + Hex(Eicar().substr(0, 40)) + "\n" + TestModule(), set);
    const std::string hashed = "a file known by its digest";
    ParseModule(ModuleFormat::kHdb, crypto::ToHex(crypto::Md5(hashed)) + ":" + std::to_string(hashed.size()) + ":Qws.Hash.Md5\n", set);
    ParseModule(ModuleFormat::kHsb, crypto::ToHex(crypto::Sha256("any size, by sha-256")) + ":*:Qws.Hash.Sha256\n" +
                                        crypto::ToHex(crypto::Sha1("by sha-1")) + ":8:Qws.Hash.Sha1\n", set);
    EXPECT_EQ(set.rejected_lines, 0u);
    return set;
  }
  ScanReport Scan(const std::string& bytes, ScanSwitches switches = {}, const ArchiveLimits& limits = {}) {
    MemorySource source(bytes);
    return engine_.Scan(source, switches, limits);
  }
  Engine engine_;
};

TEST_F(EngineTest, FindsEicarAndHashSignatures) {
  ScanReport report = Scan(Eicar());
  EXPECT_TRUE(report.infected);
  EXPECT_EQ(report.threat, "Eicar-Test-Signature");
  EXPECT_TRUE(report.member.empty());
  EXPECT_FALSE(Scan("x" + Eicar()).infected);  // anchored at offset 0

  EXPECT_EQ(Scan("a file known by its digest").threat, "Qws.Hash.Md5");
  EXPECT_FALSE(Scan("a file known by its digesT").infected);
  EXPECT_EQ(Scan("any size, by sha-256").threat, "Qws.Hash.Sha256");
  EXPECT_EQ(Scan("by sha-1").threat, "Qws.Hash.Sha1");
  EXPECT_FALSE(Scan("clean content").infected);
  EXPECT_FALSE(Scan("").infected);
}

TEST_F(EngineTest, CategoriesOnlyWhenSwitchedOn) {
  struct Case {
    std::string sample;
    std::string threat;
    ScanSwitches on;
  };
  ScanSwitches unwanted, unsafe, suspicious;
  unwanted.unwanted = unsafe.unsafe = suspicious.suspicious = true;
  for (const Case& c : {Case{test::UnwantedSample(), "PUA.Qws.TestSample-Unwanted", unwanted},
                        Case{test::UnsafeSample(), "Unsafe.Qws.TestSample-Unsafe", unsafe},
                        Case{test::SuspiciousSample(), "Suspicious.Qws.TestSample-Suspicious", suspicious},
                        Case{"QWS-TEST-SAMPLE-x-MALWARE-PAYLOAD", "Qws.TestSample-Malware", {}}}) {
    EXPECT_EQ(Scan(c.sample, c.on).threat, c.threat);
    if (CategoryOf(c.threat) != Category::kMalware) {
      EXPECT_FALSE(Scan(c.sample).infected) << c.threat;
    }
  }
}

TEST_F(EngineTest, ArchiveMembersAreNamedAndNestedOnesFound) {
  ScanSwitches archives;
  archives.archives = true;
  for (bool deflate : {false, true}) {
    const std::string inner = MakeZip({{"readme.txt", "hello"}, {"eicar.com", Eicar()}}, deflate);
    const std::string outer = MakeZip({{"docs/a.txt", std::string(5000, 'a')}, {"inner.zip", inner}}, deflate);
    ScanReport report = Scan(outer, archives);
    EXPECT_TRUE(report.infected) << deflate;
    EXPECT_EQ(report.threat, "Eicar-Test-Signature");
    EXPECT_EQ(report.member, u"inner.zip \u00BB eicar.com");
    EXPECT_TRUE(report.stopped.empty());
    EXPECT_FALSE(Scan(outer).infected) << "archives off";
  }
}

TEST_F(EngineTest, LimitsStopBombsAndNameTheLimit) {
  ScanSwitches archives;
  archives.archives = true;
  const std::string zeros(8 << 20, '\0');
  const std::string bomb = MakeZip({{"zeros.bin", zeros}, {"eicar.com", Eicar()}}, true);
  ScanReport ratio = Scan(bomb, archives);
  ASSERT_EQ(ratio.stopped.size(), 1u);
  EXPECT_EQ(ratio.stopped[0].second, "the compression ratio limit (100:1)");
  EXPECT_FALSE(ratio.infected);

  ArchiveLimits small;
  small.max_inflated = 1 << 20;
  small.max_ratio = 1u << 30;
  ScanReport total = Scan(bomb, archives, small);
  ASSERT_EQ(total.stopped.size(), 1u);
  EXPECT_EQ(total.stopped[0].second, "the inflated size limit (1 MB)");

  std::string nested = MakeZip({{"eicar.com", Eicar()}}, true);
  for (int i = 0; i < 6; ++i) nested = MakeZip({{"level" + std::to_string(i) + ".zip", nested}}, true);
  ScanReport deep = Scan(nested, archives);
  EXPECT_FALSE(deep.infected);
  ASSERT_EQ(deep.stopped.size(), 1u);
  EXPECT_EQ(deep.stopped[0].second, "the nesting depth limit (5)");
  EXPECT_EQ(deep.stopped[0].first.substr(0, 10), u"level5.zip");

  std::vector<std::pair<std::string, std::string>> many;
  for (int i = 0; i < 30; ++i) many.emplace_back("f" + std::to_string(i), "x");
  ArchiveLimits few;
  few.max_entries = 10;
  ScanReport entries = Scan(MakeZip(many, false), archives, few);
  ASSERT_EQ(entries.stopped.size(), 1u);
  EXPECT_EQ(entries.stopped[0].second, "the entry count limit (10)");
  EXPECT_EQ(entries.members_scanned, 10u);
}

TEST_F(EngineTest, DamagedArchivesAreScannedAsPlainFiles) {
  ScanSwitches archives;
  archives.archives = true;
  std::string zip = MakeZip({{"eicar.com", Eicar()}}, true);
  for (size_t cut : {zip.size() - 1, zip.size() / 2, size_t{10}}) {
    ScanReport report = Scan(zip.substr(0, cut), archives);
    EXPECT_FALSE(report.infected) << cut;
  }
  // A stored member is found in the raw bytes even when the directory is gone.
  std::string stored = MakeZip({{"eicar.com", Eicar()}}, false);
  ScanReport report = Scan(stored.substr(0, stored.size() - 30), archives);
  EXPECT_FALSE(report.infected);  // EICAR's signature is anchored at offset 0 of a file
}

}  // namespace
}  // namespace qws::scan
