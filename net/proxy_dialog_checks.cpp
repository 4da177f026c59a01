#include "net/proxy_dialog_checks.h"

#include "net/proxy_candidate.h"

namespace qws {

bool IsAcceptedProxyPort(std::u16string_view port) {
  if (port.empty()) return true;
  const int value = LeadingInteger(port);
  return value >= 1 && value <= 65535;
}

ProxyDialogVerdict CheckProxyDialog(bool confirmationShown, std::u16string_view password,
                                    std::u16string_view confirmation, std::u16string_view port) {
  ProxyDialogVerdict verdict;
  if (confirmationShown && password != confirmation) {
    verdict.accepted = false;
    verdict.message = kPasswordsDoNotMatchMessage;
    verdict.focus = ProxyDialogVerdict::Focus::Password;
    verdict.clearPasswords = true;
  } else if (!IsAcceptedProxyPort(port)) {
    verdict.accepted = false;
    verdict.message = kPortOutOfRangeMessage;
    verdict.focus = ProxyDialogVerdict::Focus::Port;
  }
  return verdict;
}

}  // namespace qws
