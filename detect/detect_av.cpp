#include "detect/detect_av.h"

#include "app/log.h"
#include "base/resource_bytes.h"
#include "base/u16.h"
#include "detect/detection_public_key.h"

namespace qws {

namespace {

// How long the release waits for a thread before it gives up on it.
constexpr DWORD kThreadStopWaitMs = 15000;

std::string ToAnsi(const std::u16string& text) {
  if (text.empty()) return {};
  const std::wstring wide = ToWide(text);
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string narrow(bytes > 0 ? bytes : 0, '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                        bytes, nullptr, nullptr);
  }
  return narrow;
}

// Waits for a thread; one that does not end in time is terminated as the last resort.
void WaitOrTerminate(const ScopedHandle& thread) {
  if (thread && WaitForSingleObject(thread.get(), kThreadStopWaitMs) == WAIT_TIMEOUT) {
    TerminateThread(thread.get(), 1);
  }
}

}  // namespace

void CDetectFileRegs::Evaluate(const std::vector<Vendor>& vendors,
                               const DetectionProgress& progress, const std::atomic<bool>& stop) {
  uint32_t total = 0;
  for (const Vendor& vendor : vendors) {
    for (const CProduct& product : vendor.products) total += static_cast<uint32_t>(product.RuleCount());
  }
  if (progress) progress(1, total);
  uint32_t done = 0;
  const auto ruleDone = [&] {
    if (progress) progress(2, ++done);
  };
  for (const Vendor& vendor : vendors) {
    VendorResult result;
    result.vendorId = vendor.id;
    result.company = vendor.company;
    for (const CProduct& product : vendor.products) {
      if (stop) return;
      bool found = false;
      DetectionMatch match = evaluator_.EvaluateVersion(product, vendor.id, &found, ruleDone);
      if (found) result.candidates.push_back(std::move(match));
    }
    if (!result.candidates.empty()) results_.push_back(std::move(result));
  }
}

CDetectAV::CDetectAV(DatabaseDownload download, BuiltInChunkSource chunks)
    : download_(std::move(download)), chunks_(std::move(chunks)) {
  if (!chunks_) chunks_ = [] { return LoadBuiltInChunks(); };
}

CDetectAV::~CDetectAV() { StopThreads(); }

void CDetectAV::OnProgress(int, uint32_t) {}
void CDetectAV::OnComplete() {}

void CDetectAV::StopThreads() {
  stop_ = true;
  {
    std::lock_guard<std::mutex> lock(starterLock_);
    WaitOrTerminate(starterThread_);
  }
  // The starter may have let go of its handle already; its last steps still touch this object.
  for (DWORD waited = 0; starting_ && waited < kThreadStopWaitMs; waited += 10) Sleep(10);
  WaitOrTerminate(detectionThread_);
  detectionThread_.reset();
  running_ = false;
}

void CDetectAV::RunStarter() {
  std::optional<DownloadedDatabase> downloaded;
  if (download_ && !stop_) downloaded = download_();
  if (!database_) {
    database_ = std::make_unique<DetectionDatabase>(
        DetectionPublicKey().value_or(crypto::DsaPublicKey{}));
  }
  if (downloaded && !done_ && !running_) {
    if (!database_->AcceptDownloaded(downloaded->data, downloaded->signature)) {
      WriteLog(L"Product detection: the downloaded database was rejected\r\n");
    }
  }
  if (!stop_ && Prepare()) {
    running_ = true;
    done_ = false;
    detectionThread_.reset(CreateThread(nullptr, 0, DetectionThread, this, 0, nullptr));
    if (!detectionThread_) {
      running_ = false;
      evaluator_.reset();
      database_->Release();
    }
  }
  downloaded.reset();
  starting_ = false;
}

bool CDetectAV::Prepare() {
  // The detection runs once per run of the program.
  if (done_ || running_) return false;
  // Without its chunks the carried copy fails to load; an accepted download can still be used.
  const auto chunks = chunks_();
  if (!chunks) WriteLog(L"Product detection: the carried database is missing\r\n");
  if (database_->Load(chunks.value_or(BuiltInChunks{}), system_) != 0) {
    WriteLog(L"Product detection: the database does not load\r\n");
    return false;
  }
  evaluator_ = std::make_unique<CDetectFileRegs>(system_);
  if (!evaluator_->Begin()) {
    evaluator_.reset();
    database_->Release();
    done_ = false;
    return false;
  }
  return true;
}

DWORD WINAPI CDetectAV::DetectionThread(void* self) {
  static_cast<CDetectAV*>(self)->RunDetection();
  return 0;
}

void CDetectAV::RunDetection() {
  evaluator_->Evaluate(
      database_->vendors(), [this](int kind, uint32_t units) { OnProgress(kind, units); }, stop_);
  std::vector<VendorResult> results = evaluator_->TakeResults();
  std::erase_if(results, [](VendorResult& vendor) { return !DecideVendor(vendor.candidates); });
  RemoveDuplicates(results);
  results_ = std::move(results);
  done_ = !stop_;
  running_ = false;
  if (done_) OnComplete();
}

bool CDetectAV::GetResultList(std::vector<std::wstring>* list) const {
  if (!done_ || !list) return false;
  list->clear();
  for (const std::u16string& text : ResultListTexts(results_)) list->push_back(ToWide(text));
  return true;
}

bool CDetectAV::HasOtherProduct() const { return done_ && qws::HasOtherProduct(results_); }

std::string CDetectAV::GetCompatibilityText() const { return ToAnsi(CompatibilityLines()); }

std::u16string CDetectAV::CompatibilityLines() const {
  const DetectionState state = running_ ? DetectionState::Running
                               : done_  ? DetectionState::Done
                                        : DetectionState::NotFinished;
  return CompatibilityText(state, results_, WinDetectionSystem().Now());
}

CDetectAVWrapper::CDetectAVWrapper(DatabaseDownload download, BuiltInChunkSource chunks)
    : CDetectAV(std::move(download), std::move(chunks)) {}

CDetectAVWrapper::~CDetectAVWrapper() { StopThreads(); }

void CDetectAVWrapper::Start(HWND window, UINT message) {
  if (IsRunning() || starting_.exchange(true)) return;
  window_ = window;
  message_ = message;
  std::lock_guard<std::mutex> lock(starterLock_);
  starterThread_.reset(CreateThread(nullptr, 0, StarterThread, this, 0, nullptr));
  if (!starterThread_) starting_ = false;
}

DWORD WINAPI CDetectAVWrapper::StarterThread(void* self) {
  static_cast<CDetectAVWrapper*>(self)->RunStarter();
  return 0;
}

void CDetectAVWrapper::OnComplete() {
  {
    std::lock_guard<std::mutex> lock(starterLock_);
    starterThread_.reset();
  }
  PostMessageW(window_, message_, 0, 0);
}

std::optional<BuiltInChunks> LoadBuiltInChunks(HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  BuiltInChunks chunks;
  for (size_t i = 0; i < kBuiltInChunkCount; ++i) {
    // Every chunk starts with its byte count, so an empty one is as bad as a missing one.
    chunks[i] = RcdataBytes(module, kFirstDetectionChunkResource + static_cast<int>(i));
    if (chunks[i].empty()) return std::nullopt;
  }
  return chunks;
}

}  // namespace qws
