// The checks the proxy dialog makes when OK is pressed, in their order: the password
// confirmation (while its row is shown), then the port range.
#pragma once

#include <string_view>

namespace qws {

inline constexpr unsigned kPasswordsDoNotMatchMessage = 4051;  // string table
inline constexpr unsigned kPortOutOfRangeMessage = 4120;

struct ProxyDialogVerdict {
  enum class Focus { None, Password, Port };
  bool accepted = true;
  unsigned message = 0;  // string table number of the message box, 0 when accepted
  Focus focus = Focus::None;
  bool clearPasswords = false;  // both password fields are emptied
};

// An empty port is accepted; otherwise its leading digits must give 1 to 65535.
bool IsAcceptedProxyPort(std::u16string_view port);

ProxyDialogVerdict CheckProxyDialog(bool confirmationShown, std::u16string_view password,
                                    std::u16string_view confirmation, std::u16string_view port);

}  // namespace qws
