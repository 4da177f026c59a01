// Browser extension files whose fingerprints are kept as clean samples.
#pragma once

#include <string>
#include <string_view>

namespace qws {

// A script or other non-image, non-manifest file of a Chromium-style extension
// ("\Extensions\" + 32 letters a-z + "\") or of a Firefox profile's extensions folder.
bool IsBrowserExtensionSample(std::u16string_view path);

// ASCII letters in lower case, as the path and detail rules compare them; at most `limit`
// characters.
std::u16string AsciiLower(std::u16string_view text, size_t limit = std::u16string_view::npos);

}  // namespace qws
