// The banner rotator against qws-server's banner path, showing into a real static control:
// two banners with their durations, an image that is not a PNG, and Stop.
#include "net/banner_rotator.h"

#include <gtest/gtest.h>

#include "tests/net/test_server.h"

namespace qws {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kSecond{40};  // one banner second in this test

// The program's image loader is not linked here: PNG bytes become a 1x1 bitmap, others nothing.
HBITMAP DecodeForTest(const std::string& bytes) {
  if (bytes.rfind("\x89PNG\r\n\x1a\n", 0) != 0) return nullptr;
  return CreateBitmap(1, 1, 1, 32, nullptr);
}

void Pump(milliseconds duration) {
  const auto end = Clock::now() + duration;
  while (Clock::now() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(5);
  }
}

void Serve(const std::wstring& name, const std::string& bytes) {
  const std::wstring folder = test::TestServerFolder(L"banners") + L"\\content\\banner-websweep";
  CreateDirectoryW(folder.c_str(), nullptr);
  test::WriteFileBytes(folder + L"\\" + name, bytes);
}

class BannerRotatorTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(test::TestServerPort(L"banners"), 0u) << "qws-server fixture missing";
    control_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BITMAP, 0, 0, 100, 40, nullptr,
                               nullptr, nullptr, nullptr);
    ASSERT_NE(control_, nullptr);
  }
  void TearDown() override { DestroyWindow(control_); }

  BannerRotator::Options Options(const std::wstring& path) {
    BannerRotator::Options options;
    options.listUrl = L"http://127.0.0.1:" + std::to_wstring(test::TestServerPort(L"banners")) + path;
    options.second = kSecond;
    return options;
  }

  HWND control_ = nullptr;
};

TEST_F(BannerRotatorTest, TwoBannersTakeTurnsForTheirDurations) {
  Serve(L"banners.xml",
        "<?xml version=\"1.0\"?>\n<BANNERS>\n"
        " <BANNER URL=\"@SERVER@/banner-websweep/one.png\" DURATION=\"5\" DSTURL=\"http://dest/one\"/>\n"
        " <BANNER URL=\"@SERVER@/banner-websweep/two.png\" DURATION=\"20\" DSTURL=\"http://dest/two\" TRANSITION=\"1\"/>\n"
        "</BANNERS>\n");
  Serve(L"one.png", std::string("\x89PNG\r\n\x1a\n", 8) + "not decoded further");
  Serve(L"two.png", "GIF89a this is no PNG");

  BannerRotator rotator(DecodeForTest, Options(L"/banner-websweep/?lng=1033"));
  rotator.SetControl(control_);
  rotator.Start();
  const auto loadEnd = Clock::now() + std::chrono::seconds(20);
  while (!rotator.Loaded() && Clock::now() < loadEnd) Pump(milliseconds(20));
  ASSERT_TRUE(rotator.Loaded());
  ASSERT_EQ(rotator.BannerCount(), 2u);
  EXPECT_TRUE(rotator.HasImage(0));
  EXPECT_FALSE(rotator.HasImage(1)) << "not a PNG: kept without an image";

  Pump(milliseconds(300));
  EXPECT_EQ(rotator.ShownIndex(), -1) << "nothing is shown while inactive";
  EXPECT_EQ(rotator.CurrentDestination(), L"");

  rotator.SetActive(true);
  std::vector<std::pair<int, Clock::time_point>> shown;
  const auto end = Clock::now() + milliseconds(2500);
  while (Clock::now() < end && shown.size() < 4) {
    Pump(milliseconds(10));
    const int index = rotator.ShownIndex();
    if (index >= 0 && (shown.empty() || shown.back().first != index)) {
      shown.emplace_back(index, Clock::now());
      if (index == 0) {
        EXPECT_NE(SendMessageW(control_, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
      }
      if (index == 1) {
        EXPECT_EQ(SendMessageW(control_, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        EXPECT_EQ(rotator.CurrentDestination(), L"http://dest/two");
        EXPECT_EQ(BannerClickUrl(rotator.CurrentDestination()), L"http://dest/two?lng=1033");
      }
    }
  }
  ASSERT_GE(shown.size(), 3u);
  EXPECT_EQ(shown[0].first, 0);
  EXPECT_EQ(shown[1].first, 1);
  EXPECT_EQ(shown[2].first, 0);
  const auto first = std::chrono::duration_cast<milliseconds>(shown[1].second - shown[0].second);
  const auto second = std::chrono::duration_cast<milliseconds>(shown[2].second - shown[1].second);
  EXPECT_GE(first, 5 * kSecond);
  EXPECT_LT(first, 5 * kSecond + milliseconds(500));
  EXPECT_GE(second, 20 * kSecond);
  EXPECT_LT(second, 20 * kSecond + milliseconds(500));

  const auto stopStart = Clock::now();
  rotator.Stop();
  EXPECT_LT(Clock::now() - stopStart, milliseconds(500)) << "a waiting thread ends at once";
  const int last = rotator.ShownIndex();
  Pump(milliseconds(25 * kSecond));
  EXPECT_EQ(rotator.ShownIndex(), last);
}

TEST_F(BannerRotatorTest, MissingListShowsNothing) {
  BannerRotator rotator(DecodeForTest, Options(L"/banner-websweep/absent.xml"));
  rotator.SetControl(control_);
  rotator.SetActive(true);
  rotator.Start();
  const auto end = Clock::now() + std::chrono::seconds(20);
  while (!rotator.Loaded() && Clock::now() < end) Pump(milliseconds(20));
  ASSERT_TRUE(rotator.Loaded());
  EXPECT_EQ(rotator.BannerCount(), 0u);
  Pump(milliseconds(300));
  EXPECT_EQ(rotator.ShownIndex(), -1);
  rotator.ShowCurrent();  // no banner: nothing to show, nothing to crash
  EXPECT_EQ(SendMessageW(control_, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
}

}  // namespace
}  // namespace qws
