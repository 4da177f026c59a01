// The program's one top-level window: owns the run and shows one page at a time.
#pragma once

#include <windows.h>

#include <string>

#include "app/message_content.h"
#include "app/proxy_settings.h"
#include "app/relaunch_plan.h"
#include "app/work_folder.h"
#include "base/scoped_handle.h"

namespace qws {

// Step messages posted by the pages.
inline constexpr UINT kStepMessageAnswered = WM_USER + 2;
inline constexpr UINT kStepTermsAccepted = WM_USER + 3;

class CQWS_v2Dlg {
 public:
  CQWS_v2Dlg() = default;
  CQWS_v2Dlg(const CQWS_v2Dlg&) = delete;
  CQWS_v2Dlg& operator=(const CQWS_v2Dlg&) = delete;

  // Runs the dialog modally; returns when it has ended.
  void DoModal();

  void RelaunchSelf(RelaunchMode mode);
  void CloseNow();

  HWND hwnd() const { return hwnd_; }
  // Whether the page on screen offers help (F1).
  bool CurrentPageHasHelp() const { return currentPageHasHelp_; }

  bool termsAccepted = false;
  bool resumedAfterRestart = false;

 private:
  enum class Page { None, Terms, Settings, Message, CloseConfirm };

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void OnInitDialog();
  void OnCloseRequest();
  void OnMessageAnswered(int button);
  void OnCommand(int id);

  // The page frame comes with the pages; until then the window shows the page's title and the
  // buttons that lead on.
  void ShowPage(Page page);
  void ShowMessage(const MessagePageContent& content, MessageKind kind);
  void ShowContent(const std::wstring& title, const std::wstring& text,
                   const std::wstring& leftLabel, const std::wstring& rightLabel);
  void LayOutControls();

  HWND hwnd_ = nullptr;
  ScopedHandle singleInstanceMutex_;
  Page currentPage_ = Page::None;
  bool closeConfirmShown_ = false;
  bool currentPageHasHelp_ = false;
  MessageKind messageKind_ = MessageKind::None;
  MessageKind savedMessageKind_ = MessageKind::None;
  ProxySettings proxySettings_;
  WorkFolder workFolder_;
  HFONT font_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
};

}  // namespace qws
