// The watchdog and retry policy around module updates.
#include "app/file_utils.h"
#include "app/log.h"
#include "engine/cml_line_scanner.h"
#include "engine/engine_codes.h"

namespace qws {

namespace {

constexpr int kAttemptRunning = 10;
constexpr int kWatchdogRetries = 5;
constexpr int kUpdateCycles = 3;

}  // namespace

DWORD WINAPI CmlLineScanner::AttemptWorker(void* context) {
  auto* bridge = static_cast<CmlLineScanner*>(context);
  WriteLog(L"Update Init\n");
  const int result = bridge->OpenUpdateBridge();
  if (result == 0) {
    WriteLog(L"Update Download\n");
    bridge->UpdateEngine();
    WriteLog(L"Update Finalize\n");
    bridge->ShutdownEngine();
  }
  bridge->workerState_ = result;
  return 0;
}

int CmlLineScanner::RunUpdateAttempt() {
  // A monotonic clock: a change of the system time must not fire or starve the watchdog.
  const ULONGLONG start = GetTickCount64();
  workerState_ = kAttemptRunning;
  rawPercentage = 0;
  attemptWorker_.reset(CreateThread(nullptr, 0, &CmlLineScanner::AttemptWorker, this, 0, nullptr));
  if (!attemptWorker_) return 42;

  while (workerState_ == kAttemptRunning) {
    if (WaitForSingleObject(attemptWorker_.get(), 100) == WAIT_OBJECT_0) break;
    if (GetTickCount64() - start >= watchdogMilliseconds && rawPercentage < 3 &&
        workerState_ == kAttemptRunning) {
      CloseWithWorkerKilled();
      return 43;
    }
  }
  WaitForSingleObject(attemptWorker_.get(), INFINITE);
  attemptWorker_.reset();
  if (workerState_ != 0) return workerState_;
  if (percentageReached() < 100 || updateFailed) workerState_ = kAttemptRunning;  // incomplete
  return 0;
}

void CmlLineScanner::CloseWithWorkerKilled() {
  if (attemptWorker_) {
    SuspendThread(attemptWorker_.get());
    Sleep(100);
    TerminateThread(attemptWorker_.get(), 1);
    attemptWorker_.reset();
  }
  ShutdownEngine();
  criticalSectionsInitialised = false;
}

int CmlLineScanner::UpdateWithTimeoutRetries(int32_t base, int32_t& percentReached) {
  progressBase = base;
  progress = 0;
  int result = RunUpdateAttempt();
  for (int retry = 0; result == 43; ++retry) {
    if (retry == kWatchdogRetries) return 43;
    WriteLog(L"Update timeout and progress <3, Retry update\n");
    result = RunUpdateAttempt();
  }
  if (result != 0) return result;
  if (workerState_ == kAttemptRunning || percentageReached() == 0) {
    percentReached = percentageReached();
    return 44;
  }
  percentReached = 100;
  WriteLog(L"Updated modules version: " + std::to_wstring(g_engineBuild.load()) + L"\n");
  return g_engineBuild < kMinimumEngineBuild ? 45 : 0;
}

int CmlLineScanner::UpdateWithRetries(const std::wstring& folder) {
  workFolder = folder;
  int32_t base = 0;
  int result = 0;
  for (int cycle = 0; cycle < kUpdateCycles; ++cycle) {
    WriteLog(L"Updating\n");
    int32_t percentReached = 0;
    try {
      result = UpdateWithTimeoutRetries(base, percentReached);
    } catch (...) {
      result = 46;
    }
    if (result == 0) {
      progress = 1000;
      return 0;
    }
    if (result == 45) {
      if (cycle == 0) {
        WriteLog(L"Old modules - leave modules\n");
      } else if (cycle == 1) {
        WriteLog(L"Old modules - delete modules\n");
        RecursiveRemoveDirectoryAndAllFiles(true, nullptr, workFolder + L"\\Modules\\");
      } else {
        WriteLog(L"'Can not update to actual engine, exiting\n");
        return 45;
      }
    } else if (result == 43) {
      WriteLog(L"'Update timeout and progress <3' occured 5 times, exiting\n");
      return 43;
    } else if (cycle == kUpdateCycles - 1) {
      return result;
    } else {
      WriteLog(L"Retrying Update\n");
    }
    base = percentReached;
  }
  return result;
}

}  // namespace qws
