// The worker thread of the update and scan pages. Its body is a named thread function (a lambda
// would not have the calling convention of the x86 build); a page that must leave a worker
// behind suspends and terminates it.
#pragma once

#include <windows.h>

#include "base/scoped_handle.h"

namespace qws {

class PageWorker {
 public:
  bool Start(LPTHREAD_START_ROUTINE body, void* context);
  // Started and not yet ended.
  bool Running() const;
  // Holds the thread where it is, so that others may release what it works on.
  void Suspend();
  // Ends a suspended or running thread (after 100 ms of grace) and forgets it.
  void Terminate();
  // Forgets an ended thread.
  void Release() { thread_.reset(); }

 private:
  ScopedHandle thread_;
};

}  // namespace qws
