// The modules folder: a signed manifest and the modules it lists, checked before use.
#pragma once

#include <optional>
#include <string>

#include "scanlib/manifest.h"
#include "scanlib/signature_set.h"

namespace qws::scan {

// The whole file, when it exists and is at most max_bytes long.
std::optional<std::string> ReadWholeFile(const std::wstring& path, size_t max_bytes);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

struct StoredModules {
  std::string manifest_text;
  Manifest manifest;
};

// Reads and checks the folder (signature, sizes, digests); with `signatures` also parses the
// modules. 0, QLXS_E_NO_MODULES when there is no manifest, or QLXS_E_MODULES_DAMAGED.
uint32_t ReadModuleFolder(const std::wstring& folder, StoredModules& stored, SignatureSet* signatures);

// The key that module sets must be signed with.
const crypto::DsaPublicKey& ModulePublicKey();

}  // namespace qws::scan
