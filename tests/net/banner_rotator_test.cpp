// The banner rotator against qws-server's banner path, showing into a real static control:
// two PNG banners decoded through libpng with their durations, images that are no PNG, and Stop.
#include "net/banner_rotator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "tests/net/test_server.h"
#include "tests/ui/png_fixture.h"

namespace qws {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kSecond{40};  // one banner second in this test

// A width x height image of one colour (red, green, blue and, for RGBA, alpha).
std::string SolidPng(int width, int height, bool alpha) {
  const std::string pixel = alpha ? std::string("\xFF\x00\x00\x80", 4)  // red 255, alpha 128
                                  : std::string("\x60\x40\x20", 3);
  std::string row;
  for (int x = 0; x < width; ++x) row += pixel;
  return test::EncodePng({width, height, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, 8},
                         std::vector<std::string>(static_cast<size_t>(height), row));
}

struct ShownImage {
  int width = 0, height = 0, bits = 0;
  uint8_t topLeft[4] = {};  // blue, green, red, alpha
};

// What the control holds now: size, depth and the first pixel, read as 32-bit pixels.
std::optional<ShownImage> ControlImage(HWND control) {
  const auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) return std::nullopt;
  ShownImage shown{info.bmWidth, info.bmHeight, info.bmBitsPixel};
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof(header.bmiHeader);
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -info.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  std::vector<uint8_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight * 4);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  std::copy_n(pixels.begin(), 4, shown.topLeft);
  return shown;
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
    control_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BITMAP, 40, 40, 200, 80, nullptr,
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

// Waits, pumping messages, until the rotator has loaded its list and images.
void WaitUntilLoaded(const BannerRotator& rotator) {
  const auto end = Clock::now() + std::chrono::seconds(20);
  while (!rotator.Loaded() && Clock::now() < end) Pump(milliseconds(20));
}

TEST_F(BannerRotatorTest, TwoPngBannersTakeTurnsForTheirDurations) {
  Serve(L"banners.xml",
        "<?xml version=\"1.0\"?>\n<BANNERS>\n"
        " <BANNER URL=\"@SERVER@/banner-websweep/one.png\" DURATION=\"5\" DSTURL=\"http://dest/one\"/>\n"
        " <BANNER URL=\"@SERVER@/banner-websweep/two.png\" DURATION=\"20\" DSTURL=\"http://dest/two\" TRANSITION=\"1\"/>\n"
        "</BANNERS>\n");
  Serve(L"one.png", SolidPng(120, 40, true));
  Serve(L"two.png", SolidPng(90, 30, false));

  BannerRotator rotator(Options(L"/banner-websweep/?lng=1033"));
  rotator.SetControl(control_);
  rotator.Start();
  WaitUntilLoaded(rotator);
  ASSERT_TRUE(rotator.Loaded());
  ASSERT_EQ(rotator.BannerCount(), 2u);
  EXPECT_TRUE(rotator.HasImage(0));
  EXPECT_TRUE(rotator.HasImage(1));

  Pump(milliseconds(300));
  EXPECT_EQ(rotator.ShownIndex(), -1) << "nothing is shown while inactive";
  EXPECT_EQ(rotator.CurrentDestination(), L"");

  rotator.SetActive(true);
  std::vector<std::pair<int, Clock::time_point>> shown;
  std::optional<ShownImage> images[2];
  const auto end = Clock::now() + milliseconds(2500);
  while (Clock::now() < end && shown.size() < 4) {
    Pump(milliseconds(10));
    const int index = rotator.ShownIndex();
    if (index >= 0 && (shown.empty() || shown.back().first != index)) {
      shown.emplace_back(index, Clock::now());
      if (!images[index]) images[index] = ControlImage(control_);
      if (index == 0 && shown.size() == 1) test::SaveScreenshot(L"banner_rotator_first");
      if (index == 1) {
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

  // Real bitmaps of each image's size and depth; the alpha image premultiplied for blending.
  ASSERT_TRUE(images[0] && images[1]);
  EXPECT_EQ(images[0]->width, 120);
  EXPECT_EQ(images[0]->height, 40);
  EXPECT_EQ(images[0]->bits, 32);
  EXPECT_EQ(images[0]->topLeft[2], 128) << "red 255 at alpha 128";
  EXPECT_EQ(images[0]->topLeft[3], 128);
  EXPECT_EQ(images[1]->width, 90);
  EXPECT_EQ(images[1]->height, 30);
  EXPECT_EQ(images[1]->bits, 24);
  EXPECT_EQ(images[1]->topLeft[0], 0x20) << "blue";
  EXPECT_EQ(images[1]->topLeft[2], 0x60) << "red";

  const auto stopStart = Clock::now();
  rotator.Stop();
  EXPECT_LT(Clock::now() - stopStart, milliseconds(500)) << "a waiting thread ends at once";
  const int last = rotator.ShownIndex();
  Pump(milliseconds(25 * kSecond));
  EXPECT_EQ(rotator.ShownIndex(), last);
}

// A GIF, a PNG cut off after its header and a tiny file: each banner stays without an image, and
// the rotation goes on over them.
TEST_F(BannerRotatorTest, ImagesThatAreNoPngLeaveTheirBannersEmpty) {
  Serve(L"broken.xml",
        "<BANNERS>\n"
        " <BANNER URL=\"@SERVER@/banner-websweep/gif.png\" DURATION=\"1\" DSTURL=\"http://dest/gif\"/>\n"
        " <BANNER URL=\"@SERVER@/banner-websweep/cut.png\" DURATION=\"1\" DSTURL=\"http://dest/cut\"/>\n"
        " <BANNER URL=\"@SERVER@/banner-websweep/tiny.png\" DURATION=\"1\" DSTURL=\"http://dest/tiny\"/>\n"
        " <BANNER URL=\"@SERVER@/banner-websweep/good.png\" DURATION=\"1\" DSTURL=\"http://dest/good\"/>\n"
        "</BANNERS>\n");
  Serve(L"gif.png", "GIF89a this is no PNG");
  const std::string good = SolidPng(64, 16, true);
  Serve(L"cut.png", good.substr(0, 60));
  Serve(L"tiny.png", good.substr(0, 8));
  Serve(L"good.png", good);

  BannerRotator rotator(Options(L"/banner-websweep/broken.xml"));
  rotator.SetControl(control_);
  rotator.Start();
  WaitUntilLoaded(rotator);
  ASSERT_EQ(rotator.BannerCount(), 4u);
  EXPECT_FALSE(rotator.HasImage(0));
  EXPECT_FALSE(rotator.HasImage(1));
  EXPECT_FALSE(rotator.HasImage(2));
  EXPECT_TRUE(rotator.HasImage(3)) << "a good image after broken ones still loads";

  rotator.SetActive(true);
  std::vector<int> order;
  const auto end = Clock::now() + milliseconds(3000);
  while (Clock::now() < end && order.size() < 5) {
    Pump(milliseconds(5));
    const int index = rotator.ShownIndex();
    if (index < 0 || (!order.empty() && order.back() == index)) continue;
    order.push_back(index);
    if (index == 1) {
      EXPECT_FALSE(ControlImage(control_)) << "an empty banner shows nothing";
      EXPECT_EQ(rotator.CurrentDestination(), L"http://dest/cut");
    }
    if (index == 3) {
      const auto image = ControlImage(control_);
      ASSERT_TRUE(image);
      EXPECT_EQ(image->width, 64);
    }
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 0}));
}

TEST_F(BannerRotatorTest, MissingListShowsNothing) {
  BannerRotator rotator(Options(L"/banner-websweep/absent.xml"));
  rotator.SetControl(control_);
  rotator.SetActive(true);
  rotator.Start();
  WaitUntilLoaded(rotator);
  ASSERT_TRUE(rotator.Loaded());
  EXPECT_EQ(rotator.BannerCount(), 0u);
  Pump(milliseconds(300));
  EXPECT_EQ(rotator.ShownIndex(), -1);
  rotator.ShowCurrent();  // no banner: nothing to show, nothing to crash
  EXPECT_EQ(SendMessageW(control_, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
}

}  // namespace
}  // namespace qws
