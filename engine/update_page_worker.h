// The update page's work: keep or discard the modules of an earlier run, update with retries,
// and fall back to the earlier modules when the update fails.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/cml_line_scanner.h"

namespace qws {

using FreeSpaceQuery = std::function<uint64_t(const std::wstring& folder)>;

// Runs on the page's worker thread; the outcome is the bridge's progress value: 1000 updated,
// -1 not enough disk space, -2 update failed with the earlier modules loaded again, -3 failed
// with no usable modules.
void RunUpdatePageWorker(CmlLineScanner& bridge, const std::wstring& workFolder, bool freshStart,
                         const FreeSpaceQuery& freeSpace);

}  // namespace qws
