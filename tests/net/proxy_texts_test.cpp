// The texts proxies are read from: entries, lists, the Internet settings value, prefs.js lines,
// INI files, and the order of the finished candidate list.
#include <gtest/gtest.h>

#include "net/firefox_prefs.h"
#include "net/ini_file.h"
#include "net/proxy_candidate.h"
#include "net/proxy_dialog_checks.h"

namespace qws {
namespace {

std::string Host(const ProxyCandidate& c) { return std::string(c.host.begin(), c.host.end()); }

TEST(ProxyTexts, EntriesAndLists) {
  struct Case {
    std::u16string entry;
    std::string host;
    int port;
  };
  const Case entries[] = {
      {u"DIRECT", "", 0},         {u"PROXY a:80", "a", 80},     {u"b:8080", "b", 8080},
      {u"proxy", "proxy", 0},     {u"SOCKS s:1080", "SOCKS s", 1080},
      {u"h:x1", "h", 0},          {u"PROXYx:1", "PROXYx", 1},   {u"h:99999999999", "h", 2147483647},
      {u"direct", "direct", 0},
  };
  for (const Case& c : entries) {
    const ProxyCandidate parsed = ParseProxyEntry(c.entry);
    EXPECT_EQ(Host(parsed), c.host);
    EXPECT_EQ(parsed.port, c.port);
  }
  const auto list = SplitProxyList(u" PROXY a:80;\tPROXY b:8080 ;;\r\nDIRECT\n; ");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(CandidateText(list[0]), u"a:80");
  EXPECT_EQ(CandidateText(list[1]), u"b:8080");
  EXPECT_EQ(Host(list[2]), "");
  EXPECT_EQ(list[2].port, 0);
  EXPECT_TRUE(SplitProxyList(u"").empty());
  EXPECT_TRUE(SplitProxyList(u" ; ;").empty());
}

TEST(ProxyTexts, InternetSettingsProxyServer) {
  struct Case {
    std::u16string value;
    std::string host;
    int port;
  };
  const Case cases[] = {
      {u"http=proxy:3128;https=sec:443", "proxy", 3128},
      {u"https=sec:443;http=proxy:3128", "proxy", 3128},
      {u"proxy:3128", "proxy", 3128},
      {u"proxy", "proxy", 0},
      {u"HTTP://proxy:81", "proxy", 81},
      {u"http=http://p:82", "p", 82},
      {u"", "", 0},
  };
  for (const Case& c : cases) {
    const ProxyCandidate parsed = ParseInternetSettingsProxy(c.value);
    EXPECT_EQ(Host(parsed), c.host);
    EXPECT_EQ(parsed.port, c.port);
  }
  EXPECT_EQ(ParseInternetSettingsProxy(std::u16string(400, u'h') + u":1").host.size(), 259u);
}

TEST(ProxyTexts, FinishSortsStablyAndKeepsTheFirstOfEqualProxies) {
  std::vector<ProxyCandidate> list = {
      {u"ie", 80, 200, {}, {}, u"IE"},      {u"same", 1, 200, {}, {}, u"IE"},
      {u"ff", 80, 50, {}, {}, u"Mozilla"},  {u"same", 1, 51, {}, {}, u"Mozilla"},
      {u"ie", 81, 201, {}, {}, u"IE"},      {u"", 0, 52, {}, {}, u"Mozilla"},
      {u"", 0, 53, {}, {}, u"Opera"},       {u"SAME", 1, 54, {}, {}, u"Opera"},
  };
  FinishCandidates(list);
  std::vector<std::u16string> order;
  for (const auto& c : list) order.push_back(CandidateText(c) + u"/" + c.source);
  EXPECT_EQ(order, (std::vector<std::u16string>{u"ff:80/Mozilla", u"same:1/Mozilla", u":0/Mozilla",
                                                u"SAME:1/Opera", u"ie:80/IE", u"ie:81/IE"}));
}

TEST(ProxyTexts, FirefoxPrefsLines) {
  const std::string prefs =
      "# Mozilla User Preferences\r\n"
      "user_pref(\"network.proxy.http_port\", 8080);\r\n"
      "user_pref(\"network.proxy.http\", 'proxy.example');\r\n"
      "user_pref(\"network.proxy.autoconfig_url\", \"http://pac.example/proxy.pac\");\r\n"
      "user_pref(\"network.proxy.type\", 1);\r\n"
      "user_pref(\"network.proxy.type\", 4);\r\n";  // after all four were found: not read
  const FirefoxProxyPrefs read = ReadFirefoxProxyPrefs(prefs);
  EXPECT_EQ(read.type, 1);
  EXPECT_EQ(read.httpPort, 8080);
  EXPECT_EQ(read.httpHost, "proxy.example");
  EXPECT_EQ(read.autoconfigUrl, "http://pac.example/proxy.pac");

  const FirefoxProxyPrefs odd = ReadFirefoxProxyPrefs(
      "user_pref(\"network.proxy.type\" 2);\n"             // no comma: 0
      "user_pref(\"network.proxy.http\", \"unclosed\n"     // runs to the end of the line
      "user_pref(\"network.proxy.http_port\", \"3128\");"); // quotes skipped, last line
  EXPECT_EQ(odd.type, 0);
  EXPECT_EQ(odd.httpHost, "unclosed");
  EXPECT_EQ(odd.httpPort, 3128);

  // A line longer than 1023 bytes is read in two pieces; the second names the preference.
  const std::string longLine = std::string(1023, ' ') + "\"network.proxy.type\", 2);\n";
  EXPECT_EQ(ReadFirefoxProxyPrefs(longLine).type, 2);
  EXPECT_EQ(ReadFirefoxProxyPrefs("").type, 0);
}

TEST(ProxyTexts, IniValues) {
  const std::string opera =
      "\xEF\xBB\xBFOpera Preferences version 2.1\r\n"
      "[User Prefs]\r\nUse HTTP=0\r\n"
      "[ proxy ]\r\n"
      "  Use HTTP = 1 \r\n"
      "HTTP server=\"opera.proxy:3128\"\r\n"
      "; Use Automatic Proxy Configuration=1\r\n"
      "Use HTTP=0\r\n";
  EXPECT_EQ(ReadIniText(opera, "Proxy", "Use HTTP", 1024), "1");
  EXPECT_EQ(ReadIniText(opera, "Proxy", "http server", 1024), "opera.proxy:3128");
  EXPECT_EQ(ReadIniText(opera, "Proxy", "HTTP server", 5), "opera");
  EXPECT_FALSE(ReadIniText(opera, "Proxy", "Use Automatic Proxy Configuration", 1024));
  EXPECT_FALSE(ReadIniText(opera, "Missing", "Use HTTP", 1024));
  EXPECT_EQ(ReadIniInteger(opera, "User Prefs", "Use HTTP", 7), 0);
  EXPECT_EQ(ReadIniInteger(opera, "Proxy", "Absent", 7), 7);
  EXPECT_EQ(ReadIniInteger("[PROXY]\nHttp_Proxy_Port=8080x\n", "PROXY", "Http_Proxy_Port", 0), 8080);
}

TEST(ProxyDialogChecks, PortRangeAndPasswordConfirmation) {
  const std::pair<std::u16string, bool> ports[] = {
      {u"", true}, {u"1", true}, {u"65535", true}, {u"8080", true},
      {u"0", false}, {u"65536", false}, {u"99999999999", false}, {u"x", false}, {u"-1", false}};
  for (const auto& [port, accepted] : ports) {
    const ProxyDialogVerdict verdict = CheckProxyDialog(false, u"a", u"", port);
    EXPECT_EQ(verdict.accepted, accepted);
    EXPECT_EQ(verdict.message, accepted ? 0u : kPortOutOfRangeMessage);
  }
  // The hidden confirmation row is not checked.
  EXPECT_TRUE(CheckProxyDialog(false, u"secret", u"other", u"80").accepted);
  const ProxyDialogVerdict mismatch = CheckProxyDialog(true, u"Secret", u"secret", u"0");
  EXPECT_FALSE(mismatch.accepted);
  EXPECT_EQ(mismatch.message, kPasswordsDoNotMatchMessage);  // checked before the port
  EXPECT_EQ(mismatch.focus, ProxyDialogVerdict::Focus::Password);
  EXPECT_TRUE(mismatch.clearPasswords);
  const ProxyDialogVerdict badPort = CheckProxyDialog(true, u"s", u"s", u"70000");
  EXPECT_EQ(badPort.focus, ProxyDialogVerdict::Focus::Port);
  EXPECT_FALSE(badPort.clearPasswords);
}

}  // namespace
}  // namespace qws
