// The scan target list: items joined by "|", with symbolic tokens that stay symbolic while the
// user edits the selection and become drive roots when a scan starts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qws {

inline constexpr char16_t kMemoryToken[] = u"${Memory}";
inline constexpr char16_t kStartupToken[] = u"${Startup}";
inline constexpr char16_t kDriveFixedToken[] = u"${DriveFixed}";
inline constexpr char16_t kDriveRemovableToken[] = u"${DriveRemovable}";
inline constexpr char16_t kDriveRemoteToken[] = u"${DriveRemote}";
inline constexpr char16_t kDriveAllToken[] = u"${DriveAll}";
inline constexpr char16_t kDriveRemovableBootToken[] = u"${DriveRemovableBoot}";
inline constexpr char16_t kDriveFixedBootToken[] = u"${DriveFixedBoot}";
inline constexpr char16_t kDriveAllBootToken[] = u"${DriveAllBoot}";
// A suffix after a drive root ("C:\${Boot}"), never an item by itself.
inline constexpr char16_t kBootSuffix[] = u"${Boot}";

// What the settings page selects when it is first shown.
inline constexpr char16_t kDefaultTargets[] = u"${Memory}|${Startup}|${DriveFixed}";

// Drive kinds with the values of GetDriveTypeW.
enum class DriveKind : uint32_t {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

struct DriveRoot {
  std::u16string root;  // "C:\"
  DriveKind kind = DriveKind::Unknown;
};

// The few facts about the computer the target logic needs; the Win32 side asks the system,
// tests answer from a table.
class TargetSystem {
 public:
  virtual ~TargetSystem() = default;
  // The drive roots in the system's order.
  virtual std::vector<DriveRoot> Drives() const = 0;
  // True when the path names an existing file system object that is not a folder.
  virtual bool IsExistingNonFolder(std::u16string_view path) const = 0;
};

// Expands the drive tokens of `text` in place. `capacity` counts characters with the
// terminator, as a fixed text buffer would; false when some replacement had to be cut to fit
// (the text then holds what fitted).
bool ExpandDriveTokens(std::u16string& text, size_t capacity, const TargetSystem& system);

// The list with every drive token expanded, never cut.
std::u16string ExpandTargets(std::u16string_view list, const TargetSystem& system);

// Neighbouring paths of one folder share their parent: "C:\A\x|C:\A\y\" -> "C:\A\x|~\y\".
std::u16string CompactTargets(std::u16string_view list);
std::u16string UncompactTargets(std::u16string_view list);

// The list the scan receives: the settings page's list expanded and uncompacted.
std::u16string TargetsForScan(std::u16string_view pageList, const TargetSystem& system);

// One of the list's items equals `item`, ignoring case (both compared on their first 260
// characters).
bool TargetListContains(std::u16string_view list, std::u16string_view item);

// The non-empty items between "|" separators, in order.
std::vector<std::u16string> SplitTargets(std::u16string_view list);

// Scanned as one object rather than walked as a folder: the autostart and boot items, the
// memory, and existing objects that are not folders.
bool IsSingleObjectTarget(std::u16string_view item, const TargetSystem& system);

// The user-interface texts the display names are made of (string table entries 4038, 4054,
// 4055, 4119); the defaults are the English entries.
struct TargetTexts {
  std::u16string operatingMemory = u"Operating memory";
  std::u16string autostartLocations = u"Autostart locations";
  std::u16string driveClasses = u"Removable media|Local drives|Network drives|No selection";
  std::u16string currentTargets = u"Current scan targets:%s<A>Change...</A>";
};

std::u16string TargetDisplayName(std::u16string_view item, const TargetTexts& texts = {});

// Whether the user removed the memory item in the last change of the selection: noted when the
// old list held "${Memory}" and the new one does not, cleared when it comes back.
bool MemoryRemovedAfterChange(std::u16string_view oldList, std::u16string_view newList,
                              bool removedBefore);

// Width of a text in pixels, as the page's font draws it.
using TextWidth = std::function<int(std::u16string_view)>;

// Widest the settings page line may grow, in pixels.
inline constexpr int kTargetsDisplayMaxWidth = 520;

// The settings page line: the template with " <I> names </I>  " in place of its "%s". The
// memory is named only when `showMemory` is set and the user has not just removed it.
std::u16string TargetsDisplayText(std::u16string_view list, bool showMemory, bool memoryRemoved,
                                  const TextWidth& width, const TargetTexts& texts = {});

}  // namespace qws
