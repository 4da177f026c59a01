// Base64 with the standard alphabet and "=" padding; line breaks and spaces are skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qws {

// Nothing when the text holds other characters or ends inside a group.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace qws
