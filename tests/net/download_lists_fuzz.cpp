// The small downloaded XML files: the banner list and the detection database index.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/download_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  if (const auto banners = qws::ReadBannerList(xml)) {
    for (const auto& banner : *banners)
      if (banner.imageUrl.size() > 255 || banner.destinationUrl.size() > 255) __builtin_trap();
  }
  if (const auto index = qws::ReadDatabaseIndex(xml); index && (index->size == 0 || index->link.empty()))
    __builtin_trap();
  return 0;
}
