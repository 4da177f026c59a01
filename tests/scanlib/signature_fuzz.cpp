// Signature modules from anywhere: parsing and matching never read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scanlib/body_matcher.h"
#include "scanlib/signature_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qws::scan;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  SignatureSet set;
  for (ModuleFormat format : {ModuleFormat::kHdb, ModuleFormat::kHsb, ModuleFormat::kNdb})
    ParseModule(format, text, set);
  BodyMatcher matcher(set.bodies);
  BodyScan scan(matcher, size, [](const BodySignature&) { return true; });
  for (size_t at = 0; at < size; at += 7) scan.Feed(text.data() + at, std::min<size_t>(7, size - at));
  scan.Finish();
  return 0;
}
