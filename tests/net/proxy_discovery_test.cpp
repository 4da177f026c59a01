// Proxy discovery from real sources: values in the Wine registry, profile files in the user's
// application-data folder, and an auto-configuration script served by qws-server.
#include "net/proxy_discovery.h"

#include <gtest/gtest.h>

#include "base/u16.h"
#include "tests/net/browser_profiles.h"
#include "tests/net/test_server.h"

namespace qws {
namespace {

using test::BrowserProfiles;
using test::FirefoxManualPrefs;

// "text/source/priority" for each candidate.
std::vector<std::wstring> Describe(const std::vector<ProxyCandidate>& candidates) {
  std::vector<std::wstring> lines;
  for (const auto& c : candidates)
    lines.push_back(ToWide(CandidateText(c)) + L"/" + ToWide(c.source) + L"/" + std::to_wstring(c.priority));
  return lines;
}

std::wstring PacUrl(const std::wstring& name) {
  return L"http://127.0.0.1:" + std::to_wstring(test::TestServerPort(L"downloads")) + L"/special/" + name;
}

void ServePac(const std::wstring& name, const std::string& result) {
  const std::wstring content = test::TestServerFolder(L"downloads") + L"\\content\\special";
  CreateDirectoryW(content.c_str(), nullptr);
  test::WriteFileBytes(content + L"\\" + name,
                       "function FindProxyForURL(url, host) { return \"" + result + "\"; }\n");
}

class ProxyDiscoveryTest : public testing::Test {
 protected:
  BrowserProfiles profiles_;
};

TEST_F(ProxyDiscoveryTest, NothingConfiguredFindsNothing) {
  EXPECT_TRUE(DiscoverProxiesForUpdate().empty());
  EXPECT_TRUE(DiscoverProxiesForDownload().empty());
}

TEST_F(ProxyDiscoveryTest, InternetSettingsProxyServer) {
  profiles_.SetInternetSetting(L"ProxyEnable", 1);
  profiles_.SetInternetSetting(L"ProxyServer", L"http=proxy:3128;https=sec:443");
  EXPECT_EQ(Describe(DiscoverProxiesForUpdate()), (std::vector<std::wstring>{L"proxy:3128/IE/200"}));
  profiles_.SetInternetSetting(L"ProxyServer", L"proxy");
  EXPECT_EQ(Describe(DiscoverProxiesForUpdate()), (std::vector<std::wstring>{L"proxy:0/IE/200"}));
  profiles_.SetInternetSetting(L"ProxyEnable", 0);
  EXPECT_TRUE(DiscoverProxiesForUpdate().empty());
  profiles_.SetInternetSetting(L"ProxyEnable", L"1");  // a text value does not count
  EXPECT_TRUE(DiscoverProxiesForUpdate().empty());
}

TEST_F(ProxyDiscoveryTest, FirefoxProfilesCountAcrossFiles) {
  profiles_.AddFirefoxProfile(L"a.default", FirefoxManualPrefs("ff-one", 8080));
  profiles_.AddFirefoxProfile(L"b.work", FirefoxManualPrefs("ff-two", 3128));
  profiles_.AddFirefoxProfile(L"c.noport", "user_pref(\"network.proxy.http\", \"lonely\");\n"
                                           "user_pref(\"network.proxy.type\", 1);\n");
  profiles_.AddFirefoxProfile(L"d.off", FirefoxManualPrefs("off", 1) + "user_pref(\"network.proxy.type\", 0);\n");
  profiles_.AddFirefoxProfile(L"old", FirefoxManualPrefs("mozilla-old", 81), true);
  ProxyDiscovery discovery;
  discovery.AddFirefox(false);
  discovery.Finish();
  const auto found = Describe(discovery.Candidates());
  ASSERT_EQ(found.size(), 3u);
  // The two manual Firefox profiles (in the order listed), then the old Mozilla one.
  EXPECT_EQ(found[2], L"mozilla-old:81/Mozilla/202");
  EXPECT_TRUE((found[0] == L"ff-one:8080/Mozilla/200" && found[1] == L"ff-two:3128/Mozilla/201") ||
              (found[0] == L"ff-two:3128/Mozilla/200" && found[1] == L"ff-one:8080/Mozilla/201"));
  ProxyDiscovery preferred;
  preferred.AddFirefox(true);
  preferred.Finish();
  EXPECT_EQ(preferred.Candidates().front().priority, 50);
  EXPECT_EQ(preferred.Candidates().back().priority, 52);
}

TEST_F(ProxyDiscoveryTest, OperaScriptFollowsItsHttpServer) {
  ASSERT_NE(test::TestServerPort(L"downloads"), 0u) << "qws-server fixture missing";
  ServePac(L"opera.pac", "PROXY op-pac:9000; DIRECT");
  profiles_.SetOperaIni("[Proxy]\r\nUse HTTP=1\r\nHTTP server=PROXY opera.proxy:8081\r\n"
                        "Use Automatic Proxy Configuration=1\r\nAutomatic Proxy Configuration URL=" +
                        U16ToUtf8(ToU16(PacUrl(L"opera.pac"))) + "\r\n");
  ProxyDiscovery discovery;
  discovery.AddOpera(true);
  discovery.Finish();
  EXPECT_EQ(Describe(discovery.Candidates()),
            (std::vector<std::wstring>{L"opera.proxy:8081/Opera/50", L"op-pac:9000/Opera/51", L":0/Opera/52"}));
}

TEST_F(ProxyDiscoveryTest, OperaAndConnectionManagerFiles) {
  profiles_.SetOperaIni("Opera Preferences version 2.1\r\n[Proxy]\r\nUse HTTP=1\r\nHTTP server=opera.proxy:8081\r\n");
  test::TempFolder root;
  profiles_.SetConnectionManagerIni(root.path(), "[PROXY]\r\nEnableProxy=1\r\n"
                                                 "Http_Proxy_Server=http://dial.proxy\r\nHttp_Proxy_Port=8000\r\n");
  EXPECT_EQ(Describe(DiscoverProxiesForUpdate()),
            (std::vector<std::wstring>{L"dial.proxy:8000/IE/200", L"opera.proxy:8081/Opera/200"}));
  EXPECT_EQ(Describe(DiscoverProxiesForDownload()),
            (std::vector<std::wstring>{L"opera.proxy:8081/Opera/50", L"dial.proxy:8000/IE/200"}));
  profiles_.SetConnectionManagerIni(root.path(), "[PROXY]\r\nEnableProxy=1\r\nHttp_Proxy_Server=dial.proxy\r\n");
  profiles_.SetOperaIni("[Proxy]\r\nUse HTTP=0\r\nHTTP server=opera.proxy:8081\r\n");
  EXPECT_TRUE(DiscoverProxiesForUpdate().empty()) << "no port, and HTTP switched off";
}

TEST_F(ProxyDiscoveryTest, SameProxyFromTwoSourcesIsKeptOnceAtTheLowerValue) {
  profiles_.SetInternetSetting(L"ProxyEnable", 1);
  profiles_.SetInternetSetting(L"ProxyServer", L"shared:3128");
  profiles_.AddFirefoxProfile(L"a.default", FirefoxManualPrefs("shared", 3128));
  EXPECT_EQ(Describe(DiscoverProxiesForDownload()), (std::vector<std::wstring>{L"shared:3128/Mozilla/50"}));
  EXPECT_EQ(Describe(DiscoverProxiesForUpdate()), (std::vector<std::wstring>{L"shared:3128/IE/200"}));
}

// The script address as the system stores it with the user's connection settings; the script
// comes from qws-server and is evaluated by the system's auto-proxy library.
TEST_F(ProxyDiscoveryTest, AutoConfigurationScriptFromTheInternetSettings) {
  ASSERT_NE(test::TestServerPort(L"downloads"), 0u) << "qws-server fixture missing";
  ServePac(L"ie.pac", "PROXY a:80; PROXY b:8080; DIRECT");
  const std::string url = U16ToUtf8(ToU16(PacUrl(L"ie.pac")));
  profiles_.SetInternetSetting(L"AutoConfigURL", PacUrl(L"ie.pac"));
  profiles_.SetConnectionSettings(PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_PROXY_URL, url);
  EXPECT_EQ(Describe(DiscoverProxiesForUpdate()),
            (std::vector<std::wstring>{L"a:80/IE/200", L"b:8080/IE/201", L":0/IE/202"}));

  // After the registry's own proxy, the script's candidates take the next values. (The script is
  // fetched through the system's connection: the proxy must let loopback go direct.)
  profiles_.SetInternetSetting(L"ProxyEnable", 1);
  profiles_.SetInternetSetting(L"ProxyServer", L"manual:3128");
  profiles_.SetInternetSetting(L"ProxyOverride", L"127.0.0.1;<local>");
  EXPECT_EQ(Describe(DiscoverProxiesForDownload()),
            (std::vector<std::wstring>{L"manual:3128/IE/200", L"a:80/IE/201", L"b:8080/IE/202", L":0/IE/203"}));
  profiles_.SetInternetSetting(L"ProxyEnable", 0);

  struct Case {
    const char* what;
    DWORD flags;
    std::string url;
  };
  const Case nothing[] = {
      {"script switched off", PROXY_TYPE_DIRECT, url},
      {"script that is not there", PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_PROXY_URL,
       U16ToUtf8(ToU16(PacUrl(L"absent.pac")))},
      {"no server at the address", PROXY_TYPE_DIRECT | PROXY_TYPE_AUTO_PROXY_URL, "http://127.0.0.1:9/x.pac"},
  };
  for (const Case& c : nothing) {
    profiles_.SetConnectionSettings(c.flags, c.url);
    EXPECT_TRUE(DiscoverProxiesForUpdate().empty()) << c.what;
  }
}

TEST_F(ProxyDiscoveryTest, ScriptsAreEvaluatedOncePerObject) {
  ASSERT_NE(test::TestServerPort(L"downloads"), 0u) << "qws-server fixture missing";
  ServePac(L"firefox.pac", "SOCKS s:1080; PROXY ff-pac:3128");
  profiles_.AddFirefoxProfile(L"pac", "user_pref(\"network.proxy.type\", 2);\n"
                                      "user_pref(\"network.proxy.autoconfig_url\", \"" +
                                          U16ToUtf8(ToU16(PacUrl(L"firefox.pac"))) + "\");\n");
  ProxyDiscovery discovery;
  discovery.AddFirefox(true);
  discovery.Finish();
  EXPECT_EQ(Describe(discovery.Candidates()),
            (std::vector<std::wstring>{L"SOCKS s:1080/Mozilla/50", L"ff-pac:3128/Mozilla/51"}));
  // The script is gone from the server: the object answers from what it keeps.
  DeleteFileW((test::TestServerFolder(L"downloads") + L"\\content\\special\\firefox.pac").c_str());
  EXPECT_EQ(discovery.EvaluateAutoProxy(PacUrl(L"firefox.pac")), L"SOCKS s:1080; PROXY ff-pac:3128");
  ProxyDiscovery fresh;
  EXPECT_EQ(fresh.EvaluateAutoProxy(PacUrl(L"missing.pac")), L"");
}

}  // namespace
}  // namespace qws
