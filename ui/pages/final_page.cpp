#include "ui/pages/final_page.h"

#include <shellapi.h>

#include "app/help_url.h"
#include "app/message_content.h"
#include "app/string_table.h"
#include "base/u16.h"
#include "resources/resource_ids.h"

namespace qws {

CFinalDlg::CFinalDlg() : CPageDlg(IDD_FINAL_PAGE) { backgroundId_ = IDR_FINAL_BACKGROUND_PNG; }

bool CFinalDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  SetTitle(LoadText(4092));  // "Thank you for trying Quellix WebSweep"
  thanks_.Attach(hwnd(), IDC_FINAL_THANKS);
  thanks_.Move({59, 54, 540, 135});
  thanks_.SetText(LoadText(4093));
  separator_.Attach(hwnd(), IDC_FINAL_SEPARATOR);
  separator_.Move({59, 141, 540, 142});
  separator_.SetImage(IDR_SEPARATOR_PNG);
  offerTitle_.Attach(hwnd(), IDC_FINAL_OFFER_TITLE);
  offerTitle_.Move({59, 166, 360, 190});
  offerTitle_.SetText(LoadText(4094));  // "Get full protection for FREE"
  offerList_.Attach(hwnd(), IDC_FINAL_OFFER_LIST);
  // Down to the trial button: a wider face than "Segoe UI" wraps the last point onto a fifth line.
  offerList_.Move({59, 203, 360, 290});
  offerList_.SetText(LoadText(4095));
  trial_.Attach(hwnd(), IDC_FINAL_TRIAL);
  trial_.SetColours(kAccentScheme);  // its edge is 0x966C18 in every state
  trial_.SetText(LoadText(4096));  // "Free 30-day trial"
  trial_.Move({59, 293, 190, 328});
  trial_.Fit(false);
  return true;
}

void CFinalDlg::Refresh() { SetFocus(trial_.hwnd()); }

bool CFinalDlg::OnCommand(int controlId, int code) {
  if (controlId != IDC_FINAL_TRIAL || code != BN_CLICKED) return false;
  // A shell that cannot open the page leaves the user on this page as before.
  ShellExecuteW(nullptr, L"open", ToWide(TrialPageUrl()).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return true;
}

}  // namespace qws
