// The program's registry key below HKEY_CURRENT_USER.
#pragma once

#include "base/reg_key.h"

namespace qws {

inline constexpr wchar_t kProgramKeyPath[] = L"Software\\Quellix\\WebSweep_v2";

// Opened for reading only; invalid when the key does not exist.
RegKey OpenProgramKeyForReading();
// Opened with all access; invalid when the key does not exist.
RegKey OpenExistingProgramKey();
// Opened with all access, created when missing.
RegKey OpenProgramKeyForWriting();

}  // namespace qws
