#include "app/last_scan_time.h"

#include "app/last_scan_entry.h"
#include "base/reg_key.h"
#include "base/u16.h"

namespace qws {

namespace {

// Only the store creates the subkey; reading and deleting leave a missing one missing.
RegKey OpenSubkey(HKEY programKey, bool create) {
  RegKey key;
  if (create) (void)key.OpenOrCreate(programKey, kLastScanTimeSubkey, KEY_ALL_ACCESS);
  else (void)key.Open(programKey, kLastScanTimeSubkey, KEY_ALL_ACCESS);
  return key;
}

std::optional<std::wstring> ReadEntry(const RegKey& key, int index) {
  return key.ReadString(LastScanValueName(index).c_str(), kLastScanEntryMaxChars);
}

}  // namespace

std::wstring LastScanValueName(int index) { return L"LST_" + std::to_wstring(index); }

std::optional<uint64_t> ReadLastScanTime(HKEY programKey, const std::wstring& targetId,
                                         bool archives) {
  if (!programKey) return std::nullopt;
  RegKey key = OpenSubkey(programKey, false);
  if (!key.is_valid()) return std::nullopt;
  const std::wstring searchKey = ToWide(LastScanSearchKey(ToU16(targetId), archives));
  for (int i = 0;; ++i) {
    const auto entry = ReadEntry(key, i);
    if (!entry) return std::nullopt;
    if (entry->find(searchKey) == std::wstring::npos) continue;
    if (auto duration = ParseLastScanDuration(ToU16(*entry))) return duration;
  }
}

void StoreLastScanTime(HKEY programKey, const std::wstring& entry) {
  if (!programKey || entry.size() > kLastScanEntryMaxChars) return;
  RegKey key = OpenSubkey(programKey, true);
  if (!key.is_valid()) return;
  const std::wstring match = ToWide(LastScanStoreMatch(ToU16(entry)));
  int index = 0;
  for (;; ++index) {
    const auto existing = ReadEntry(key, index);
    if (!existing) break;
    if (existing->find(match) != std::wstring::npos) {
      (void)key.DeleteValue(LastScanValueName(index).c_str());
      break;
    }
  }
  (void)key.WriteString(LastScanValueName(index).c_str(), entry);
}

void DeleteLastScanTimes(HKEY programKey) {
  if (!programKey) return;
  {
    RegKey key = OpenSubkey(programKey, false);
    if (!key.is_valid()) return;
    for (int i = 0; ReadEntry(key, i); ++i) (void)key.DeleteValue(LastScanValueName(i).c_str());
  }
  RegDeleteKeyW(programKey, kLastScanTimeSubkey);
}

}  // namespace qws
