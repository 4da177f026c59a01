#include "detect/detection_database.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "detect/detection_public_key.h"
#include "detect/empty_detection_system.h"
#include "tests/detect/served_database.h"

namespace qws {
namespace {

std::string ReadBuildFile(const std::string& name) {
  std::ifstream in(std::string(QWS_DETECTION_DIR) + "/" + name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The chunks of a block, held so that views into them stay valid.
struct Chunks {
  std::array<std::string, kBuiltInChunkCount> bytes;
  BuiltInChunks views;
  explicit Chunks(std::array<std::string, kBuiltInChunkCount> parts) : bytes(std::move(parts)) {
    for (size_t i = 0; i < kBuiltInChunkCount; ++i) views[i] = bytes[i];
  }
  static Chunks Of(std::string_view text) { return Chunks(SplitIntoChunks(*DeflateBlock(text))); }
};

const crypto::DsaPrivateKey& TestKey() {
  static const crypto::DsaPrivateKey key = *crypto::GenerateDsaKey(1024, 160);
  return key;
}

std::string Downloaded(std::string_view text, uint16_t revision = 7) {
  return MakeDownloadedFile(*DeflateBlock(text), revision);
}

const char kOneVendor[] = R"(<VENDORS><VENDOR COMPANY="Built In" ID="5"><VERSION ID="1"/></VENDOR></VENDORS>)";
const char kOtherVendor[] = R"(<VENDORS><VENDOR COMPANY="Downloaded" ID="6"><VERSION ID="1"/></VENDOR></VENDORS>)";

TEST(DetectionDatabase, TheShippedDatabaseLoadsCompletelyFromItsChunks) {
  std::array<std::string, kBuiltInChunkCount> parts;
  for (size_t i = 0; i < kBuiltInChunkCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "chunk_%02zu.bin", i + 1);
    parts[i] = ReadBuildFile(name);
    ASSERT_GE(parts[i].size(), 4u) << name;
  }
  const Chunks chunks(std::move(parts));
  const auto block = JoinChunks(chunks.views);
  ASSERT_TRUE(block);
  const auto text = InflateBlock(*block);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, ReadBuildFile("detection_database.xml"));
  EXPECT_EQ(text->substr(0, 11), "\t\t<VENDORS>");

  EmptyDetectionSystem nothing(64);
  std::vector<Vendor> vendors;
  EXPECT_EQ(ParseDetectionText(*text, nothing, vendors), DatabaseParse::Complete);
  DetectionDatabase database(*DetectionPublicKey());
  ASSERT_EQ(database.Load(chunks.views, nothing), 0);
  EXPECT_EQ(database.vendors().size(), vendors.size());
  bool own = false, microsoft = false;
  for (const Vendor& vendor : database.vendors()) {
    EXPECT_FALSE(vendor.products.empty()) << std::string(vendor.company.begin(), vendor.company.end());
    own = own || (vendor.id == kOwnVendorId && vendor.company == u"Quellix");
    microsoft = microsoft || vendor.id == 23;
  }
  EXPECT_TRUE(own);
  EXPECT_TRUE(microsoft);
}

TEST(DetectionDatabase, TheServedDatabaseVerifiesWithTheBuiltInKey) {
  const test::ServedDatabase served =
      test::ReadServedDatabase(std::string(QWS_DETECTION_DIR) + "/../content/special/detectav");
  EXPECT_EQ(served.size, served.file.size());
  EXPECT_TRUE(served.link.ends_with(u"/special/detectav/detectav.dat"));
  DetectionDatabase database(*DetectionPublicKey());
  ASSERT_TRUE(database.AcceptDownloaded(served.file, served.signature));
  EmptyDetectionSystem nothing;
  ASSERT_EQ(database.Load(BuiltInChunks{}, nothing), 0);
  EXPECT_TRUE(database.LoadedDownloaded());
  EXPECT_FALSE(database.vendors().empty());
}

TEST(DetectionDatabase, ChecksTheDownloadedHeader) {
  const std::string good = Downloaded(kOtherVendor);
  std::string version2 = good;
  version2[4] = 2;
  std::string tooLong = good;
  tooLong[0] = static_cast<char>(good.size() - 8 + 1);
  tooLong[1] = static_cast<char>((good.size() - 8 + 1) >> 8);
  const struct {
    std::string file;
    bool accepted;
  } cases[] = {{good, true}, {good.substr(0, 7), false}, {version2, false}, {tooLong, false}};
  const Chunks builtIn = Chunks::Of(kOneVendor);
  for (const auto& c : cases) {
    DetectionDatabase database(TestKey().publicKey);
    EXPECT_EQ(database.AcceptDownloaded(c.file, *SignDatabase(c.file, TestKey())), c.accepted)
        << c.file.size();
    EmptyDetectionSystem nothing;
    ASSERT_EQ(database.Load(builtIn.views, nothing), 0);
    ASSERT_EQ(database.vendors().size(), 1u);
    EXPECT_EQ(database.vendors()[0].company, c.accepted ? u"Downloaded" : u"Built In");
    EXPECT_EQ(database.LoadedDownloaded(), c.accepted);
  }
}

TEST(DetectionDatabase, AcceptsOnlyAGoodSignatureOfTheBuildKey) {
  const std::string file = Downloaded(kOtherVendor);
  const std::string good = *SignDatabase(file, TestKey());
  ASSERT_EQ(good.size(), kSignatureBytes);
  std::string firstByte0 = good;
  firstByte0[0] = 0;
  std::string flipped = file;
  flipped[flipped.size() / 2] ^= 0x01;
  const auto otherKey = crypto::GenerateDsaKey(1024, 160);
  ASSERT_TRUE(otherKey);
  const struct {
    const char* what;
    std::string file, signature;
    bool accepted;
  } cases[] = {
      {"good", file, good, true},
      {"40 bytes", file, good.substr(0, 40), false},
      {"first byte 0", file, firstByte0, false},
      {"wrong key", file, *SignDatabase(file, *otherKey), false},
      {"one flipped byte", flipped, good, false},
      {"no signature", file, "", false},
      {"r of zero", file, std::string(1, '\1') + std::string(20, '\0') + good.substr(21), false},
  };
  for (const auto& c : cases) {
    DetectionDatabase database(TestKey().publicKey);
    EXPECT_EQ(database.AcceptDownloaded(c.file, c.signature), c.accepted) << c.what;
    EXPECT_EQ(database.HasDownloaded(), c.accepted) << c.what;
  }
}

TEST(DetectionDatabase, FallsBackOrFailsAsTheCarriersDeserve) {
  EmptyDetectionSystem nothing;
  const Chunks builtIn = Chunks::Of(kOneVendor);

  // A signed download whose text is not XML gives way to the carried copy.
  DetectionDatabase broken(TestKey().publicKey);
  const std::string notXml = Downloaded("<VENDORS><VENDOR");
  ASSERT_TRUE(broken.AcceptDownloaded(notXml, *SignDatabase(notXml, TestKey())));
  ASSERT_EQ(broken.Load(builtIn.views, nothing), 0);
  EXPECT_FALSE(broken.LoadedDownloaded());
  ASSERT_EQ(broken.vendors().size(), 1u);

  // A download whose vendor list stops early is used with the vendors before the fault.
  DetectionDatabase partial(TestKey().publicKey);
  const std::string stops = Downloaded(
      R"(<V><VENDOR COMPANY="A" ID="1"/><VENDOR COMPANY="B" ID="2"><OTHER/></VENDOR></V>)");
  ASSERT_TRUE(partial.AcceptDownloaded(stops, *SignDatabase(stops, TestKey())));
  ASSERT_EQ(partial.Load(builtIn.views, nothing), 0);
  EXPECT_TRUE(partial.LoadedDownloaded());
  ASSERT_EQ(partial.vendors().size(), 1u);
  EXPECT_EQ(partial.vendors()[0].company, u"A");

  // The carried copy failing fails the load.
  DetectionDatabase carried(TestKey().publicKey);
  Chunks cut = Chunks::Of(kOneVendor);
  cut.bytes[13].resize(cut.bytes[13].size() - 1);
  cut.views[13] = cut.bytes[13];
  EXPECT_EQ(carried.Load(cut.views, nothing), 1);
  std::array<std::string, kBuiltInChunkCount> lying = builtIn.bytes;
  lying[0][0] = static_cast<char>(0xFF);  // a count beyond the chunk
  EXPECT_EQ(carried.Load(Chunks(lying).views, nothing), 1);
  EXPECT_EQ(carried.Load(Chunks::Of(R"(<V><NOTVENDOR/></V>)").views, nothing), 1);
  EXPECT_EQ(carried.Load(Chunks::Of("").views, nothing), 1);
}

TEST(DetectionDatabase, InflatesOnlyWhatTheHeaderAnnounces) {
  std::string block = *DeflateBlock(kOneVendor);
  EXPECT_TRUE(InflateBlock(block));
  std::string longer = block;
  longer[4] = static_cast<char>(longer[4] + 1);  // announces one byte more than the stream holds
  EXPECT_FALSE(InflateBlock(longer));
  std::string huge = block;
  huge[7] = 0x7F;  // an inflated length of about 2 GB is never allocated
  EXPECT_FALSE(InflateBlock(huge));
  std::string beyond = block;
  beyond[0] = static_cast<char>(beyond[0] + 1);  // a block length beyond the bytes
  EXPECT_FALSE(InflateBlock(beyond));
  EXPECT_FALSE(InflateBlock(block.substr(0, 7)));
}

// Registry answers for the embedded variables, which are read while parsing.
class RegistryOnly : public EmptyDetectionSystem {
 public:
  using EmptyDetectionSystem::EmptyDetectionSystem;
  std::optional<std::u16string> ReadValue(RegRoot root, const std::u16string& key,
                                          const std::u16string& name, RegView) override {
    if (root == RegRoot::LocalMachine && key == u"SOFTWARE\\Vendor" && name == u"Current") {
      return u"7.1";
    }
    return std::nullopt;
  }
};

TEST(DetectionDatabase, ReadsTheSchemaWithItsFilters) {
  const char text[] =
      "<VENDORS>"
      "<VENDOR COMPANY=\"Vendor &amp; Co\" ID=\"40\">"
      "<VERSION NAME=\"7\" PRODUCT=\"Guard\" ID=\"3\" WSC_NAME=\"Guard AV\" DESC=\"d\" FORCE_SCAN=\"1\">"
      "<REGS>"
      "<REG TYPE=\"local\" KEY=\"SOFTWARE\\Vendor\" OS=\"W7\"/>"
      "<REG TYPE=\"local\" KEY=\"SOFTWARE\\Vendor\" OS=\"XP\"/>"
      "<REG TYPE=\"embedded\" KEY=\"SOFTWARE\\Vendor\" PROPERTY=\"Current\" NAME=\"VER\"/>"
      "<REG TYPE=\"embedded\" KEY=\"SOFTWARE\\Missing\" PROPERTY=\"X\" NAME=\"GONE\"/>"
      "<REG TYPE=\"local\" KEY=\"SOFTWARE\\Vendor\\%VER%\\%VER%\"/>"
      "<REG TYPE=\"local\" KEY=\"SOFTWARE\\Vendor\\%GONE%\"/>"
      "<REG TYPE=\"local\"/>"
      "<OTHER KEY=\"x\"/>"
      "<REG TYPE=\"local\" KEY=\"SOFTWARE\\64only\" SYS=\"64\"/>"
      "<REG TYPE=\"local\" KEY=\"SOFTWARE\\32only\" SYS=\"32\"/>"
      "</REGS>"
      "<FILES PATH=\"%PROGRAM%\\Vendor\" BASE=\"yes\" LASTTIME=\"yes\">"
      "<FILE NAME=\"a.exe\" LASTTIME=\"yes\"/><FILE NAME=\"b32.dll\" SYS=\"32\"/>"
      "<FILES PATH=\"Sub\"><FILE NAME=\"c*.dat\"/></FILES></FILES>"
      "<SERVICES><SERVICE NAME=\"VendorSvc\"/><SERVICE NAME=\"Old\" OS=\"W7\"/></SERVICES>"
      "<STATUS CURRENT_RESTART=\"and\" RESTART=\"or\">"
      "<CURRENT_RESTART TYPE=\"reg\" KEY=\"SOFTWARE\\Vendor\" PROPERTY=\"On|Off\" ON=\"1\" DEFAULT=\"true\"/>"
      "<CURRENT TYPE=\"path_reg+file\" KEY=\"K\" PROPERTY=\"P\" ON=\"\\001a\" OFF=\"\\000\\9x\" SIZE=\"2\" OFFSET=\"4\"/>"
      "<UPDATE TYPE=\"reg\" KEY=\"K\" PROPERTY=\"U\" FORMAT=\"yyyymmdd\"/>"
      "<CURRENT TYPE=\"file\" KEY=\"ignored\"/>"
      "<UNKNOWN TYPE=\"reg\"/>"
      "</STATUS>"
      "</VERSION></VENDOR></VENDORS>";
  for (int bits : {64, 32, 0}) {
    RegistryOnly system(bits);
    std::vector<Vendor> vendors;
    ASSERT_EQ(ParseDetectionText(text, system, vendors), DatabaseParse::Complete);
    ASSERT_EQ(vendors.size(), 1u);
    EXPECT_EQ(vendors[0].company, u"Vendor & Co");
    EXPECT_EQ(vendors[0].id, 40);
    ASSERT_EQ(vendors[0].products.size(), 1u);
    const CProduct& p = vendors[0].products[0];
    EXPECT_EQ(p.versionId, 3);
    EXPECT_EQ(p.wscName, u"Guard AV");
    EXPECT_TRUE(p.forceScan);
    EXPECT_EQ(p.bits, bits);
    std::vector<std::u16string> keys;
    for (const RegRule& r : p.regs) keys.push_back(r.key);
    std::vector<std::u16string> expected = {u"SOFTWARE\\Vendor", u"SOFTWARE\\Vendor",
                                            u"SOFTWARE\\Missing", u"SOFTWARE\\Vendor\\7.1\\%VER%",
                                            u"SOFTWARE\\Vendor\\%GONE%"};
    if (bits != 32) expected.push_back(u"SOFTWARE\\64only");
    if (bits != 64) expected.push_back(u"SOFTWARE\\32only");
    EXPECT_EQ(keys, expected) << bits;
    ASSERT_EQ(p.dirs.size(), 1u);
    EXPECT_TRUE(p.dirs[0].base);
    EXPECT_EQ(p.dirs[0].files.size(), bits == 64 ? 1u : 2u);
    ASSERT_EQ(p.dirs[0].dirs.size(), 1u);
    EXPECT_EQ(p.dirs[0].dirs[0].files[0].name, u"c*.dat");
    ASSERT_EQ(p.services.size(), 1u);
    const StatusBlock& s = p.status;
    EXPECT_EQ(s.currentOperator, u"and");
    EXPECT_EQ(s.restartOperator, u"or");
    ASSERT_EQ(s.conditions.size(), 4u);
    EXPECT_EQ(s.current, (std::vector<size_t>{0, 1, 3}));
    EXPECT_EQ(s.restart, (std::vector<size_t>{0}));
    EXPECT_EQ(s.update, std::optional<size_t>(2));
    EXPECT_EQ(s.conditions[0].defaultValue, StatusCondition::Default::True);
    EXPECT_EQ(s.conditions[1].onBytes, std::u16string(u"\001a"));
    EXPECT_EQ(s.conditions[1].offBytes, std::u16string(u"\0", 1));
    EXPECT_EQ(s.conditions[1].offset, 4u);
    EXPECT_TRUE(s.conditions[3].key.empty());  // a "file" condition reads nothing more
  }
}

TEST(DetectionDatabase, StopsAtAStructuralFaultKeepingTheVendorsBefore) {
  EmptyDetectionSystem nothing;
  const std::string longCompany(256, 'c');
  const struct {
    std::string text;
    DatabaseParse result;
    size_t vendors;
  } cases[] = {
      {R"(<V><VENDOR COMPANY="A" ID="1"/><PRODUCT/><VENDOR COMPANY="B" ID="2"/></V>)",
       DatabaseParse::StoppedEarly, 1},
      {R"(<V><VENDOR COMPANY="A" ID="1"/><VENDOR ID="2"/></V>)", DatabaseParse::StoppedEarly, 1},
      {R"(<V><VENDOR COMPANY=")" + longCompany + R"(" ID="1"/></V>)", DatabaseParse::StoppedEarly, 0},
      {R"(<V><VENDOR COMPANY="A" ID="1"><VERSION/><REGS/></VENDOR></V>)",
       DatabaseParse::StoppedEarly, 0},
      {R"(<V><vendor company="A" id="1"><version/></vendor></V>)", DatabaseParse::Complete, 1},
      {R"(<V><VENDOR COMPANY="A" ID="1">)", DatabaseParse::BadXml, 0},
  };
  for (const auto& c : cases) {
    std::vector<Vendor> vendors;
    EXPECT_EQ(ParseDetectionText(c.text, nothing, vendors), c.result) << c.text;
    EXPECT_EQ(vendors.size(), c.vendors) << c.text;
  }
}

}  // namespace
}  // namespace qws
