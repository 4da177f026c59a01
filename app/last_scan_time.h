// Remembered scan durations, one per target selection and archives option, in the values
// LST_0, LST_1, ... of the "LastScanTime" subkey. The walk stops at the first missing index.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace qws {

inline constexpr wchar_t kLastScanTimeSubkey[] = L"LastScanTime";

// The duration stored for the target id and archives option; nothing with a null key.
std::optional<uint64_t> ReadLastScanTime(HKEY programKey, const std::wstring& targetId,
                                         bool archives);
// Replaces the entry of the same target id and archives option, or adds one at the first free
// index. Does nothing with a null key or an entry longer than 63 characters.
void StoreLastScanTime(HKEY programKey, const std::wstring& entry);
void DeleteLastScanTimes(HKEY programKey);

// "LST_%i"
std::wstring LastScanValueName(int index);

}  // namespace qws
