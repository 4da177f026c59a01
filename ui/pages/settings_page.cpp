#include "ui/pages/settings_page.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "app/string_table.h"
#include "base/u16.h"
#include "net/proxy_dialog.h"
#include "targets/target_system_win.h"
#include "ui/font_list.h"
#include "ui/gdi.h"
#include "ui/pages/settings_page_logic.h"

namespace qws {

namespace {

constexpr COLORREF kLinkColour = 0xD29A2A;
constexpr COLORREF kProductsColour = 0x666666;
constexpr int kLeft = 59;
constexpr int kRight = 540;
constexpr int kRowHeight = 19;
constexpr int kTipSize = 16;
constexpr int kTipGap = 7;
constexpr UINT kAnimationTickMs = 5;
constexpr UINT kSearchingTickMs = 500;
constexpr UINT kHideProductsDelayMs = 2000;

// Where the products line and separator 2 stand with the advanced section closed and open.
constexpr RECT kSeparator2Collapsed = {kLeft, 215, 599, 216};
constexpr RECT kSeparator2Expanded = {kLeft, 371, 599, 372};
constexpr RECT kProductsAtStart = {kLeft, 228, kRight, 259};
constexpr int kProductsCollapsedTop = 230;
constexpr int kProductsExpandedTop = 382;

RECT RowAt(int top, int right = kRight) { return {kLeft, top, right, top + kRowHeight}; }

RECT MovedTo(RECT rect, int top) {
  rect.bottom += top - rect.top;
  rect.top = top;
  return rect;
}

}  // namespace

CSettingsDlg::CSettingsDlg(ProxySettings& proxySettings, CDetectAVWrapper& detector)
    : CPageDlg(IDD_SETTINGS_PAGE), proxySettings_(proxySettings), detector_(detector) {
  alternateBackgroundId_ = IDR_SETTINGS_BACKGROUND_PNG;
  iconId_ = IDR_SETTINGS_ICON_PNG;
}

void CSettingsDlg::MoveControl(CTransparentObject& control, const RECT& rect) {
  control.Move(rect);
  control.SetTakeBackground();
}

bool CSettingsDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  SetTitle(LoadText(4015));  // "Computer scan settings"
  targetTexts_ = LoadTargetTexts();
  PlaceControls();
  targetText_ = ToWide(kDefaultTargets);
  RebuildTargetsLine();
  return true;
}

void CSettingsDlg::PlaceControls() {
  const auto fitted = [](CTransparentObject& control, const std::wstring& text) {
    control.SetTextFitted(text);
    control.SetTakeBackground();
  };

  unwantedText_.Attach(hwnd(), IDC_SETTINGS_UNWANTED_TEXT);
  // Room for a third line down to the radios: where "Segoe UI" is substituted by a wider face the
  // text needs it, and is cut off without it.
  unwantedText_.Move({kLeft, 52, kRight, 100});
  unwantedText_.SetText(LoadText(4030));

  const std::array<std::pair<CCheckBox*, int>, 2> radios = {
      {{&unwantedOn_, IDC_SETTINGS_UNWANTED_ON}, {&unwantedOff_, IDC_SETTINGS_UNWANTED_OFF}}};
  int top = 101;
  for (const auto& [radio, id] : radios) {
    radio->Attach(hwnd(), id);
    radio->Move(RowAt(top));
    radio->SetImages(IDR_RADIO_STRIP_PNG);
    radio->SetRadio(true);
    radio->SetPartner(id == IDC_SETTINGS_UNWANTED_ON ? IDC_SETTINGS_UNWANTED_OFF : IDC_SETTINGS_UNWANTED_ON);
    fitted(*radio, LoadText(id == IDC_SETTINGS_UNWANTED_ON ? 4019 : 4020));
    top += 20;
  }

  separator1_.Create(hwnd(), IDC_SETTINGS_SEPARATOR1, {kLeft, 161, 599, 162});
  separator1_.SetImage(IDR_SEPARATOR_PNG);
  triangle_.Create(hwnd(), IDC_SETTINGS_TRIANGLE, {46, 178, 57, 197});
  triangle_.SetColour(kLinkColour);
  advanced_.Attach(hwnd(), IDC_SETTINGS_ADVANCED);
  advanced_.Move(RowAt(178));
  advanced_.SetTextColour(kLinkColour);
  fitted(advanced_, LoadText(4031));

  struct Option {
    CCheckBox* box;
    int id;
    int top;
    unsigned text;
    CToolTipSpot* tip;
    int tipId;
    unsigned tipText;
  };
  const Option options[] = {
      {&unsafe_, IDC_SETTINGS_UNSAFE, 205, 4018, &unsafeTip_, IDC_SETTINGS_UNSAFE_TIP, 4025},
      {&suspicious_, IDC_SETTINGS_SUSPICIOUS, 225, 4017, &suspiciousTip_, IDC_SETTINGS_SUSPICIOUS_TIP, 4026},
      {&archives_, IDC_SETTINGS_ARCHIVES, 246, 4021, &archivesTip_, IDC_SETTINGS_ARCHIVES_TIP, 4027},
      {&antiStealth_, IDC_SETTINGS_ANTISTEALTH, 267, 4022, &antiStealthTip_, IDC_SETTINGS_ANTISTEALTH_TIP, 4028},
      {&clean_, IDC_SETTINGS_CLEAN, 288, 4023, &cleanTip_, IDC_SETTINGS_CLEAN_TIP, 4029},
  };
  for (const Option& option : options) {
    option.box->Attach(hwnd(), option.id);
    option.box->Move(RowAt(option.top));
    option.box->SetImages(IDR_CHECK_BOX_STRIP_PNG);
    fitted(*option.box, LoadText(option.text));
    const RECT box = option.box->RectInParent();
    option.tip->Attach(hwnd(), option.tipId);
    option.tip->Move({box.right + kTipGap, box.top + (kRowHeight - kTipSize) / 2, box.right + kTipGap + kTipSize,
                      box.top + (kRowHeight - kTipSize) / 2 + kTipSize});
    option.tip->SetText(LoadText(option.tipText));
  }

  targets_.Attach(hwnd(), IDC_SETTINGS_TARGETS);
  targets_.Move({kLeft, 316, kRight, 335});
  proxy_.Attach(hwnd(), IDC_SETTINGS_PROXY);
  proxy_.Move(RowAt(337));
  proxy_.SetImages(IDR_CHECK_BOX_STRIP_PNG);
  fitted(proxy_, LoadText(4024));
  configure_.Attach(hwnd(), IDC_SETTINGS_CONFIGURE);
  configure_.Move({proxy_.RectInParent().right + 10, 337, kRight, 337 + kRowHeight});
  configure_.SetTextColour(kLinkColour);
  configure_.SetText(LoadText(4033));

  separator2_.Create(hwnd(), IDC_SETTINGS_SEPARATOR2, kSeparator2Collapsed);
  separator2_.SetImage(IDR_SEPARATOR_PNG);
  products_.Attach(hwnd(), IDC_SETTINGS_PRODUCTS);
  products_.Move(kProductsAtStart);
  products_.SetTextColour(kProductsColour);
  products_.SetText(LoadText(4040));

  HWND list = productsList();
  MoveWindow(list, kLeft, 264, kRight - kLeft, 410 - 264, FALSE);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  RECT client{};
  GetClientRect(list, &client);
  const ProductColumns columns = StartingProductColumns(client.right, GetSystemMetrics(SM_CXVSCROLL), 0);
  const std::pair<unsigned, int> headers[] = {{4041, columns.vendor}, {4042, columns.product}};
  for (int index = 0; index < 2; ++index) {
    std::wstring header = LoadText(headers[index].first);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = header.data();
    column.cx = headers[index].second;
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
  }

  scan_.Attach(hwnd(), IDC_SETTINGS_SCAN);
  scan_.Move({465, 415, kRight, 450});
  scan_.SetText(LoadText(4016));
  scan_.Fit(true);
  scan_.SetTakeBackground();
}

void CSettingsDlg::Refresh() {
  unsafe_.SetCheck(false);
  suspicious_.SetCheck(true);
  archives_.SetCheck(true);
  antiStealth_.SetCheck(true);
  clean_.SetCheck(false);
  LoadProxySettings(proxySettings_);
  proxy_.SetCheck(proxySettings_.enabled);
  // Once the products are shown, the searching text would stay for good: no second answer
  // comes from a detection that has finished.
  if (!productsShown_) {
    dots_ = 0;
    SetTimer(kSearchingTimer, kSearchingTickMs);
  }
  detector_.Start(hwnd(), CDetectAVWrapper::kDoneMessage);
  // The memory follows the Anti-Stealth box, which has just taken its default.
  RebuildTargetsLine();
  SetFocus(scan_.hwnd());
  Invalidate();
}

ScanChoices CSettingsDlg::Choices() const {
  ScanChoices choices;
  choices.detectUnwanted = unwantedOn_.checked();
  choices.detectUnsafe = unsafe_.checked();
  choices.detectSuspicious = suspicious_.checked();
  choices.scanArchives = archives_.checked();
  choices.antiStealth = antiStealth_.checked();
  choices.cleanAutomatically = clean_.checked();
  choices.targets = targetText_;
  return choices;
}

std::wstring CSettingsDlg::TargetsForScan() const {
  return ToWide(qws::TargetsForScan(ToU16(targetText_), WindowsTargetSystem()));
}

bool CSettingsDlg::OnCommand(int controlId, int code) {
  switch (controlId) {
    case IDC_SETTINGS_SCAN:
      if (code == BN_CLICKED) OnScan();
      return true;
    case IDC_SETTINGS_UNWANTED_ON:
    case IDC_SETTINGS_UNWANTED_OFF:
      if (code == BN_CLICKED) OnUnwantedChoice();
      return true;
    case IDC_SETTINGS_ADVANCED:
      if (code == BN_CLICKED) StartAnimation();
      return true;
    case IDC_SETTINGS_ANTISTEALTH:
      if (code == BN_CLICKED) RebuildTargetsLine();
      return true;
    case IDC_SETTINGS_TARGETS:
      if (code == kLinkActivated) ChangeTargets();
      return true;
    case IDC_SETTINGS_CONFIGURE:
      if (code == BN_CLICKED) ConfigureProxy();
      return true;
    case IDC_SETTINGS_PRODUCTS:
      if (code == kLinkActivated) ToggleList();
      return true;
    default:
      return false;
  }
}

void CSettingsDlg::OnScan() {
  if (!unwantedOn_.checked() && !unwantedOff_.checked()) {
    // The band behind the radios asks for the choice; nothing else happens.
    UseAlternateBackground(true);
    SetFocus(unwantedOn_.hwnd());
    return;
  }
  proxySettings_.enabled = proxy_.checked();
  SaveProxySettings(proxySettings_);
  targetText_ = ToWide(ExpandTargets(ToU16(targetText_), WindowsTargetSystem()));
  PostMessageW(GetParent(hwnd()), kMsgSettingsChosen, 0, 0);
}

void CSettingsDlg::OnUnwantedChoice() {
  if (unwantedChoiceMade_) return;
  unwantedChoiceMade_ = true;
  UseAlternateBackground(false);
}

void CSettingsDlg::StartAnimation() {
  advancedExpanded_ = !advancedExpanded_;
  animationStep_ = 1;
  SetTimer(kAnimationTimer, kAnimationTickMs);
}

void CSettingsDlg::AnimationTick() {
  if (animationStep_ < 1 || animationStep_ > kAdvancedSteps) {
    KillTimer(kAnimationTimer);
    animationStep_ = 0;
    return;
  }
  const int row = AdvancedRowOfStep(animationStep_, advancedExpanded_);
  const int turn = TriangleTurnOfRow(row);
  if (triangle_.turn() != turn) triangle_.SetTurn(turn);
  ShowRow(row, advancedExpanded_);
  if (++animationStep_ > kAdvancedSteps) {
    KillTimer(kAnimationTimer);
    animationStep_ = 0;
  }
}

void CSettingsDlg::ShowRow(int row, bool show) {
  const std::array<std::pair<CCheckBox*, CToolTipSpot*>, 5> options = {
      {{&unsafe_, &unsafeTip_}, {&suspicious_, &suspiciousTip_}, {&archives_, &archivesTip_},
       {&antiStealth_, &antiStealthTip_}, {&clean_, &cleanTip_}}};
  if (row == 0) {
    MoveSectionFrame(show);
  } else if (row <= 5) {
    options[static_cast<size_t>(row - 1)].first->Show(show);
    options[static_cast<size_t>(row - 1)].second->Show(show);
  } else if (row == 6) {
    targets_.Show(show);
  } else if (row == 7) {
    proxy_.Show(show);
    configure_.Show(show);
  }
}

void CSettingsDlg::MoveSectionFrame(bool expanding) {
  advanced_.SetTextFitted(LoadText(expanding ? 4032 : 4031));
  advanced_.SetTakeBackground();
  if (expanding) {
    // The open section takes the list's place; the list comes back when the section closes.
    expandedOverList_ = listShown_;
    if (listShown_) SetListShown(false);
    MoveControl(separator2_, kSeparator2Expanded);
    MoveControl(products_, MovedTo(products_.RectInParent(), kProductsExpandedTop));
  } else {
    if (expandedOverList_) {
      expandedOverList_ = false;
      SetListShown(true);
    }
    MoveControl(separator2_, kSeparator2Collapsed);
    MoveControl(products_, MovedTo(products_.RectInParent(), kProductsCollapsedTop));
  }
}

void CSettingsDlg::RebuildTargetsLine() {
  WindowDc dc(targets_.hwnd());
  SelectedObject font(dc.dc(), FontList::Process().Get(kFontUnderlined));
  const std::u16string text = TargetsDisplayText(ToU16(targetText_), antiStealth_.checked(), memoryRemoved_,
                                                 DeviceContextTextWidth(dc.dc()), targetTexts_);
  targets_.SetText(ToWide(text));
}

void CSettingsDlg::ChangeTargets() {
  if (targetDialogOpen_ || !chooser_) return;
  targetDialogOpen_ = true;
  const std::wstring before = targetText_;
  const std::optional<std::wstring> chosen =
      chooser_(hwnd(), ToWide(ExpandTargets(ToU16(targetText_), WindowsTargetSystem())), antiStealth_.checked());
  targetDialogOpen_ = false;
  if (!chosen) return;
  memoryRemoved_ = MemoryRemovedAfterChange(ToU16(before), ToU16(*chosen), memoryRemoved_);
  targetText_ = *chosen;
  RebuildTargetsLine();
}

void CSettingsDlg::ConfigureProxy() {
  LoadProxySettings(proxySettings_);
  if (ShowProxyDialog(proxySettings_, hwnd())) SaveProxySettings(proxySettings_);
}

void CSettingsDlg::ShowSearchingText() {
  products_.SetText(ToWide(SearchingText(ToU16(LoadText(4040)), dots_)));
  dots_ = NextDots(dots_);
}

void CSettingsDlg::OnDetectionFinished() {
  KillTimer(kSearchingTimer);
  productsShown_ = true;
  std::vector<std::wstring> found;
  if (!detector_.GetResultList(&found)) found.clear();
  if (found.empty()) {
    SetTimer(kHideProductsTimer, kHideProductsDelayMs);
    return;
  }
  productsFound_ = true;
  // "Another antivirus software was detected. ..." or "Another Quellix security product ..."
  productsMessage_ = LoadText(detector_.HasOtherProduct() ? 4036 : 4037);
  products_.Show(false);
  UpdateProductsLink();
  products_.Show(true);
  std::vector<std::u16string> entries;
  for (const std::wstring& entry : found) entries.push_back(ToU16(entry));
  FillProductsList(entries);
}

void CSettingsDlg::FillProductsList(const std::vector<std::u16string>& entries) {
  HWND list = productsList();
  ListView_DeleteAllItems(list);
  const std::vector<ProductRow> rows = ProductRows(entries);
  int widestVendor = ListView_GetStringWidth(list, LoadText(4041).c_str());
  for (size_t index = 0; index < rows.size(); ++index) {
    std::wstring vendor = ToWide(rows[index].vendor);
    std::wstring product = ToWide(rows[index].product);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(index);
    item.pszText = vendor.data();
    const int at = ListView_InsertItem(list, &item);
    ListView_SetItemText(list, at, 1, product.data());
    widestVendor = std::max(widestVendor, ListView_GetStringWidth(list, vendor.c_str()));
  }
  RECT client{};
  GetClientRect(list, &client);
  const ProductColumns columns =
      FittedProductColumns(client.right, GetSystemMetrics(SM_CXVSCROLL), rows.size(), widestVendor);
  ListView_SetColumnWidth(list, 0, columns.vendor);
  ListView_SetColumnWidth(list, 1, columns.product);
  if (!rows.empty()) {
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void CSettingsDlg::UpdateProductsLink() {
  if (!productsFound_) return;
  // "Hide list" while the list is shown, "Show list" otherwise.
  const std::wstring link = LoadText(listShown_ ? 4035 : 4034);
  products_.SetText(ToWide(ProductsLineText(ToU16(productsMessage_), ToU16(link))));
}

void CSettingsDlg::SetListShown(bool shown) {
  listShown_ = shown;
  ShowWindow(productsList(), shown ? SW_SHOW : SW_HIDE);
  UpdateProductsLink();
}

void CSettingsDlg::ToggleList() {
  const bool show = !listShown_;
  SetListShown(show);
  if (show && advancedExpanded_) {
    collapsedForList_ = true;
    expandedOverList_ = false;
    StartAnimation();
  } else if (!show && collapsedForList_ && !advancedExpanded_) {
    collapsedForList_ = false;
    StartAnimation();
  }
}

bool CSettingsDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case kAnimationTimer:
      AnimationTick();
      return true;
    case kSearchingTimer:
      ShowSearchingText();
      return true;
    case kHideProductsTimer:
      KillTimer(kHideProductsTimer);
      products_.Show(false);
      separator2_.Show(false);
      return true;
    default:
      return false;
  }
}

std::optional<LRESULT> CSettingsDlg::OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == CDetectAVWrapper::kDoneMessage) {
    OnDetectionFinished();
    return 0;
  }
  return CPageDlg::OnUserMessage(message, wparam, lparam);
}

void CSettingsDlg::OnDestroy() {
  for (UINT_PTR timer : {kAnimationTimer, kSearchingTimer, kHideProductsTimer}) KillTimer(timer);
}

void CSettingsDlg::FocusScanButton() {
  SetFocus(scan_.hwnd());
  InvalidateRect(scan_.hwnd(), nullptr, TRUE);
}

}  // namespace qws
