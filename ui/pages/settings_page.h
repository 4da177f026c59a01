// The settings page: how to scan (the potentially unwanted applications choice the page insists
// on, the advanced options), what to scan (the targets line and its target dialog), the custom
// proxy, and the search for other security products that runs in the background meanwhile.
// Scan hands over to the main window, which reads the choices back.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/proxy_settings.h"
#include "detect/detect_av.h"
#include "resources/resource_ids.h"
#include "targets/target_list.h"
#include "ui/check_box.h"
#include "ui/image_controls.h"
#include "ui/page_dlg.h"
#include "ui/simple_controls.h"
#include "ui/square_button.h"
#include "ui/static_text.h"

namespace qws {

// Posted to the main window by Scan once the choices are complete.
inline constexpr UINT kMsgSettingsChosen = WM_USER + 5;

// Opens the target selection on a list; the new list on OK, nothing on Cancel.
using TargetChooser =
    std::function<std::optional<std::wstring>(HWND owner, const std::wstring& targets, bool antiStealth)>;

// What the main window copies into the scan settings when the scan starts.
struct ScanChoices {
  bool detectUnwanted = false;
  bool detectUnsafe = false;
  bool detectSuspicious = false;
  bool scanArchives = false;
  bool antiStealth = false;
  bool cleanAutomatically = false;
  std::wstring targets;  // the page's list, unexpanded
};

class CSettingsDlg : public CPageDlg {
 public:
  // Timers of the page.
  static constexpr UINT_PTR kAnimationTimer = 1;
  static constexpr UINT_PTR kSearchingTimer = 3;
  static constexpr UINT_PTR kHideProductsTimer = 5;

  CSettingsDlg(ProxySettings& proxySettings, CDetectAVWrapper& detector);

  // The main window gives the page the target dialog.
  void SetTargetChooser(TargetChooser chooser) { chooser_ = std::move(chooser); }

  // Defaults of the advanced options, the proxy box from the stored record, the search for
  // other products, the focus on Scan. The radios keep their state.
  void Refresh() override;

  ScanChoices Choices() const;
  // Back from the update page: the focus on Scan, which is repainted.
  void FocusScanButton();
  // The list the scan receives: expanded and uncompacted.
  std::wstring TargetsForScan() const;

  // For those who look at the page (tests among them).
  const std::wstring& targetText() const { return targetText_; }
  bool advancedExpanded() const { return advancedExpanded_; }
  int animationStep() const { return animationStep_; }
  bool listShown() const { return listShown_; }
  bool memoryRemoved() const { return memoryRemoved_; }
  const CStaticText& targetsLine() const { return targets_; }
  const CStaticText& productsLine() const { return products_; }
  const CStaticTriangle& triangle() const { return triangle_; }
  HWND productsList() const { return Item(IDC_SETTINGS_PRODUCTS_LIST); }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  bool OnTimer(UINT_PTR id) override;
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnDestroy() override;

 private:
  void PlaceControls();
  void OnScan();
  void OnUnwantedChoice();
  void StartAnimation();
  void AnimationTick();
  void ShowRow(int row, bool show);
  void MoveSectionFrame(bool expanding);
  void RebuildTargetsLine();
  void ChangeTargets();
  void ConfigureProxy();
  void ShowSearchingText();
  void OnDetectionFinished();
  void FillProductsList(const std::vector<std::u16string>& entries);
  void UpdateProductsLink();
  void SetListShown(bool shown);
  void ToggleList();
  // A moved or refitted control copies the page background at its new place.
  static void MoveControl(CTransparentObject& control, const RECT& rect);

  ProxySettings& proxySettings_;
  CDetectAVWrapper& detector_;
  TargetChooser chooser_;

  CStaticText unwantedText_;
  CCheckBox unwantedOn_, unwantedOff_;
  CStaticBitmap separator1_, separator2_;
  CStaticTriangle triangle_;
  CButtonLink advanced_;
  CCheckBox unsafe_, suspicious_, archives_, antiStealth_, clean_, proxy_;
  CToolTipSpot unsafeTip_, suspiciousTip_, archivesTip_, antiStealthTip_, cleanTip_;
  CStaticText targets_;
  CButtonLink configure_;
  CStaticText products_;
  CSquareButton scan_;

  bool unwantedChoiceMade_ = false;
  bool advancedExpanded_ = false;
  int animationStep_ = 0;
  bool listShown_ = false;
  bool collapsedForList_ = false;
  bool expandedOverList_ = false;
  std::wstring targetText_;
  bool memoryRemoved_ = false;
  bool targetDialogOpen_ = false;
  int dots_ = 0;
  // The detector's answer has been shown: the searching text must not come back.
  bool productsShown_ = false;
  bool productsFound_ = false;
  std::wstring productsMessage_;
  TargetTexts targetTexts_;
};

}  // namespace qws
