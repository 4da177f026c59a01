#include "scanlib/signature_set.h"

#include <gtest/gtest.h>

namespace qws::scan {
namespace {

TEST(SignatureSet, CategoriesComeFromTheNamePrefix) {
  EXPECT_EQ(CategoryOf("PUA.Win.Toolbar"), Category::kUnwanted);
  EXPECT_EQ(CategoryOf("Unsafe.Tool.Remote"), Category::kUnsafe);
  EXPECT_EQ(CategoryOf("Suspicious.Packer"), Category::kSuspicious);
  EXPECT_EQ(CategoryOf("Win.Trojan.Agent"), Category::kMalware);
  EXPECT_EQ(CategoryOf("pua.lower"), Category::kMalware);
}

TEST(SignatureSet, ModuleFormatsByExtension) {
  EXPECT_EQ(FormatOfModuleName("main.HDB"), ModuleFormat::kHdb);
  EXPECT_EQ(FormatOfModuleName("x.hsb"), ModuleFormat::kHsb);
  EXPECT_EQ(FormatOfModuleName("daily.ndb"), ModuleFormat::kNdb);
  EXPECT_EQ(FormatOfModuleName("ndb"), ModuleFormat::kUnknown);
  EXPECT_EQ(FormatOfModuleName("manifest.txt"), ModuleFormat::kUnknown);
}

TEST(SignatureSet, HashLinesKeepUsableOnesAndCountTheRest) {
  SignatureSet set;
  ParseModule(ModuleFormat::kHdb,
              "44d88612fea8a8f36de82e1278abb02f:68:Eicar-Test\r\n"
              "\n"
              "44d88612fea8a8f36de82e1278abb02f:*:AnySize\n"
              "44d88612fea8a8f36de82e1278abb02:68:ShortDigest\n"
              "44d88612fea8a8f36de82e1278abb02f:6x:BadSize\n"
              "44d88612fea8a8f36de82e1278abb02f:68:\n"
              "da39a3ee5e6b4b0d3255bfef95601890afd80709:0:Sha1InHdb\n",
              set);
  ASSERT_EQ(set.hashes.size(), 2u);
  EXPECT_EQ(set.hashes[0].name, "Eicar-Test");
  EXPECT_EQ(set.hashes[0].size, 68u);
  EXPECT_EQ(set.hashes[0].digest.size(), 16u);
  EXPECT_TRUE(set.hashes[1].any_size);
  EXPECT_EQ(set.rejected_lines, 4u);

  ParseModule(ModuleFormat::kHsb,
              "da39a3ee5e6b4b0d3255bfef95601890afd80709:0:Empty.Sha1\n"
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855:*:Empty.Sha256\n"
              "44d88612fea8a8f36de82e1278abb02f:68:Md5InHsb\n",
              set);
  ASSERT_EQ(set.hashes.size(), 4u);
  EXPECT_EQ(set.hashes[2].kind, DigestKind::kSha1);
  EXPECT_EQ(set.hashes[3].kind, DigestKind::kSha256);
  EXPECT_EQ(set.rejected_lines, 5u);
}

TEST(SignatureSet, BodyLinesWithTargetsAndOffsets) {
  SignatureSet set;
  ParseModule(ModuleFormat::kNdb,
              "A:0:*:41424344\n"
              "B:1:EOF-10:4142??44\n"
              "C:6:100:4142*4344\n"
              "D:3:*:41424344\n"          // HTML target: not supported
              "E:0:EP+10:41424344\n"      // entry point offsets: not supported
              "F:0:*:4142zz\n",
              set);
  ASSERT_EQ(set.bodies.size(), 3u);
  EXPECT_EQ(set.bodies[1].target, TargetType::kExecutable);
  EXPECT_EQ(set.bodies[1].offset_kind, OffsetKind::kFromEnd);
  EXPECT_EQ(set.bodies[1].offset, 10u);
  EXPECT_EQ(set.bodies[2].offset_kind, OffsetKind::kFromStart);
  EXPECT_EQ(set.bodies[2].segments.size(), 2u);
  EXPECT_EQ(set.rejected_lines, 3u);
}

TEST(SignatureSet, PatternSegmentsGapsAndAnchors) {
  std::vector<PatternSegment> segments;
  // A short exact gap becomes wildcards; a ranged one starts a new segment.
  ASSERT_TRUE(ParseBodyPattern("4142{2}43444546{3-7}47484950", segments));
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[0].length, 8u);
  EXPECT_EQ(segments[0].anchor, "CDEF");
  EXPECT_EQ(segments[0].anchor_offset, 4u);
  EXPECT_EQ(segments[1].gap_min, 3u);
  EXPECT_EQ(segments[1].gap_max, 7u);

  ASSERT_TRUE(ParseBodyPattern("4142{-5}4344{6-}4546*4748", segments));
  ASSERT_EQ(segments.size(), 4u);
  EXPECT_EQ(segments[1].gap_min, 0u);
  EXPECT_EQ(segments[1].gap_max, 5u);
  EXPECT_EQ(segments[2].gap_max, kUnbounded);
  EXPECT_EQ(segments[3].gap_min, 0u);

  ASSERT_TRUE(ParseBodyPattern("(41|42|43)4445?6a?", segments));
  EXPECT_EQ(segments[0].length, 5u);
  EXPECT_EQ(segments[0].anchor, "DE");

  for (const char* bad : {"", "41", "*4142", "4142*", "4142{3", "4142{x}4344", "(41|4243)4445",
                          "(41)4243", "41??42", "4142{5-2}4344", "41424"}) {
    EXPECT_FALSE(ParseBodyPattern(bad, segments)) << bad;
  }
}

}  // namespace
}  // namespace qws::scan
