// The update and scan pages as a user meets them: hosted like the main window hosts them, over
// the real scanning library with its modules from qws-server on loopback, a real tree with the
// EICAR test file, banners of a served list, and Stop pressed with the real mouse.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "app/log.h"
#include "app/string_table.h"
#include "base/u16.h"
#include "engine/cml_line_scanner.h"
#include "engine/update_page_worker.h"
#include "net/banner_rotator.h"
#include "resources/resource_ids.h"
#include "tests/engine/demo_tree.h"
#include "tests/net/test_server.h"
#include "tests/pages/page_host.h"
#include "tests/support/win_test_support.h"
#include "tests/ui/input_driver.h"
#include "tests/ui/png_fixture.h"
#include "ui/pages/page_messages.h"
#include "ui/pages/scan_page.h"
#include "ui/pages/update_page.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::PageHost;
using test::Pump;
using test::PumpUntil;

constexpr uint32_t kDevModulesBuild = 22990;  // the development module set the server holds

// A work folder holding both library variants, as the program extracts them; the log goes there.
class WorkFolder {
 public:
  WorkFolder() {
    for (const wchar_t* dll : {L"qlxs_apiW.dll", L"qlxs_apiW_a.dll"})
      CopyFileW((test::BinFolder() + L"\\" + dll).c_str(), (folder_ / dll).c_str(), FALSE);
    SetLogFolder(folder_.path());
  }
  ~WorkFolder() { SetLogFolder(L"."); }
  const std::wstring& path() const { return folder_.path(); }
  std::wstring operator/(const std::wstring& name) const { return folder_ / name; }

 private:
  test::TempFolder folder_;
};

// The shared server's update path, or the same under one of its faults.
std::wstring UpdateUrl(const std::wstring& fault = L"") {
  std::wstring url = test::FixtureUpdateUrl();
  if (!fault.empty()) url = std::regex_replace(url, std::wregex(L"/download/"), L"/fault/" + fault + L"/download/");
  return url;
}

void PointAt(CmlLineScanner& bridge, const std::wstring& url) {
  bridge.updateUrlOverride = url;
  bridge.discoverProxies = [] { return std::vector<UpdateProxy>(); };
}

// Brings the folder's modules up to date without a page (for the scans).
void UpdateModules(const WorkFolder& work) {
  CmlLineScanner bridge;
  PointAt(bridge, UpdateUrl());
  RunUpdatePageWorker(bridge, work.path(), true, [](const std::wstring&) { return 1ull << 40; });
  ASSERT_EQ(bridge.progress.load(), 1000);
}

std::optional<test::StepMessage> Step(const PageHost& host, UINT message) {
  for (const auto& step : host.steps)
    if (step.message == message) return step;
  return std::nullopt;
}

std::optional<test::StepMessage> WaitForStep(const PageHost& host, UINT message,
                                             std::chrono::milliseconds timeout = 60s) {
  PumpUntil([&] { return Step(host, message).has_value(); }, timeout);
  return Step(host, message);
}

std::wstring TextOf(const CDialog& page, int controlId) { return test::WindowText(page.Item(controlId)); }
bool Visible(const CDialog& page, int controlId) { return IsWindowVisible(page.Item(controlId)) != FALSE; }

RECT RectInPage(const CDialog& page, int controlId) {
  RECT rect{};
  GetWindowRect(page.Item(controlId), &rect);
  MapWindowPoints(nullptr, page.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Banners of our own server: a plain one and a half-transparent red one, a few tenths of a
// second each.
constexpr std::chrono::milliseconds kBannerSecond{100};
constexpr int kBannerWidth = 468;

std::string StripedPng(int height) {
  std::string row;
  for (int x = 0; x < kBannerWidth; ++x) {
    const bool stripe = (x / 26) % 2 == 0;
    row += stripe ? std::string("\x44\xA7\xD8", 3) : std::string("\x18\x6C\x96", 3);
  }
  return test::EncodePng({kBannerWidth, height, PNG_COLOR_TYPE_RGB, 8}, std::vector<std::string>(height, row));
}

std::string HalfTransparentRedPng(int height) {
  std::string row;
  for (int x = 0; x < kBannerWidth; ++x) row += std::string("\xFF\x00\x00\x80", 4);
  return test::EncodePng({kBannerWidth, height, PNG_COLOR_TYPE_RGBA, 8}, std::vector<std::string>(height, row));
}

BannerRotator::Options ServedBanners() {
  const std::wstring content = test::TestServerFolder(L"page_banners") + L"\\content\\banner-websweep";
  CreateDirectoryW(content.c_str(), nullptr);
  test::WriteFileBytes(content + L"\\banners.xml",
                       "<BANNERS>\n"
                       " <BANNER URL=\"@SERVER@/banner-websweep/one.png\" DURATION=\"4\" DSTURL=\"http://dest/one\"/>\n"
                       " <BANNER URL=\"@SERVER@/banner-websweep/two.png\" DURATION=\"4\" DSTURL=\"http://dest/two\"/>\n"
                       "</BANNERS>\n");
  test::WriteFileBytes(content + L"\\one.png", StripedPng(60));
  test::WriteFileBytes(content + L"\\two.png", HalfTransparentRedPng(90));
  BannerRotator::Options options;
  options.listUrl = L"http://127.0.0.1:" + std::to_wstring(test::TestServerPort(L"page_banners")) +
                    L"/banner-websweep/?lng=1033";
  options.second = kBannerSecond;
  return options;
}

SIZE ImageSize(HBITMAP image) {
  BITMAP info{};
  if (!image || !GetObjectW(image, sizeof(info), &info)) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

class RunPages : public testing::Test {
 protected:
  void SetUp() override {
    if (test::FixtureUpdateUrl().empty()) GTEST_SKIP() << "needs the qws_server fixture";
    g_engineBuild = 0;
  }
};

using UpdatePage = RunPages;
using ScanPage = RunPages;

TEST_F(UpdatePage, ARealUpdateRunsToItsEndWithItsProgressShown) {
  WorkFolder work;
  BannerRotator banners(ServedBanners());
  banners.Start();
  banners.SetActive(true);

  // The modules arrive in small pieces, so the bar has time to move.
  CmlLineScanner bridge;
  PointAt(bridge, UpdateUrl(L"slow"));
  CUpdateDlg page;
  page.SetWorkFolder(work.path());
  page.SetFreshStart(true);
  page.SetBanner(&banners);
  page.SetBridge(&bridge);
  PageHost host;
  ASSERT_TRUE(host.Open(page));
  EXPECT_EQ(page.title(), L"Initialization...");
  EXPECT_EQ(TextOf(page, IDC_UPDATE_STATUS), L"Downloading virus signature database...");
  EXPECT_FALSE(Visible(page, IDC_UPDATE_NOTE)) << "a first run has nothing to say about earlier runs";
  EXPECT_EQ(TextOf(page, IDC_UPDATE_STOP), L"Stop");
  EXPECT_EQ(RectInPage(page, IDC_UPDATE_STOP).right, 540);

  std::vector<int> barValues;
  bool midShot = false;
  PumpUntil([&] {
    const int bar = page.progressShown();
    if (barValues.empty() || barValues.back() != bar) barValues.push_back(bar);
    if (!midShot && bar > 0 && bar < 100 && page.banner().image()) {
      test::SaveScreenshot(L"update_page_progress");
      midShot = true;
    }
    return Step(host, kStepUpdateEnded).has_value();
  }, 90s);
  const auto step = Step(host, kStepUpdateEnded);
  ASSERT_TRUE(step);
  EXPECT_EQ(step->wparam, 0u);
  EXPECT_EQ(step->lparam, 0);
  EXPECT_EQ(page.progressShown(), 100);
  EXPECT_FALSE(page.WorkerRunning());
  EXPECT_EQ(g_engineBuild.load(), kDevModulesBuild);
  EXPECT_TRUE(test::FileExists(work / L"Modules\\manifest.txt"));
  EXPECT_TRUE(midShot) << "the bar was seen between 0 and 100 with a banner on the page";
  EXPECT_TRUE(std::is_sorted(barValues.begin(), barValues.end())) << "the bar never goes back";
  Pump(300ms);
  test::SaveScreenshot(L"update_page_done");

  // The served banner is on the page.
  EXPECT_TRUE(page.banner().IsVisible());
  EXPECT_EQ(ImageSize(page.banner().image()).cx, kBannerWidth);
  host.Close();

  // The next run keeps the modules of this one: the page says so, and "already current" is done.
  CmlLineScanner again;
  PointAt(again, UpdateUrl());
  CUpdateDlg second;
  second.SetWorkFolder(work.path());
  second.SetFreshStart(false);
  second.SetBridge(&again);
  PageHost secondHost;
  ASSERT_TRUE(secondHost.Open(second));
  EXPECT_TRUE(Visible(second, IDC_UPDATE_NOTE));
  EXPECT_EQ(TextOf(second, IDC_UPDATE_NOTE), LoadText(4058));
  Pump(200ms);
  test::SaveScreenshot(L"update_page_earlier_run");
  const auto secondStep = WaitForStep(secondHost, kStepUpdateEnded);
  ASSERT_TRUE(secondStep);
  EXPECT_EQ(secondStep->wparam, 0u);
  EXPECT_TRUE(test::FileExists(work / L"OldModules\\manifest.txt")) << "the earlier modules were kept aside";
}

// Each failure reaches the main window with its reason: no disk space, a server that is down
// with the earlier modules back in use, and a server that is down with nothing to fall back on.
TEST_F(UpdatePage, FailuresReachTheMainWindowWithTheirReason) {
  const std::wstring down = L"http://127.0.0.1:1/download/engineqws3/";  // nothing listens there
  struct Case {
    const char* name;
    bool earlierRun;
    std::wstring url;
    uint64_t freeBytes;
    LPARAM reason;
  };
  const Case cases[] = {
      {"too little disk space", false, UpdateUrl(), 100ull << 20, 1},
      {"server down, earlier modules", true, down, 1ull << 40, 2},
      {"server down, no modules", false, down, 1ull << 40, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkFolder work;
    if (c.earlierRun) UpdateModules(work);
    CmlLineScanner bridge;
    PointAt(bridge, c.url);
    CUpdateDlg page;
    page.freeSpace = [&c](const std::wstring&) { return c.freeBytes; };
    page.SetWorkFolder(work.path());
    page.SetFreshStart(!c.earlierRun);
    page.SetBridge(&bridge);
    PageHost host;
    ASSERT_TRUE(host.Open(page));
    const auto step = WaitForStep(host, kStepUpdateEnded);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->wparam, 1u);
    EXPECT_EQ(step->lparam, c.reason);
    EXPECT_FALSE(page.WorkerRunning());
    EXPECT_EQ(host.steps.size(), 1u) << "one end, no more";
    if (c.reason == 2) {
      EXPECT_TRUE(test::FileExists(work / L"Modules\\manifest.txt")) << "the earlier modules are back";
      EXPECT_EQ(g_engineBuild.load(), kDevModulesBuild);
    }
    if (c.reason == 3) test::SaveScreenshot(L"update_page_failed");
  }
}

TEST_F(UpdatePage, StopAbandonsTheUpdateAndLeavesNoWorker) {
  WorkFolder work;
  CmlLineScanner bridge;
  PointAt(bridge, UpdateUrl(L"slow"));
  CUpdateDlg page;
  page.SetWorkFolder(work.path());
  page.SetBridge(&bridge);
  PageHost host;
  ASSERT_TRUE(host.Open(page));
  // Under way: the library is loaded and the first pieces are arriving.
  ASSERT_TRUE(PumpUntil([&] { return bridge.libraryLoaded() && page.progressShown() > 0; }, 30s));
  EXPECT_TRUE(page.WorkerRunning());
  test::ClickAt(test::CentreOf(page.Item(IDC_UPDATE_STOP)));
  const auto step = WaitForStep(host, kStepUpdateEnded, 5s);
  ASSERT_TRUE(step);
  EXPECT_EQ(step->wparam, 2u);
  EXPECT_EQ(step->lparam, 0);
  EXPECT_FALSE(page.WorkerRunning());
  EXPECT_FALSE(bridge.libraryLoaded()) << "the engine was released";
  // Nothing of the abandoned update reports later.
  Pump(1500ms);
  EXPECT_EQ(host.steps.size(), 1u);
}

// Scans run on modules updated once for all of them.
class ScanPages : public RunPages {
 protected:
  static void SetUpTestSuite() {
    if (test::FixtureUpdateUrl().empty()) return;
    work_ = new WorkFolder();
    UpdateModules(*work_);
  }
  static void TearDownTestSuite() {
    delete work_;
    work_ = nullptr;
  }
  static WorkFolder* work_;
};
WorkFolder* ScanPages::work_ = nullptr;

TEST_F(ScanPages, ARealTreeWithThreatsTakesOnTheThreatLook) {
  const test::DemoTree tree(*work_ / L"tree");
  CmlLineScanner bridge;
  bridge.settings.targets = tree.root;
  bridge.settings.scanArchives = true;
  bridge.settings.cleanMode = 1;
  CScanDlg page;
  page.SetWorkFolder(work_->path());
  page.SetBridge(&bridge);
  page.SetLastScanTime(3725ull * 10000000);
  PageHost host;
  ASSERT_TRUE(host.Open(page));
  EXPECT_EQ(page.title(), L"Scanning...");
  EXPECT_EQ(TextOf(page, IDC_SCAN_STATUS), L"Computer scan in progress...");
  EXPECT_FALSE(page.threatLook());
  EXPECT_EQ(TextOf(page, IDC_SCAN_RESULT_VALUE), L"No threats found");

  const auto step = WaitForStep(host, kStepScanEnded);
  ASSERT_TRUE(step);
  EXPECT_EQ(step->wparam, 0u);
  EXPECT_EQ(step->lparam, 0);
  Pump(300ms);
  test::SaveScreenshot(L"scan_page_threats");

  EXPECT_EQ(page.progressShown(), 100);
  EXPECT_GE(bridge.filesScanned.load(), 7u) << "every file of the tree";
  EXPECT_EQ(TextOf(page, IDC_SCAN_FILES_VALUE), std::to_wstring(bridge.filesScanned.load()));
  EXPECT_EQ(bridge.threatsFound.load(), tree.Infected().size());
  EXPECT_EQ(TextOf(page, IDC_SCAN_INFECTED_VALUE), std::to_wstring(tree.Infected().size()));
  EXPECT_TRUE(page.threatLook());
  EXPECT_EQ(TextOf(page, IDC_SCAN_RESULT_VALUE), L"Threats found");
  EXPECT_TRUE(std::regex_match(TextOf(page, IDC_SCAN_TIME_VALUE), std::wregex(L"00:00:[0-5][0-9]")))
      << TextOf(page, IDC_SCAN_TIME_VALUE);
  EXPECT_GT(page.ScanDuration(), 0u);
  // The last object scanned was in the tree.
  EXPECT_EQ(TextOf(page, IDC_SCAN_TARGET_VALUE).rfind(tree.root, 0), 0u) << TextOf(page, IDC_SCAN_TARGET_VALUE);
  // The remembered time has its line, and the result follows it.
  EXPECT_TRUE(Visible(page, IDC_SCAN_LAST_TIME_VALUE));
  EXPECT_EQ(TextOf(page, IDC_SCAN_LAST_TIME_LABEL), L"Last scan time:");
  EXPECT_EQ(TextOf(page, IDC_SCAN_LAST_TIME_VALUE), L"01:02:05");
  EXPECT_EQ(RectInPage(page, IDC_SCAN_RESULT_VALUE).top, RectInPage(page, IDC_SCAN_LAST_TIME_VALUE).bottom);

  // On screen: the bar in the threat colour, the infected count and the result in red.
  const RECT bar = RectInPage(page, IDC_SCAN_PROGRESS);
  EXPECT_TRUE(test::Near(test::WindowPixel(page.hwnd(), (bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2),
                         0x3642E0));
  bool redText = false;
  const RECT result = RectInPage(page, IDC_SCAN_RESULT_VALUE);
  for (int x = result.left; x < result.left + 80 && !redText; ++x)
    for (int y = result.top; y < result.bottom && !redText; ++y)
      redText = test::Near(test::WindowPixel(page.hwnd(), x, y), 0x3A43E1, 24);
  EXPECT_TRUE(redText) << "the result text is drawn in red";
}

TEST_F(ScanPages, ACleanTreeKeepsTheCleanLookAndNoLastScanLine) {
  const std::wstring root = *work_ / L"clean";
  CreateDirectoryW(root.c_str(), nullptr);
  test::WriteFileBytes(root + L"\\letter.txt", "A clean letter.\r\n");
  test::WriteFileBytes(root + L"\\notes.txt", "Nothing to see.\r\n");
  CmlLineScanner bridge;
  bridge.settings.targets = root;
  CScanDlg page;
  page.SetWorkFolder(work_->path());
  page.SetBridge(&bridge);
  PageHost host;
  ASSERT_TRUE(host.Open(page));
  const auto step = WaitForStep(host, kStepScanEnded);
  ASSERT_TRUE(step);
  EXPECT_EQ(step->wparam, 0u);
  Pump(300ms);
  test::SaveScreenshot(L"scan_page_clean");
  EXPECT_FALSE(page.threatLook());
  EXPECT_EQ(TextOf(page, IDC_SCAN_RESULT_VALUE), L"No threats found");
  EXPECT_EQ(TextOf(page, IDC_SCAN_INFECTED_VALUE), L"0");
  EXPECT_GE(bridge.filesScanned.load(), 2u);
  EXPECT_EQ(TextOf(page, IDC_SCAN_FILES_VALUE), std::to_wstring(bridge.filesScanned.load()));
  EXPECT_FALSE(Visible(page, IDC_SCAN_LAST_TIME_LABEL));
  EXPECT_FALSE(Visible(page, IDC_SCAN_LAST_TIME_VALUE));
  EXPECT_EQ(RectInPage(page, IDC_SCAN_RESULT_VALUE).top, RectInPage(page, IDC_SCAN_TIME_VALUE).bottom);
  const RECT bar = RectInPage(page, IDC_SCAN_PROGRESS);
  EXPECT_TRUE(test::Near(test::WindowPixel(page.hwnd(), (bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2),
                         0xD29A2A));
}

TEST_F(ScanPages, StopEndsTheScanAfterTheCurrentObjectAndItComesToRest) {
  // Enough files that the scan is still busy when Stop is pressed.
  const std::wstring root = *work_ / L"many";
  CreateDirectoryW(root.c_str(), nullptr);
  constexpr uint32_t kFiles = 1500;
  for (uint32_t folder = 0; folder < 15; ++folder) {
    const std::wstring sub = root + L"\\folder" + std::to_wstring(folder);
    CreateDirectoryW(sub.c_str(), nullptr);
    for (uint32_t file = 0; file < kFiles / 15; ++file)
      test::WriteFileBytes(sub + L"\\file" + std::to_wstring(file) + L".txt", std::string(2000, 'a' + file % 26));
  }
  test::WriteFileBytes(root + L"\\folder0\\eicar.com", test::Eicar());
  CmlLineScanner bridge;
  bridge.settings.targets = root;
  CScanDlg page;
  page.SetWorkFolder(work_->path());
  page.SetBridge(&bridge);
  PageHost host;
  ASSERT_TRUE(host.Open(page));
  ASSERT_TRUE(PumpUntil([&] { return TextOf(page, IDC_SCAN_FILES_VALUE) != L"0"; }, 60s));
  const std::wstring beforeStop = TextOf(page, IDC_SCAN_FILES_VALUE);

  test::ClickAt(test::CentreOf(page.Item(IDC_SCAN_STOP)));
  const auto step = WaitForStep(host, kStepScanEnded, 5s);
  ASSERT_TRUE(step);
  EXPECT_EQ(step->wparam, 2u);
  EXPECT_EQ(step->lparam, 0);
  EXPECT_EQ(TextOf(page, IDC_SCAN_STATUS), L"Stopping scan");
  EXPECT_FALSE(IsWindowEnabled(page.Item(IDC_SCAN_STOP))) << "Stop is pressed once";
  Pump(100ms);
  test::SaveScreenshot(L"scan_page_stopping");

  // The scan comes to rest after the current object, long before the tree is done.
  EXPECT_TRUE(PumpUntil([&] { return !page.WorkerRunning() && !bridge.scanningBusy; }, 20s));
  EXPECT_LT(bridge.filesScanned.load(), kFiles);
  EXPECT_EQ(bridge.progress.load(), 1000) << "a stopped scan still ends its run";
  EXPECT_EQ(host.steps.size(), 1u) << "a stopped scan sends no second end";
  EXPECT_NE(beforeStop, L"0");
}

// Without a usable engine the scan fails at once instead of leaving the page waiting; the
// banners of a served list rotate on the page meanwhile, drawn with their alpha, and a click
// opens the shown banner's address.
TEST_F(ScanPages, WithoutAnEngineItFailsAndBannersRotateAndOpenTheirAddress) {
  ASSERT_NE(test::TestServerPort(L"page_banners"), 0u) << "qws-server fixture missing";
  BannerRotator banners(ServedBanners());
  banners.Start();
  banners.SetActive(true);

  test::TempFolder empty;
  CmlLineScanner bridge;
  CScanDlg page;
  std::vector<std::wstring> opened;
  page.banner().openAddress = [&opened](const std::wstring& address) { opened.push_back(address); };
  page.SetWorkFolder(empty.path());
  page.SetBanner(&banners);
  page.SetBridge(&bridge);
  PageHost host;
  ASSERT_TRUE(host.Open(page));
  const auto step = WaitForStep(host, kStepScanEnded, 20s);
  ASSERT_TRUE(step);
  EXPECT_EQ(step->wparam, 1u);
  EXPECT_EQ(step->lparam, 52) << "the engine could not be opened";

  // Both banners, in turn, each at its own size.
  ASSERT_TRUE(PumpUntil([&] { return banners.ShownIndex() == 0 && page.banner().IsVisible(); }, 20s));
  EXPECT_EQ(ImageSize(page.banner().image()).cy, 60);
  Pump(100ms);
  test::SaveScreenshot(L"scan_page_banner_one");
  ASSERT_TRUE(PumpUntil([&] { return banners.ShownIndex() == 1; }, 5s));
  Pump(100ms);
  EXPECT_EQ(ImageSize(page.banner().image()).cy, 90);
  test::SaveScreenshot(L"scan_page_banner_two");
  // Half-transparent red over the light page: red with the background showing through, not the
  // premultiplied dark red a plain copy would give.
  const COLORREF blended = test::WindowPixel(page.banner().hwnd(), 234, 75);
  EXPECT_GT(GetRValue(blended), 200) << std::hex << blended;
  EXPECT_GT(GetGValue(blended), 80) << std::hex << blended;
  EXPECT_LT(GetGValue(blended), 170) << std::hex << blended;

  // A click while the second banner is shown opens its address.
  test::ClickAt(test::CentreOf(page.banner().hwnd()));
  Pump(200ms);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0] == L"http://dest/two?lng=1033" || opened[0] == L"http://dest/one?lng=1033") << opened[0];
  banners.Stop();
}

}  // namespace
}  // namespace qws
