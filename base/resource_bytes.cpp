#include "base/resource_bytes.h"

namespace qws {

std::string_view RcdataBytes(HMODULE module, int id) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const char*>(bytes), SizeofResource(module, found)};
}

}  // namespace qws
