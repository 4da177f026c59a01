// What the message page shows and why it is shown.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qws {

enum class MessageKind {
  None = 0,
  AnotherInstance = 1,
  NewVersionFailed = 2,
  DeclineConfirm = 3,
  NotAdmin = 4,
  UpdateFailed = 5,
  CloseConfirm = 6,
  StoppingScan = 7,
};

using ButtonColours = std::array<uint32_t, 8>;  // 0x00BBGGRR

inline constexpr ButtonColours kGreyScheme = {0x999999, 0xC2C2C2, 0x6A6A6A, 0xC2C2C2,
                                              0x464646, 0x464646, 0x464646, 0x909090};
inline constexpr ButtonColours kAccentScheme = {0xD8A744, 0xE8CA8F, 0xBD8D2E, 0xE8CA8F,
                                                0x966C18, 0x966C18, 0x966C18, 0x966C18};

// An empty label hides its button. The left button answers 1, the right one 2.
struct MessagePageContent {
  std::wstring title;
  std::wstring text;
  std::wstring leftLabel;
  std::wstring rightLabel;
  ButtonColours leftColours = kGreyScheme;
  ButtonColours rightColours = kGreyScheme;
};

}  // namespace qws
