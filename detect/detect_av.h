// The detection driver: fetches the newest database, loads it, evaluates every product version
// on a worker thread, decides per vendor, and tells a window when the results are ready.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "detect/database_carrier.h"
#include "detect/detection_database.h"
#include "detect/detection_results.h"
#include "detect/rule_evaluation.h"
#include "detect/win_detection_system.h"

namespace qws {

// A downloaded database file with its signature.
struct DownloadedDatabase {
  std::string data;
  std::string signature;
};
// Fetches the database index and file; nothing on any failure.
using DatabaseDownload = std::function<std::optional<DownloadedDatabase>()>;
// The chunks of the database the program carries; nothing when they cannot be found.
using BuiltInChunkSource = std::function<std::optional<BuiltInChunks>()>;

// The evaluator's operations, in the order a run calls them.
class CDetectBase {
 public:
  virtual ~CDetectBase() = default;
  virtual bool Begin() = 0;
  virtual void Evaluate(const std::vector<Vendor>& vendors, const DetectionProgress& progress,
                        const std::atomic<bool>& stop) = 0;
  virtual std::vector<VendorResult> TakeResults() = 0;
  virtual void ReleaseResults() = 0;
};

// Evaluates the database's registry, file, service and status rules.
class CDetectFileRegs : public CDetectBase {
 public:
  explicit CDetectFileRegs(DetectionSystem& system) : evaluator_(system) {}
  bool Begin() override { return true; }
  void Evaluate(const std::vector<Vendor>& vendors, const DetectionProgress& progress,
                const std::atomic<bool>& stop) override;
  std::vector<VendorResult> TakeResults() override { return std::move(results_); }
  void ReleaseResults() override { results_.clear(); }

 private:
  RuleEvaluator evaluator_;
  std::vector<VendorResult> results_;
};

class CDetectAV {
 public:
  CDetectAV(DatabaseDownload download, BuiltInChunkSource chunks);
  virtual ~CDetectAV();
  CDetectAV(const CDetectAV&) = delete;
  CDetectAV& operator=(const CDetectAV&) = delete;

  virtual void OnProgress(int kind, uint32_t units);
  virtual void OnComplete();

  bool IsRunning() const { return running_; }
  bool IsDone() const { return done_; }
  // The "Company|Product" texts; false while the evaluation is not done.
  bool GetResultList(std::vector<std::wstring>* list) const;
  bool HasOtherProduct() const;
  // The report's compatibility lines, each ending in CR LF.
  std::u16string CompatibilityLines() const;
  // The same in the ANSI code page.
  std::string GetCompatibilityText() const;

 protected:
  // The starter thread's work: download, offer, prepare, start the detection thread.
  void RunStarter();
  // Ends both threads: the evaluation stops after its current rule.
  void StopThreads();

  std::mutex starterLock_;  // guards starterThread_, which the completion closes
  ScopedHandle starterThread_;
  std::atomic<bool> starting_{false};

 private:
  bool Prepare();
  void RunDetection();
  static DWORD WINAPI DetectionThread(void* self);

  DatabaseDownload download_;
  BuiltInChunkSource chunks_;
  WinDetectionSystem system_;
  std::unique_ptr<DetectionDatabase> database_;
  std::unique_ptr<CDetectBase> evaluator_;
  std::vector<VendorResult> results_;
  ScopedHandle detectionThread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> done_{false};
  std::atomic<bool> stop_{false};
};

// The one detector of the main window: started by the settings page each time it is shown,
// it posts `message` to the page when the results are ready.
class CDetectAVWrapper : public CDetectAV {
 public:
  static constexpr UINT kDoneMessage = WM_USER + 6;  // 1030

  explicit CDetectAVWrapper(DatabaseDownload download = {},
                            BuiltInChunkSource chunks = nullptr);
  ~CDetectAVWrapper() override;

  // Does nothing while an evaluation runs or a start is under way.
  void Start(HWND window, UINT message = kDoneMessage);
  void OnComplete() override;

 private:
  static DWORD WINAPI StarterThread(void* self);

  std::atomic<HWND> window_{nullptr};
  std::atomic<UINT> message_{kDoneMessage};
};

// The 14 chunks of the carried database from the program's resources (RCDATA 2001 to 2014).
std::optional<BuiltInChunks> LoadBuiltInChunks(HMODULE module = nullptr);
inline constexpr int kFirstDetectionChunkResource = 2001;

}  // namespace qws
