// The rotating banner of the update and scan pages: loads the banner list and the images on its
// own thread (PNG images, decoded and premultiplied for alpha-blended drawing), then shows each
// banner for its duration while the rotator is active. Every wait is interruptible, so Stop
// never needs to kill the thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/scoped_handle.h"

namespace qws {

inline constexpr uint64_t kBannerListMaxBytes = 100000;
inline constexpr uint64_t kBannerImageMaxBytes = 10000000;

// "http://<banner server>/banner-websweep/?lng=1033".
std::wstring BannerListUrl();
// The address opened when the banner is clicked: destination, "?lng=" and 1033.
std::wstring BannerClickUrl(const std::wstring& destination);

class BannerRotator {
 public:
  struct Options {
    std::wstring listUrl = BannerListUrl();
    // The length of one second of a banner's duration (shorter in tests).
    std::chrono::milliseconds second{1000};
  };

  BannerRotator();
  explicit BannerRotator(Options options);
  ~BannerRotator();
  BannerRotator(const BannerRotator&) = delete;
  BannerRotator& operator=(const BannerRotator&) = delete;

  // The static control (SS_BITMAP) that shows the banner; set by the page that shows it.
  void SetControl(HWND control);
  void Start();
  void SetActive(bool active);
  // Puts the shown banner into the control at once, when one is shown.
  void ShowCurrent();
  // The destination of the banner shown, empty when none.
  std::wstring CurrentDestination() const;
  // Ends the thread: it notices at once unless it is inside a download, and then ends by
  // itself afterwards. Waits at most 500 ms.
  void Stop();

  // -1 before the first banner is shown.
  int ShownIndex() const;
  // The list and images have been loaded (or failed to load: then the count is 0).
  bool Loaded() const;
  size_t BannerCount() const;
  bool HasImage(size_t index) const;

 private:
  struct State;
  static DWORD WINAPI ThreadMain(void* parameter);

  std::shared_ptr<State> state_;
  ScopedHandle thread_;
};

}  // namespace qws
