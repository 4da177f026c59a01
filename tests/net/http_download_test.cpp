// Downloads from qws-server on loopback: the system connection, the fallback through a real
// proxy (tinyproxy) when the system connection is refused, size limits, the version marker, the
// new program copy and the detection database with its index.
#include "net/http_downloader.h"

#include <gtest/gtest.h>

#include "base/u16.h"
#include "net/proxy_discovery.h"
#include "net/small_downloads.h"
#include "tests/net/browser_profiles.h"
#include "tests/net/test_server.h"

namespace qws {
namespace {

using test::TestServerFolder;
using test::TestServerPort;

std::wstring ServerUrl(const wchar_t* server, const std::wstring& path) {
  return L"http://127.0.0.1:" + std::to_wstring(TestServerPort(server)) + path;
}

// Puts a file into the server's content folder, creating the folders on the way.
void ServeFile(const wchar_t* server, const std::wstring& relative, const std::string& bytes) {
  std::wstring path = TestServerFolder(server) + L"\\content";
  size_t start = 0;
  for (size_t slash = relative.find(L'\\'); slash != std::wstring::npos; slash = relative.find(L'\\', slash + 1)) {
    CreateDirectoryW((path + L"\\" + relative.substr(0, slash)).c_str(), nullptr);
    start = slash + 1;
  }
  (void)start;
  test::WriteFileBytes(path + L"\\" + relative, bytes);
}

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) >> 3);
  return bytes;
}

class HttpDownloadTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(TestServerPort(L"downloads"), 0u) << "qws-server fixture missing"; }
  test::BrowserProfiles profiles_;
};

TEST_F(HttpDownloadTest, SystemConnectionNeedsNoDiscovery) {
  const std::string body = Pattern(50000);
  ServeFile(L"downloads", L"special\\direct.bin", body);
  bool asked = false;
  HttpDownloader downloader([&] {
    asked = true;
    return std::vector<ProxyCandidate>();
  });
  ASSERT_TRUE(downloader.available());
  std::string data;
  std::atomic<uint64_t> progress{0};
  ASSERT_EQ(downloader.Download(ServerUrl(L"downloads", L"/special/direct.bin"), body.size(), data, nullptr, &progress),
            kDownloadOk);
  EXPECT_EQ(data, body);
  EXPECT_EQ(progress, body.size());
  EXPECT_FALSE(asked);
  EXPECT_TRUE(downloader.route().empty());
}

TEST_F(HttpDownloadTest, SizeLimitsAndFailures) {
  const std::string body = Pattern(40000);
  ServeFile(L"downloads", L"special\\limit.bin", body);
  const std::wstring url = ServerUrl(L"downloads", L"/special/limit.bin");
  std::string data;
  EXPECT_EQ(HttpDownloader().Download(url, body.size(), data), kDownloadOk) << "exactly the maximum";
  EXPECT_EQ(HttpDownloader().Download(url, body.size() - 1, data), kDownloadFailed) << "one byte more";
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(HttpDownloader().Download(url, 0, data), kDownloadFailed);
  EXPECT_EQ(HttpDownloader().Download(L"", 10, data), kDownloadFailed);
  EXPECT_EQ(HttpDownloader([] { return std::vector<ProxyCandidate>(); })
                .Download(ServerUrl(L"downloads", L"/special/absent.bin"), 1000, data),
            kDownloadFailed)
      << "an error page is no file";
}

TEST_F(HttpDownloadTest, DownloadToFileWritesEveryByte) {
  const std::string body = Pattern(70000);
  ServeFile(L"downloads", L"special\\file.bin", body);
  test::TempFolder folder;
  const std::wstring target = folder / L"copy.bin";
  std::string data;
  ASSERT_EQ(HttpDownloader().Download(ServerUrl(L"downloads", L"/special/file.bin"), 100000, data, &target), kDownloadOk);
  EXPECT_EQ(test::ReadFileBytes(target), body);
  const std::wstring unwritable = folder / L"missing\\copy.bin";
  EXPECT_EQ(HttpDownloader().Download(ServerUrl(L"downloads", L"/special/file.bin"), 100000, data, &unwritable),
            kDownloadFailed);
}

// The system's configured proxy refuses connections; the Firefox profile's proxy (tinyproxy)
// carries the download, and is tried before the system's.
TEST_F(HttpDownloadTest, RefusedSystemConnectionFallsBackToTheBrowsersProxy) {
  const unsigned proxyPort = TestServerPort(L"proxy");
  ASSERT_NE(proxyPort, 0u) << "tinyproxy fixture missing";
  // A server this process has not talked to, so that no kept-open connection can carry it.
  ASSERT_NE(TestServerPort(L"downloads_proxied"), 0u);
  const std::string body = Pattern(30000);
  ServeFile(L"downloads_proxied", L"special\\proxied.bin", body);
  // A port nothing listens on. (Named "localhost": Wine 8's WinINet, after a failed proxy on
  // 127.0.0.1, also fails the next proxy on the same address with another port.)
  profiles_.SetInternetSetting(L"ProxyEnable", 1);
  profiles_.SetInternetSetting(L"ProxyServer", L"localhost:9");
  profiles_.AddFirefoxProfile(L"proxy.default", test::FirefoxManualPrefs("127.0.0.1", static_cast<int>(proxyPort)));

  const auto candidates = DiscoverProxiesForDownload();
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_EQ(candidates[0].source, u"Mozilla");
  EXPECT_EQ(candidates[0].priority, 50);
  EXPECT_EQ(candidates[1].source, u"IE");

  HttpDownloader downloader;
  std::string data;
  ASSERT_EQ(downloader.Download(ServerUrl(L"downloads_proxied", L"/special/proxied.bin"), body.size(), data), kDownloadOk);
  EXPECT_EQ(data, body);
  EXPECT_TRUE(downloader.triedProxies());
  EXPECT_EQ(downloader.route(), L"127.0.0.1:" + std::to_wstring(proxyPort));
  const std::string log = test::ReadFileBytes(TestServerFolder(L"proxy") + L"\\tinyproxy.log");
  EXPECT_NE(log.find("/special/proxied.bin"), std::string::npos) << "the request went through tinyproxy";

  profiles_.Clear();
  profiles_.SetInternetSetting(L"ProxyEnable", 1);
  profiles_.SetInternetSetting(L"ProxyServer", L"localhost:9");
  EXPECT_EQ(HttpDownloader().Download(ServerUrl(L"downloads_proxied", L"/special/proxied.bin"), body.size(), data),
            kDownloadFailed)
      << "no route works";
}

TEST_F(HttpDownloadTest, VersionMarkerAndNewProgramCopy) {
  const std::wstring base = ServerUrl(L"downloads", L"/special/qws-beta-be/");
  std::atomic<int> state{99};
  CheckForNewVersion(state, base);
  EXPECT_EQ(state, kDownloadFailedState) << "no marker yet";
  ServeFile(L"downloads", L"special\\qws-beta-be\\ver.txt", "2.0.2.0\r\n");
  CheckForNewVersion(state, base);
  EXPECT_EQ(state, kDownloadDone);

  EXPECT_EQ(NewVersionUrl(L"C:\\Program Files\\Q\\Scanner.exe", L"http://h/special/qws-beta-be/"),
            L"http://h/special/qws-beta-be/scanner.exe");
  EXPECT_EQ(NewVersionTarget(L"C:\\Program Files\\Q\\Scanner.exe", L"C:\\work"), L"C:\\work\\Scanner_upd.exe");

  const std::string program = "MZ" + Pattern(120000);
  ServeFile(L"downloads", L"special\\qws-beta-be\\scanner.exe", program);
  test::TempFolder work;
  std::atomic<uint64_t> bytes{0};
  DownloadNewVersion(L"C:\\Program Files\\Q\\Scanner.exe", work.path(), state, bytes, base);
  EXPECT_EQ(state, kDownloadDone);
  EXPECT_EQ(bytes, program.size());
  EXPECT_EQ(test::ReadFileBytes(work / L"Scanner_upd.exe"), program);
  DownloadNewVersion(L"C:\\Q\\Other.exe", work.path(), state, bytes, base);
  EXPECT_EQ(state, kDownloadFailedState);
}

TEST_F(HttpDownloadTest, DetectionDatabaseNeedsExactlyItsSize) {
  const std::string database = Pattern(5000);
  ServeFile(L"downloads", L"special\\detectav\\detectav.dat", database);
  ServeFile(L"downloads", L"special\\detectav\\short.dat", database.substr(0, database.size() - 1));
  auto index = [](const char* file, const char* signature) {
    return std::string("<?xml version=\"1.0\"?>\n<DETECTAV>\n <DATABASE>\n"
                       "  <ITEM NAME=\"DwnlLink\" VALUE=\"@SERVER@/special/detectav/") + file + "\"/>\n"
                       "  <ITEM NAME=\"Size\" VALUE=\"1388\"/>\n"
                       "  <ITEM NAME=\"Signature\" VALUE=\"" + signature + "\"/>\n </DATABASE>\n</DETECTAV>\n";
  };
  ServeFile(L"downloads", L"special\\detectav\\detectav.xml", index("detectav.dat", "c2lnbmF0\r\ndXJl"));
  ServeFile(L"downloads", L"special\\detectav\\short.xml", index("short.dat", "c2lnbmF0dXJl"));
  ServeFile(L"downloads", L"special\\detectav\\badsig.xml", index("detectav.dat", "c2ln!mF0dXJl"));

  std::string body, signature;
  ASSERT_TRUE(DownloadDetectionDatabase(body, signature, ServerUrl(L"downloads", L"/special/detectav/detectav.xml")));
  EXPECT_EQ(body, database);
  EXPECT_EQ(signature, "signature");
  for (const wchar_t* failing : {L"/special/detectav/short.xml", L"/special/detectav/badsig.xml",
                                 L"/special/detectav/none.xml"}) {
    EXPECT_FALSE(DownloadDetectionDatabase(body, signature, ServerUrl(L"downloads", failing))) << failing;
    EXPECT_TRUE(body.empty());
    EXPECT_TRUE(signature.empty());
  }
}

TEST_F(HttpDownloadTest, TruncatedTransferFails) {
  ASSERT_NE(TestServerPort(L"downloads_truncated"), 0u);
  ServeFile(L"downloads_truncated", L"special\\cut.bin", Pattern(20000));
  std::string data;
  EXPECT_EQ(HttpDownloader([] { return std::vector<ProxyCandidate>(); })
                .Download(ServerUrl(L"downloads_truncated", L"/special/cut.bin"), 20000, data),
            kDownloadFailed);
}

}  // namespace
}  // namespace qws
