#include "scanlib/win/module_folder.h"

#include <windows.h>

#include "base/crypto.h"
#include "base/scoped_handle.h"
#include "base/u16.h"
#include "scanlib/include/qlxs_api.h"
#include "scanlib/module_public_key.h"

namespace qws::scan {
namespace {

constexpr size_t kMaxModuleBytes = 256u << 20;

std::wstring Wide(std::string_view text) { return ToWide(Utf8ToU16(text)); }

}  // namespace

std::optional<std::string> ReadWholeFile(const std::wstring& path, size_t max_bytes) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!file.is_valid() || !GetFileSizeEx(file.get(), &size) || static_cast<uint64_t>(size.QuadPart) > max_bytes)
    return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24)), &got, nullptr) || got == 0)
      return std::nullopt;
    done += got;
  }
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.is_valid()) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && FlushFileBuffers(file.get());
}

const crypto::DsaPublicKey& ModulePublicKey() {
  static const crypto::DsaPublicKey key = crypto::ParsePublicKey(kModulePublicKey).value_or(crypto::DsaPublicKey{});
  return key;
}

uint32_t ReadModuleFolder(const std::wstring& folder, StoredModules& stored, SignatureSet* signatures) {
  auto manifest = ReadWholeFile(folder + Wide(kManifestName), kMaxManifestBytes);
  if (!manifest) return QLXS_E_NO_MODULES;
  auto signature = ReadWholeFile(folder + Wide(kManifestSignatureName), 4096);
  if (!signature || !VerifyManifest(*manifest, *signature, ModulePublicKey())) return QLXS_E_MODULES_DAMAGED;
  auto parsed = ParseManifest(*manifest);
  if (!parsed) return QLXS_E_MODULES_DAMAGED;
  for (const ManifestModule& module : parsed->modules) {
    auto bytes = ReadWholeFile(folder + Wide(module.name), kMaxModuleBytes);
    if (!bytes || bytes->size() != module.size || crypto::Sha256(*bytes) != module.sha256)
      return QLXS_E_MODULES_DAMAGED;
    if (signatures) ParseModule(FormatOfModuleName(module.name), *bytes, *signatures);
  }
  stored.manifest_text = std::move(*manifest);
  stored.manifest = std::move(*parsed);
  return 0;
}

}  // namespace qws::scan
