// The program's one top-level window: owns the run and shows one page at a time.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/message_content.h"
#include "app/proxy_settings.h"
#include "app/relaunch_plan.h"
#include "app/work_folder.h"
#include "base/scoped_handle.h"
#include "ui/dialog.h"
#include "ui/image_controls.h"
#include "ui/wnd_shadow.h"

namespace qws {

// Step messages posted by the pages.
inline constexpr UINT kStepMessageAnswered = WM_USER + 2;
inline constexpr UINT kStepTermsAccepted = WM_USER + 3;

class CContentPage;
class CAfterRestartDlg;
class CmlLineScanner;

class CQWS_v2Dlg : public CDialog {
 public:
  CQWS_v2Dlg();
  ~CQWS_v2Dlg() override;

  // Runs the dialog modally; returns when it has ended.
  void DoModal();

  void RelaunchSelf(RelaunchMode mode);
  void CloseNow();

  // Whether the page on screen offers help (F1).
  bool CurrentPageHasHelp() const { return currentPageHasHelp_; }

  // The after-restart page of a resumed run (null otherwise); the clean-up reads its choices.
  const CAfterRestartDlg* afterRestartPage() const { return afterRestartPage_.get(); }

  bool termsAccepted = false;
  bool resumedAfterRestart = false;

 protected:
  INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  bool OnClose() override;
  bool HasOwnPainting() const override { return true; }
  void OnDraw(HDC dc) override;
  bool OnLButtonDown(POINT point) override;
  void OnActivate(bool active) override;
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  enum class Page { None, Terms, Settings, Message, CloseConfirm, AfterRestart, Final };

  void InitLook();
  // The opening of a run started with "RESETSTART": scans and cleans the objects of the scan
  // plan before the window shows, then shows the after-restart page. Ends the process at once
  // when there is no plan or the engine cannot be opened.
  void ResumedRun();
  void OnMessageAnswered(int button);

  // The pages come with the wizard; until then one page shows each page's title or the
  // message, and the buttons that lead on.
  void ShowPage(Page page);
  void ShowMessage(const MessagePageContent& content, MessageKind kind);

  ScopedHandle singleInstanceMutex_;
  Page currentPage_ = Page::None;
  bool closeConfirmShown_ = false;
  bool currentPageHasHelp_ = false;
  MessageKind messageKind_ = MessageKind::None;
  MessageKind savedMessageKind_ = MessageKind::None;
  ProxySettings proxySettings_;
  WorkFolder workFolder_;

  // The look: background, logo, footer, the frame by activation, the window buttons, shadow.
  ScopedIcon bigIcon_;
  ScopedIcon smallIcon_;
  ScopedBitmap background_;
  ScopedBitmap logo_;
  ScopedBitmap footer_;
  bool imagesReady_ = false;
  bool active_ = false;
  CHoverButton close_;
  CHoverButton minimise_;
  CWndShadow shadow_;
  std::unique_ptr<CContentPage> page_;
  std::unique_ptr<CmlLineScanner> scanBridge_;
  std::unique_ptr<CAfterRestartDlg> afterRestartPage_;
};

}  // namespace qws
