#include "ui/pages/page_worker.h"

namespace qws {

bool PageWorker::Start(LPTHREAD_START_ROUTINE body, void* context) {
  thread_.reset(CreateThread(nullptr, 0, body, context, 0, nullptr));
  return thread_.is_valid();
}

bool PageWorker::Running() const {
  return thread_ && WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

void PageWorker::Suspend() {
  if (Running()) SuspendThread(thread_.get());
}

void PageWorker::Terminate() {
  if (Running()) {
    Sleep(100);
    TerminateThread(thread_.get(), 1);
    // Termination completes asynchronously; nothing of the thread may run once it is forgotten.
    WaitForSingleObject(thread_.get(), 5000);
  }
  thread_.reset();
}

}  // namespace qws
