// The proxy dialog: the custom proxy's address, port, user name and password, edited on the
// record that the main window owns. OK stores the fields into the record only once the password
// confirmation (while its row is shown) and the port range have passed.
#pragma once

#include <windows.h>

#include "app/proxy_settings.h"
#include "ui/dialog.h"

namespace qws {

class CProxyDialog : public CDialog {
 public:
  explicit CProxyDialog(ProxySettings& settings);

  bool confirmationShown() const { return confirmationShown_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;

 private:
  // The confirmation row comes once the user edits the password: a new password is typed
  // twice, a stored one is kept without being asked for again.
  void ShowConfirmation();
  // Every label as wide as the longest visible text needs; fields, buttons and the dialog
  // follow by the difference.
  void FitLabels();
  void Accept();
  std::wstring FieldText(int controlId) const;
  void FocusField(int controlId);

  ProxySettings& settings_;
  bool confirmationShown_ = false;
  bool filling_ = false;  // the fields are being filled from the record, not edited
};

// Runs the modal dialog on the record; true for OK, when the record holds the new values.
bool ShowProxyDialog(ProxySettings& settings, HWND owner);

}  // namespace qws
