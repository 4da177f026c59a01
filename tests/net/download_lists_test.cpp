// The banner list, the database index and their Base64 signature.
#include <gtest/gtest.h>

#include "net/base64.h"
#include "net/download_lists.h"

namespace qws {
namespace {

TEST(DownloadLists, BannerListKeepsOrderDurationsAndDefaults) {
  const auto banners = ReadBannerList(
      "<?xml version=\"1.0\"?>\n<BANNERS>\n"
      "  <BANNER URL=\"http://b/one.png\" DURATION=\"5\" DSTURL=\"http://d/one\" TRANSITION=\"fade\"/>\n"
      "  <BANNER URL=\"http://b/two.png?a=1&amp;b=2\" DURATION=\"20\" DSTURL=\"http://d/two\"></BANNER>\n"
      "  <BANNER URL=\"http://b/three.png\"/>\n"
      "  <BANNER URL=\"http://b/four.png\" DURATION=\"-3\"/>\n"
      "</BANNERS>\n");
  ASSERT_TRUE(banners);
  ASSERT_EQ(banners->size(), 4u);
  EXPECT_EQ((*banners)[0].imageUrl, u"http://b/one.png");
  EXPECT_EQ((*banners)[0].destinationUrl, u"http://d/one");
  EXPECT_EQ((*banners)[0].durationSeconds, 5);
  EXPECT_EQ((*banners)[1].imageUrl, u"http://b/two.png?a=1&b=2");
  EXPECT_EQ((*banners)[1].durationSeconds, 20);
  EXPECT_EQ((*banners)[2].durationSeconds, 10);
  EXPECT_TRUE((*banners)[2].destinationUrl.empty());
  EXPECT_EQ((*banners)[3].durationSeconds, 10);

  // Values longer than 255 characters are not taken.
  const auto tooLong = ReadBannerList("<L><B URL=\"" + std::string(256, 'u') + "\"/><B URL=\"" +
                                      std::string(255, 'u') + "\"/></L>");
  ASSERT_TRUE(tooLong);
  EXPECT_TRUE((*tooLong)[0].imageUrl.empty());
  EXPECT_EQ((*tooLong)[1].imageUrl.size(), 255u);

  for (const char* broken : {"", "not xml", "<L><B URL=\"x\"></L>", "<L><B URL=x/></L>", "<L>"})
    EXPECT_FALSE(ReadBannerList(broken)) << broken;
  const auto empty = ReadBannerList("<L/>");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
}

TEST(DownloadLists, DatabaseIndexNeedsLinkSizeAndSignature) {
  const auto index = ReadDatabaseIndex(
      "<ROOT><OTHER/><database>"
      "<ITEM NAME=\"dwnllink\" VALUE=\"http://old/db\"/>"
      "<ITEM NAME=\"DwnlLink\" VALUE=\"http://s/special/detectav/detectav.dat\"/>"
      "<ITEM VALUE=\"ignored\"/><ITEM NAME=\"Other\" VALUE=\"1\"/>"
      "<ITEM NAME=\"Size\" VALUE=\"1A2b\"/>"
      "<ITEM NAME=\"SIGNATURE\" VALUE=\"AAEC\"/>"
      "</database><DATABASE><ITEM NAME=\"Size\" VALUE=\"1\"/></DATABASE></ROOT>");
  ASSERT_TRUE(index);
  EXPECT_EQ(index->link, u"http://s/special/detectav/detectav.dat");
  EXPECT_EQ(index->size, 0x1a2bu);
  EXPECT_EQ(index->signature, "AAEC");

  const char* incomplete[] = {
      "<R><DATABASE><I NAME=\"Size\" VALUE=\"10\"/><I NAME=\"Signature\" VALUE=\"AA==\"/></DATABASE></R>",
      "<R><DATABASE><I NAME=\"DwnlLink\" VALUE=\"u\"/><I NAME=\"Size\" VALUE=\"0\"/><I NAME=\"Signature\" VALUE=\"AA==\"/></DATABASE></R>",
      "<R><DATABASE><I NAME=\"DwnlLink\" VALUE=\"u\"/><I NAME=\"Size\" VALUE=\"12g\"/><I NAME=\"Signature\" VALUE=\"AA==\"/></DATABASE></R>",
      "<R><DATABASE><I NAME=\"DwnlLink\" VALUE=\"u\"/><I NAME=\"Size\" VALUE=\"10000000000000000\"/><I NAME=\"Signature\" VALUE=\"AA==\"/></DATABASE></R>",
      "<R><DATABASE><I NAME=\"DwnlLink\" VALUE=\"u\"/><I NAME=\"Size\" VALUE=\"10\"/></DATABASE></R>",
      "<R><DB/></R>",
  };
  for (const char* xml : incomplete) EXPECT_FALSE(ReadDatabaseIndex(xml)) << xml;
}

TEST(DownloadLists, Base64DecodesPaddingAndSkipsLineBreaks) {
  const std::pair<std::string, std::string> good[] = {
      {"", ""}, {"Zg==", "f"}, {"Zm8=", "fo"}, {"Zm9v", "foo"},
      {"Zm9v\r\nYmFy", "foobar"}, {" Z m 9 v Y g = = ", "foob"}, {"AP8=", std::string("\0\xff", 2)},
      {"Zm8", "fo"}};
  for (const auto& [text, bytes] : good) {
    const auto decoded = DecodeBase64(text);
    ASSERT_TRUE(decoded) << text;
    EXPECT_EQ(*decoded, bytes) << text;
  }
  for (const char* bad : {"Z", "Zg=", "Z===", "Zg==Zg==", "Zm9v!", "Zm-_", "=Zm9"})
    EXPECT_FALSE(DecodeBase64(bad)) << bad;
}

}  // namespace
}  // namespace qws
