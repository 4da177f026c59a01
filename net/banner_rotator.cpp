#include "net/banner_rotator.h"

#include "base/endpoints.h"
#include "base/u16.h"
#include "net/download_lists.h"
#include "net/http_downloader.h"
#include "ui/png_image.h"

namespace qws {

namespace {

constexpr DWORD kPollMilliseconds = 100;
constexpr DWORD kStopWaitMilliseconds = 500;

// The banner's bitmap, ready for the control's alpha-blended drawing; empty when the bytes are
// no PNG image.
ScopedBitmap DecodeBannerImage(const std::string& bytes) {
  ScopedBitmap image = LoadPngImage(bytes.data(), bytes.size());
  if (image) PremultiplyAlpha(image.get());
  return image;
}

}  // namespace

std::wstring BannerListUrl() { return ToWide(EndpointUrl(kBannerEndpoint, u"/banner-websweep/?lng=1033")); }

std::wstring BannerClickUrl(const std::wstring& destination) { return destination + L"?lng=1033"; }

struct BannerRotator::State {
  Options options;
  ScopedHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<bool> active{false};
  std::atomic<HWND> control{nullptr};
  std::atomic<int> shown{-1};
  int next = 0;
  std::atomic<bool> loaded{false};

  struct Banner {
    BannerEntry entry;
    ScopedBitmap image;
  };
  // Filled by the thread before `loaded` is set, only read afterwards.
  std::vector<Banner> banners;

  bool Stopped(DWORD waitMilliseconds) const { return WaitForSingleObject(stop.get(), waitMilliseconds) == WAIT_OBJECT_0; }

  void Show(int index) {
    const HWND target = control.load();
    if (!target || index < 0 || static_cast<size_t>(index) >= banners.size()) return;
    // A timeout rather than a plain send: the UI thread may itself be waiting in Stop.
    DWORD_PTR previous = 0;
    SendMessageTimeoutW(target, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banners[index].image.get()),
                        SMTO_ABORTIFHUNG, 1000, &previous);
    InvalidateRect(target, nullptr, TRUE);
    UpdateWindow(target);
  }

  void Load() {
    std::string list;
    if (HttpDownloader().Download(options.listUrl, kBannerListMaxBytes, list) != kDownloadOk) return;
    const auto entries = ReadBannerList(list);
    if (!entries) return;
    for (const BannerEntry& entry : *entries) {
      if (Stopped(0)) return;
      Banner banner{entry, ScopedBitmap()};
      std::string bytes;
      if (!entry.imageUrl.empty() &&
          HttpDownloader().Download(ToWide(entry.imageUrl), kBannerImageMaxBytes, bytes) == kDownloadOk)
        banner.image = DecodeBannerImage(bytes);
      banners.push_back(std::move(banner));
    }
  }

  void Run() {
    Load();
    loaded = true;
    if (banners.empty()) return;  // nothing to rotate
    while (!Stopped(kPollMilliseconds)) {
      if (!active) continue;
      if (next != shown) {
        Show(next);
        shown = next;
        continue;
      }
      const auto seconds = static_cast<DWORD>(banners[static_cast<size_t>(shown)].entry.durationSeconds);
      if (Stopped(seconds * static_cast<DWORD>(options.second.count()))) return;
      next = (next + 1) % static_cast<int>(banners.size());
    }
  }
};

BannerRotator::BannerRotator() : BannerRotator(Options()) {}

BannerRotator::BannerRotator(Options options) : state_(std::make_shared<State>()) {
  state_->options = std::move(options);
}

BannerRotator::~BannerRotator() { Stop(); }

void BannerRotator::SetControl(HWND control) { state_->control = control; }

DWORD WINAPI BannerRotator::ThreadMain(void* parameter) {
  std::unique_ptr<std::shared_ptr<State>> state(static_cast<std::shared_ptr<State>*>(parameter));
  (*state)->Run();
  return 0;
}

void BannerRotator::Start() {
  if (thread_) return;
  auto* shared = new std::shared_ptr<State>(state_);
  thread_.reset(CreateThread(nullptr, 0, ThreadMain, shared, 0, nullptr));
  if (!thread_) delete shared;
}

void BannerRotator::SetActive(bool active) { state_->active = active; }

void BannerRotator::ShowCurrent() {
  if (state_->loaded) state_->Show(state_->shown);
}

std::wstring BannerRotator::CurrentDestination() const {
  const int shown = state_->shown;
  if (!state_->loaded || shown < 0 || static_cast<size_t>(shown) >= state_->banners.size()) return {};
  return ToWide(state_->banners[static_cast<size_t>(shown)].entry.destinationUrl);
}

void BannerRotator::Stop() {
  if (!thread_) return;
  SetEvent(state_->stop.get());
  // A thread inside a download keeps its state alive and ends by itself afterwards.
  WaitForSingleObject(thread_.get(), kStopWaitMilliseconds);
  thread_.reset();
}

int BannerRotator::ShownIndex() const { return state_->shown; }
bool BannerRotator::Loaded() const { return state_->loaded; }
size_t BannerRotator::BannerCount() const { return state_->loaded ? state_->banners.size() : 0; }
bool BannerRotator::HasImage(size_t index) const {
  return state_->loaded && index < state_->banners.size() && state_->banners[index].image.is_valid();
}

}  // namespace qws
