// The network enumeration of the target tree through the WNet functions.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "targets/network_browse.h"

namespace qws {

class WNetEnumerator : public NetworkEnumerator {
 public:
  std::unique_ptr<NetworkEnumeration> Open(const NetResource* container) override;

 private:
  // One buffer serves every listing of a dialog; made on first use.
  std::vector<uint64_t> buffer_;
};

}  // namespace qws
