// Each page template creates as a child page of the frame's size with every control its page
// code looks up by number, of the window class that the code attaches to it.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "ui/dialog.h"

namespace qws {
namespace {

struct Control {
  int id;
  const wchar_t* windowClass;
  bool visible;  // shown when the page is created
};

struct Template {
  int id;
  std::vector<Control> controls;
};

constexpr wchar_t kCustom[] = L"QwsControl";
constexpr wchar_t kList[] = L"SysListView32";

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

TEST(PageTemplates, CreateWithEveryControlOfTheirPage) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  const Template templates[] = {
      {IDD_TERMS_PAGE,
       {{IDC_TERMS_TEXT, L"Edit", true}, {IDC_TERMS_NEW_VERSION, kCustom, false},
        {IDC_TERMS_PROGRESS, kCustom, false}, {IDC_TERMS_ACCEPT, kCustom, true},
        {IDC_TERMS_DECLINE, kCustom, true}}},
      {IDD_UPDATE_PAGE,
       {{IDC_UPDATE_STATUS, kCustom, true}, {IDC_UPDATE_PROGRESS, kCustom, true},
        {IDC_UPDATE_NOTE, kCustom, false}, {IDC_UPDATE_BANNER, L"Static", true},
        {IDC_UPDATE_STOP, kCustom, true}}},
      {IDD_SCAN_PAGE,
       {{IDC_SCAN_STATUS, kCustom, true}, {IDC_SCAN_PROGRESS, kCustom, true},
        {IDC_SCAN_TARGET_LABEL, kCustom, true}, {IDC_SCAN_TARGET_VALUE, kCustom, true},
        {IDC_SCAN_FILES_LABEL, kCustom, true}, {IDC_SCAN_FILES_VALUE, kCustom, true},
        {IDC_SCAN_INFECTED_LABEL, kCustom, true}, {IDC_SCAN_INFECTED_VALUE, kCustom, true},
        {IDC_SCAN_TIME_LABEL, kCustom, true}, {IDC_SCAN_TIME_VALUE, kCustom, true},
        {IDC_SCAN_LAST_TIME_LABEL, kCustom, true}, {IDC_SCAN_LAST_TIME_VALUE, kCustom, true},
        {IDC_SCAN_RESULT_LABEL, kCustom, true}, {IDC_SCAN_RESULT_VALUE, kCustom, true},
        {IDC_SCAN_BANNER, L"Static", true}, {IDC_SCAN_STOP, kCustom, true}}},
      {IDD_THREAT_LIST_PAGE,
       {{IDC_THREATS_LIST, kList, true}, {IDC_THREATS_SELECT_ALL, kCustom, true},
        {IDC_THREATS_COPY, kCustom, true}, {IDC_THREATS_SAVE, kCustom, true},
        {IDC_THREATS_CLEAN_ALL, kCustom, true}, {IDC_THREATS_CLEAN_SELECTED, kCustom, true},
        {IDC_THREATS_DO_NOT_CLEAN, kCustom, true}}},
      {IDD_RESULT_PAGE,
       {{IDC_RESULT_FILES_LABEL, kCustom, true}, {IDC_RESULT_FILES_VALUE, kCustom, true},
        {IDC_RESULT_INFECTED_LABEL, kCustom, true}, {IDC_RESULT_INFECTED_VALUE, kCustom, true},
        {IDC_RESULT_CLEANED_LABEL, kCustom, true}, {IDC_RESULT_CLEANED_VALUE, kCustom, true},
        {IDC_RESULT_TIME_LABEL, kCustom, true}, {IDC_RESULT_TIME_VALUE, kCustom, true},
        {IDC_RESULT_STATUS_LABEL, kCustom, true}, {IDC_RESULT_STATUS_VALUE, kCustom, true},
        {IDC_RESULT_SHOW_LIST, kCustom, true}, {IDC_RESULT_QUARANTINE, kCustom, true},
        {IDC_RESULT_SEPARATOR, kCustom, true}, {IDC_RESULT_UNINSTALL, kCustom, true},
        {IDC_RESULT_REMOVE_QUARANTINE, kCustom, true}, {IDC_RESULT_RESTART_NOTICE, kCustom, false},
        {IDC_RESULT_BROWSER_NOTICE, kCustom, false}, {IDC_RESULT_BUTTON1, kCustom, true},
        {IDC_RESULT_BUTTON2, kCustom, false}, {IDC_RESULT_BUTTON3, kCustom, false}}},
      {IDD_FINAL_PAGE,
       {{IDC_FINAL_THANKS, kCustom, true}, {IDC_FINAL_SEPARATOR, kCustom, true},
        {IDC_FINAL_OFFER_TITLE, kCustom, true}, {IDC_FINAL_OFFER_LIST, kCustom, true},
        {IDC_FINAL_TRIAL, kCustom, true}}},
      {IDD_QUARANTINE_PAGE,
       {{IDC_QUARANTINE_LIST, kList, true}, {IDC_QUARANTINE_SELECT_ALL, kCustom, true},
        {IDC_QUARANTINE_RESTORE, kCustom, true}, {IDC_QUARANTINE_BACK, kCustom, true}}},
  };
  HWND frame = CreateWindowExW(0, L"Static", L"frame", WS_POPUP, 0, 0, 600, 560, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(frame);
  for (const Template& page : templates) {
    CDialog dialog(page.id);
    ASSERT_TRUE(dialog.CreateModeless(frame)) << page.id;
    EXPECT_EQ(GetWindowLongW(dialog.hwnd(), GWL_STYLE) & (WS_CHILD | WS_CAPTION), WS_CHILD) << page.id;
    int children = 0;
    for (HWND child = GetWindow(dialog.hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, static_cast<int>(page.controls.size())) << page.id << ": a control without a number here";
    for (const Control& control : page.controls) {
      HWND window = GetDlgItem(dialog.hwnd(), control.id);
      ASSERT_TRUE(window) << page.id << ": no control " << control.id;
      EXPECT_EQ(ClassOf(window), control.windowClass) << page.id << ": control " << control.id;
      EXPECT_EQ((GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0, control.visible)
          << page.id << ": control " << control.id;
    }
  }
  DestroyWindow(frame);
}

}  // namespace
}  // namespace qws
