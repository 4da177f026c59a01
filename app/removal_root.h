// Which folder paths removals may be joined to: an absolute folder below a drive or share root.
// An empty path joined to "\Quarantine\" names the root of the current drive, and "C:" names
// the current directory of drive C, so both must be refused before anything is deleted.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qws {

// The path without trailing separators when it names a folder below the root of a drive
// ("C:\...") or of a share ("\\server\share\..."), also with the "\\?\" prefix; nothing for an
// empty, relative or drive-relative path, a root itself, a "." or ".." step (or one of dots
// and blanks only, which the system shortens to nothing), a stream name or a device path.
std::optional<std::u16string> RemovalRoot(std::u16string_view path);

}  // namespace qws
