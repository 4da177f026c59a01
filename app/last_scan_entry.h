// The text form of one remembered scan duration: "<target id>-<archives>-<low>:<high>".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qws {

// Longest data string a last-scan-time value may hold.
inline constexpr size_t kLastScanEntryMaxChars = 63;

// Identifies a target selection by a digest of its text: "T" and 16 upper-case hex digits.
// The fixed length and the letter keep one entry's key from matching inside another entry,
// whose other characters are all digits, lower-case hex, '-' and ':'.
std::u16string MakeTargetId(std::u16string_view targetText);

// "%s-%i-%x:%x" with the low and high halves of the duration (100 ns units).
std::u16string FormatLastScanEntry(std::u16string_view targetId, bool archives,
                                   uint64_t duration);
// "%s-%i-": what a lookup searches for.
std::u16string LastScanSearchKey(std::u16string_view targetId, bool archives);
// The entry up to, not including, its last '-': what the store replaces.
std::u16string LastScanStoreMatch(std::u16string_view entry);
// The duration of an entry that contains its key; nothing when the numbers are not
// "<hex>:<hex>" of at most eight digits each after the last '-'.
std::optional<uint64_t> ParseLastScanDuration(std::u16string_view entry);

}  // namespace qws
