#include "report/scan_log.h"

#include <gtest/gtest.h>

#include "base/u16.h"
#include "report/extension_sample.h"

namespace qws {
namespace {

TEST(ThreatNames, DistinctResultsInLogOrderElseVirus) {
  const struct {
    ScanLog log;
    const char16_t* name;
    std::vector<size_t> contributing;
  } cases[] = {
      {{{u"a", u"is OK", u"", u""}, {u"b", u"is OK - archive", u"", u""}}, u"virus", {}},
      {{{u"a", u"Eicar", u"", u""}, {u"b", u"Eicar", u"", u""}}, u"Eicar", {0}},
      {{{u"a", u"X", u"", u""}, {u"b", u"", u"", u""}, {u"c", u"Y", u"", u""}, {u"d", u"X", u"", u""}},
       u"X,Y",
       {0, 2}},
      {{}, u"virus", {}},
  };
  for (const auto& c : cases) {
    const ThreatNames names = ThreatNamesOf(c.log);
    EXPECT_EQ(names.name, c.name);
    EXPECT_EQ(names.contributing, c.contributing);
  }
}

TEST(SingleObjectDetail, PrefersTheLastContributingItemOfTheScannedPath) {
  const std::u16string path = u"C:\\a.zip";
  const ScanLog log = {
      {u"C:\\a.zip » x.exe", u"X", u"member action", u""},
      {path, u"Y", u"cleaned by deleting", u""},
      {path, u"Y", u"second", u""},  // not contributing: Y was already named
      {path, u"is OK", u"last action", u"extra"},
  };
  const ThreatNames names = ThreatNamesOf(log);
  EXPECT_EQ(SingleObjectDetail(log, names, path, false), u"cleaned by deleting");
  // For the tokens any contributing item names the object.
  EXPECT_EQ(SingleObjectDetail(log, names, u"${Startup}", true), u"cleaned by deleting");
  // No contributing item names the path: the last item's action.
  EXPECT_EQ(SingleObjectDetail(log, names, u"D:\\other", false), u"last action");

  const ScanLog firstOnly = {{path, u"X", u"first", u""}, {path, u"is OK", u"", u"tail extra"}};
  EXPECT_EQ(SingleObjectDetail(firstOnly, ThreatNamesOf(firstOnly), u"D:\\o", false), u"first");
  const ScanLog extraOnly = {{path, u"X", u"", u""}, {path, u"is OK", u"", u"tail extra"}};
  EXPECT_EQ(SingleObjectDetail(extraOnly, ThreatNamesOf(extraOnly), path, false), u"tail extra");
}

TEST(DirectoryScanRecordFields, FirstContributingItemElseTheFirstItem) {
  const ScanLog log = {
      {u"C:\\a.zip", u"is OK", u"", u""},
      {u"C:\\a.zip » x.exe", u"X", u"", u""},
      {u"C:\\a.zip » y.exe", u"Y", u"deleted", u""},
      {u"C:\\a.zip", u"is OK", u"cleaned by deleting", u""},
  };
  const ThreatNames names = ThreatNamesOf(log);
  EXPECT_EQ(DirectoryScanFileName(log, names), u"C:\\a.zip » x.exe");
  // The first contributing item did nothing itself: the last item's action.
  EXPECT_EQ(DirectoryScanDetail(log, names), u"cleaned by deleting");

  const ScanLog clean = {{u"C:\\b.exe", u"is OK", u"", u""}, {u"C:\\c", u"is OK", u"", u""}};
  EXPECT_EQ(DirectoryScanFileName(clean, ThreatNamesOf(clean)), u"C:\\b.exe");
  EXPECT_EQ(DirectoryScanDetail(clean, ThreatNamesOf(clean)), u"");
}

TEST(DirectoryScanEvent, StatusTenIsInfectedStatusZeroWithCodeOneOrTwoIsCleaned) {
  EXPECT_EQ(ClassifyDirectoryScanEvent(10, 0), DirectoryScanThreat::Infected);
  EXPECT_EQ(ClassifyDirectoryScanEvent(0, 1), DirectoryScanThreat::Cleaned);
  EXPECT_EQ(ClassifyDirectoryScanEvent(0, 2), DirectoryScanThreat::Cleaned);
  EXPECT_EQ(ClassifyDirectoryScanEvent(0, 0), DirectoryScanThreat::None);
  EXPECT_EQ(ClassifyDirectoryScanEvent(0, 3), DirectoryScanThreat::None);
  EXPECT_EQ(ClassifyDirectoryScanEvent(1, 1), DirectoryScanThreat::None);
}

TEST(BrowserExtensionSample, ChromiumAndFirefoxExtensionFiles) {
  const std::u16string chrome =
      u"C:\\Users\\u\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Extensions\\";
  const std::u16string id = u"abcdefghijklmnopqrstuvwxyzabcdef";
  const std::u16string firefox = u"C:\\Users\\u\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\"
                                 u"x.default\\extensions\\";
  const struct {
    std::u16string path;
    bool sampled;
  } cases[] = {
      {chrome + id + u"\\1.0\\background.js", true},
      {chrome + id + u"\\1.0\\manifest.json", false},
      {chrome + id + u"\\1.0\\icon.png", false},
      {chrome + id + u"\\1.0\\anim.gif", false},
      {chrome + u"abcdefghijklmnopqrstuvwxyzabcde1\\1.0\\background.js", false},
      {chrome + u"Abcdefghijklmnopqrstuvwxyzabcdef\\1.0\\background.js", false},
      {chrome + u"abcdefghijklmnopqrstuvwxyzabcd\\1.0\\background.js", false},
      {chrome + id + u"\\1\\noextension", false},
      {chrome + id, false},
      {firefox + u"addon@example.xpi", true},
      {firefox + u"addon@x\\chrome\\content.JS", true},
      {firefox + u"addon@x\\icon.PNG", false},
      {firefox + u"a.js", true},
      {firefox + u"a.b", true},
      {firefox + u".js", false},  // the dot must lie beyond the folder name
      {u"C:\\Program Files\\Mozilla Firefox\\extensions\\addon.xpi", false},
      {u"C:\\Temp\\background.js", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsBrowserExtensionSample(c.path), c.sampled) << U16ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace qws
