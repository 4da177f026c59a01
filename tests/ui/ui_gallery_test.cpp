// Every control on a page with its real background, driven by real mouse and key input under
// Xvfb; what a user sees is sampled from the screen, what the page receives is recorded.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/message_content.h"
#include "resources/resource_ids.h"
#include "tests/support/win_test_support.h"
#include "tests/ui/gallery_ids.h"
#include "tests/ui/input_driver.h"
#include "ui/check_box.h"
#include "ui/check_image.h"
#include "ui/font_list.h"
#include "ui/image_controls.h"
#include "ui/page_dlg.h"
#include "ui/persistent_selection_edit.h"
#include "ui/png_image.h"
#include "ui/simple_controls.h"
#include "ui/square_button.h"
#include "ui/static_text.h"

namespace qws {
namespace {

using namespace std::chrono_literals;
using test::Pump;
using test::PumpUntil;

constexpr UINT kImageButtonMessage = WM_APP + 5;
constexpr UINT kSeparatorMessage = WM_APP + 6;

class CGalleryPage : public CPageDlg {
 public:
  CGalleryPage() : CPageDlg(IDD_GALLERY_PAGE) {
    iconId_ = IDR_SETTINGS_ICON_PNG;
    alternateBackgroundId_ = IDR_SETTINGS_BACKGROUND_PNG;
  }

  std::vector<std::pair<int, int>> events;  // control number and notification code, or message
  CStaticText text, ellipsis;
  CCheckBox check, checked, warning, disabled, radio1, radio2;
  CSquareButton accent, grey, greyDisabled;
  CButtonLink link;
  CProgressBar progress;
  CStaticBitmap separator, threatIcon, cleanIcon, termsIcon, updateIcon, scanIcon, quarantineIcon;
  CStaticTriangle right, down;
  CToolTipSpot tip;
  CHoverButton hoverButton, minimiseButton;
  CTransparentButton imageButton;
  CPersistentSelectionEdit edit;

 protected:
  bool OnInitDialog() override {
    CPageDlg::OnInitDialog();
    SetTitle(L"Control gallery");
    auto place = [&](CWnd& control, int id, RECT rect) {
      control.Attach(hwnd(), id);
      control.Move(rect);
    };
    place(text, IDC_G_TEXT, {59, 56, 540, 96});
    text.SetText(L"Plain, <B>bold</B>, <I>italic</I>, <H>highlighted</H> text\nand a <A>link to follow</A> on its second line.");
    place(ellipsis, IDC_G_ELLIPSIS, {59, 100, 300, 120});
    ellipsis.SetEllipsis(true);
    ellipsis.SetText(L"C:\\Users\\Someone\\AppData\\Local\\VeryLongFolderName\\file.exe");

    const std::pair<CCheckBox*, int> boxes[] = {{&check, IDC_G_CHECK}, {&checked, IDC_G_CHECKED},
                                                {&warning, IDC_G_WARNING}, {&disabled, IDC_G_DISABLED}};
    int y = 130;
    for (const auto& [box, id] : boxes) {
      place(*box, id, {59, y, 300, y + 19});
      box->SetImages(IDR_CHECK_BOX_STRIP_PNG);
      y += 22;
    }
    check.SetTextFitted(L"Scan archives");
    checked.SetTextFitted(L"Enable Anti-Stealth technology");
    checked.SetCheck(true);
    warning.SetTextFitted(L"Clean threats automatically");
    warning.SetWarning(true);
    disabled.SetTextFitted(L"Remove files from quarantine");
    disabled.SetCheck(true);
    place(radio1, IDC_G_RADIO1, {360, 130, 540, 149});
    place(radio2, IDC_G_RADIO2, {360, 152, 540, 171});
    for (CCheckBox* radio : {&radio1, &radio2}) {
      radio->SetImages(IDR_RADIO_STRIP_PNG);
      radio->SetRadio(true);
    }
    radio1.SetPartner(IDC_G_RADIO2);
    radio2.SetPartner(IDC_G_RADIO1);
    radio1.SetTextFitted(L"Enable detection");
    radio2.SetTextFitted(L"Disable detection");

    place(accent, IDC_G_ACCENT, {59, 230, 160, 265});
    accent.SetText(L"Accept");
    accent.SetImage(IDR_SHIELD_PNG);
    accent.Fit(false);
    place(grey, IDC_G_GREY, {200, 230, 300, 265});
    grey.SetText(L"Decline");
    grey.SetColours(kGreyScheme);
    grey.Fit(false);
    place(greyDisabled, IDC_G_GREY_DISABLED, {320, 230, 420, 265});
    greyDisabled.SetText(L"Disabled");
    greyDisabled.SetColours(kGreyScheme);
    greyDisabled.Fit(false);

    place(link, IDC_G_LINK, {440, 238, 540, 258});
    link.SetTextColour(0xD29A2A);
    link.SetTextFitted(L"Show list");

    place(progress, IDC_G_PROGRESS, {59, 280, 539, 287});
    progress.SetPos(40);
    place(separator, IDC_G_SEPARATOR, {59, 296, 599, 297});
    separator.SetImage(IDR_SEPARATOR_PNG);
    separator.SetMessage(kSeparatorMessage);

    place(right, IDC_G_TRIANGLE_RIGHT, {59, 306, 75, 322});
    place(down, IDC_G_TRIANGLE_DOWN, {80, 306, 96, 322});
    down.SetTurn(100);
    place(tip, IDC_G_TIP, {110, 306, 126, 322});
    tip.SetText(L"Archives may also contain threats which do not pose a direct risk, however.");
    place(hoverButton, IDC_G_HOVER, {140, 306, 156, 325});
    hoverButton.SetImage(IDR_CLOSE_BUTTON_PNG);
    place(imageButton, IDC_G_IMAGE_BUTTON, {170, 300, 200, 330});
    imageButton.SetImages(IDR_HELP_BUTTON_PNG, IDR_HELP_BUTTON_HOVER_PNG);
    imageButton.SetMessage(kImageButtonMessage);
    place(threatIcon, IDC_G_THREAT_ICON, {220, 300, 250, 330});
    threatIcon.SetImage(IDR_THREAT_ICON_PNG);
    place(cleanIcon, IDC_G_CLEAN_ICON, {260, 300, 290, 330});
    cleanIcon.SetImage(IDR_CLEAN_ICON_PNG);
    place(termsIcon, IDC_G_TERMS_ICON, {300, 300, 330, 330});
    termsIcon.SetImage(IDR_TERMS_ICON_PNG);
    struct PageIcon {
      CStaticBitmap* control;
      int controlId, imageId;
    };
    const PageIcon pageIcons[] = {{&updateIcon, IDC_G_UPDATE_ICON, IDR_UPDATE_ICON_PNG},
                                  {&scanIcon, IDC_G_SCAN_ICON, IDR_SCAN_ICON_PNG},
                                  {&quarantineIcon, IDC_G_QUARANTINE_ICON, IDR_QUARANTINE_ICON_PNG}};
    int iconX = 59;
    for (const PageIcon& icon : pageIcons) {
      place(*icon.control, icon.controlId, {iconX, 405, iconX + 30, 435});
      icon.control->SetImage(icon.imageId);
      iconX += 40;
    }
    place(minimiseButton, IDC_G_MINIMISE, {340, 306, 366, 325});
    minimiseButton.SetImage(IDR_MINIMIZE_BUTTON_PNG);

    place(edit, IDC_G_EDIT, {59, 340, 540, 400});
    SendMessageW(edit.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(FontList::Process().Get(0)), TRUE);
    edit.SetText(L"These terms of use apply to Quellix WebSweep.\r\nRead them to the end.\r\n"
                 L"Line three\r\nLine four\r\nLine five\r\nLine six");
    return true;
  }

  // The icon resources (program, operating memory, autostart) in both of their small sizes.
  void OnDraw(HDC dc) override {
    CPageDlg::OnDraw(dc);
    int x = 380;
    for (int id : {IDI_APPLICATION_ICON, IDI_MEMORY_ICON, IDI_AUTOSTART_ICON}) {
      for (int size : {16, 32}) {
        ScopedIcon icon(static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
        if (icon) DrawIconEx(dc, x, 330 - size, icon.get(), size, size, 0, nullptr, DI_NORMAL);
        x += size + 6;
      }
    }
  }

  bool OnCommand(int id, int code) override {
    events.push_back({id, code});
    return true;
  }

  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == kImageButtonMessage || message == kSeparatorMessage) {
      events.push_back({0, static_cast<int>(message)});
      return 0;
    }
    return CPageDlg::OnUserMessage(message, wparam, lparam);
  }
};

class CGalleryHost : public CDialog {
 public:
  CGalleryHost() : CDialog(IDD_GALLERY_HOST) {}
  CGalleryPage page;

 protected:
  bool OnInitDialog() override {
    SetWindowPos(hwnd(), HWND_TOPMOST, 40, 40, 600, 452, SWP_NOACTIVATE);
    page.CreateModeless(hwnd());
    SetWindowPos(page.hwnd(), nullptr, 1, 1, 598, 450, SWP_NOZORDER);
    page.Show(true);
    return true;
  }
};

class Gallery : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (FontList::Process().size() == 0) AppendMainWindowFonts();
    host_ = new CGalleryHost;
    host_->CreateModeless(nullptr);
    ShowWindow(host_->hwnd(), SW_SHOW);
    SetForegroundWindow(host_->hwnd());
    Pump(500ms);
  }
  static void TearDownTestSuite() {
    delete host_;
    host_ = nullptr;
    FontList::Process().Clear();
  }
  void SetUp() override {
    ASSERT_TRUE(host_ && host_->hwnd());
    // Park the pointer away from every control.
    test::MoveMouse(test::ScreenPoint(page().hwnd(), 580, 440));
    page().events.clear();
  }
  static CGalleryPage& page() { return host_->page; }
  static bool Received(int id, int code) {
    for (const auto& event : page().events)
      if (event == std::make_pair(id, code)) return true;
    return false;
  }
  static CGalleryHost* host_;
};

CGalleryHost* Gallery::host_ = nullptr;

TEST_F(Gallery, ShowsEveryControl) {
  Pump(300ms);
  test::SaveScreenshot(L"ui_gallery");
  // The page background shows under a transparent control: the text's top-left corner.
  const COLORREF underText = test::WindowPixel(page().text.hwnd(), 470, 38);
  EXPECT_TRUE(test::Near(underText, RGB(255, 255, 255), 12)) << std::hex << underText;
  // The title is drawn by the frame in its colour somewhere on its line.
  bool titleInk = false;
  for (int x = 60; x < 200 && !titleInk; ++x)
    for (int y = 15; y < 35 && !titleInk; ++y)
      titleInk = test::Near(test::WindowPixel(page().hwnd(), x, y), 0x564E41, 40);
  EXPECT_TRUE(titleInk);
}

TEST_F(Gallery, LinkAnswersOnlyPressAndReleaseOnTheLink) {
  CStaticText& text = page().text;
  ASSERT_FALSE(text.linkRects().empty());
  const RECT link = text.linkRects().front().first;
  const POINT onLink = test::ScreenPoint(text.hwnd(), (link.left + link.right) / 2, (link.top + link.bottom) / 2);

  test::MoveMouse(onLink);
  EXPECT_NE(text.hoveredLink(), -1);
  EXPECT_EQ(GetCapture(), text.hwnd()) << "the text follows the pointer over its link";
  test::MouseDown();
  test::MouseUp();
  EXPECT_TRUE(Received(IDC_G_TEXT, kLinkActivated));

  // Pressed on the link, released outside it: nothing.
  page().events.clear();
  test::MoveMouse(onLink);
  test::MouseDown();
  test::MoveMouse(test::ScreenPoint(text.hwnd(), 2, 2));
  test::MouseUp();
  EXPECT_FALSE(Received(IDC_G_TEXT, kLinkActivated));
  EXPECT_EQ(text.hoveredLink(), -1);
  EXPECT_NE(GetCapture(), text.hwnd());

  // Pressed outside, released on the link: nothing either.
  test::MoveMouse(test::ScreenPoint(text.hwnd(), 2, 2));
  test::MouseDown();
  test::MoveMouse(onLink);
  test::MouseUp();
  EXPECT_FALSE(Received(IDC_G_TEXT, kLinkActivated));
  // Leaving the link gives the mouse back.
  test::MoveMouse(test::ScreenPoint(page().hwnd(), 580, 440));
  EXPECT_NE(GetCapture(), text.hwnd());
}

TEST_F(Gallery, KeyboardAloneReachesTheLinkAndTheButtons) {
  SetFocus(page().check.hwnd());
  // Back to the text with Shift+Tab, then Enter: the link's code.
  for (int i = 0; i < 10 && GetFocus() != page().text.hwnd(); ++i) test::PressKeyWith(VK_SHIFT, VK_TAB);
  ASSERT_EQ(GetFocus(), page().text.hwnd());
  test::PressKey(VK_RETURN);
  EXPECT_TRUE(Received(IDC_G_TEXT, kLinkActivated));

  // Forward with Tab to the accent button and press it with Enter, the link with Space.
  for (int i = 0; i < 20 && GetFocus() != page().accent.hwnd(); ++i) test::PressKey(VK_TAB);
  ASSERT_EQ(GetFocus(), page().accent.hwnd());
  test::PressKey(VK_RETURN);
  EXPECT_TRUE(Received(IDC_G_ACCENT, BN_CLICKED));
  for (int i = 0; i < 20 && GetFocus() != page().link.hwnd(); ++i) test::PressKey(VK_TAB);
  ASSERT_EQ(GetFocus(), page().link.hwnd()) << "the disabled button is skipped";
  test::PressKey(VK_SPACE);
  EXPECT_TRUE(Received(IDC_G_LINK, BN_CLICKED));
  for (int i = 0; i < 20 && GetFocus() != page().imageButton.hwnd(); ++i) test::PressKey(VK_TAB);
  ASSERT_EQ(GetFocus(), page().imageButton.hwnd());
  test::PressKey(VK_RETURN);
  EXPECT_TRUE(Received(0, kImageButtonMessage));
}

// A pixel of the check box's 12 by 12 glyph.
COLORREF GlyphPixel(const CCheckBox& box, int x, int y) {
  RECT client{};
  GetClientRect(box.hwnd(), &client);
  return test::WindowPixel(box.hwnd(), 1 + x, (client.bottom - 12) / 2 + y);
}

enum class Look { Empty, Checked, Mixed, Other };

// What the glyph shows, read from three pixels: the box's fill in a corner clear of any mark,
// a pixel on the check mark's stroke and one on the mixed look's dash.
Look GlyphLook(const CCheckBox& box) {
  const COLORREF fill = GlyphPixel(box, 2, 9);
  const bool accent = GetBValue(fill) > GetRValue(fill) + 60;
  if (!accent) return test::Near(fill, RGB(255, 255, 255), 20) ? Look::Empty : Look::Other;
  const bool markShown = test::Near(GlyphPixel(box, 5, 7), RGB(255, 255, 255), 40);
  const bool dashShown = test::Near(GlyphPixel(box, 8, 6), RGB(255, 255, 255), 40);
  if (markShown && !dashShown) return Look::Checked;
  if (dashShown && !markShown) return Look::Mixed;
  return Look::Other;
}

TEST_F(Gallery, CheckBoxCellsFollowTheState) {
  CCheckBox& box = page().check;
  EXPECT_EQ(GlyphLook(box), Look::Empty);
  test::ClickAt(test::ScreenPoint(box.hwnd(), 40, 9));
  EXPECT_TRUE(box.checked());
  EXPECT_TRUE(Received(IDC_G_CHECK, BN_CLICKED));
  test::MoveMouse(test::ScreenPoint(page().hwnd(), 580, 440));
  EXPECT_EQ(GlyphLook(box), Look::Checked);
  EXPECT_EQ(SendMessageW(box.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
  // Space toggles it back (the box has the focus from the click).
  test::PressKey(VK_SPACE);
  EXPECT_FALSE(box.checked());
  EXPECT_EQ(GlyphLook(box), Look::Empty);

  // Hovered: the accent frame of cells 2 and 3.
  test::MoveMouse(test::ScreenPoint(box.hwnd(), 40, 9));
  const COLORREF hoverFrame = GlyphPixel(box, 6, 0);
  EXPECT_GT(GetBValue(hoverFrame), GetRValue(hoverFrame) + 60) << std::hex << hoverFrame;

  // The third look (some rows of a list checked) shows whether checked or not.
  CCheckBox& warning = page().warning;
  for (bool state : {false, true}) {
    warning.SetCheck(state);
    Pump(100ms);
    EXPECT_EQ(GlyphLook(warning), Look::Mixed) << "checked " << state;
  }
  // Disabled and checked: the grey box of cell 7 with its white mark, and clicks do nothing.
  EXPECT_TRUE(test::Near(GlyphPixel(page().disabled, 2, 9), RGB(0xCB, 0xD2, 0xD6), 20));
  EXPECT_TRUE(test::Near(GlyphPixel(page().disabled, 5, 7), RGB(255, 255, 255), 40));
  test::ClickAt(test::ScreenPoint(page().disabled.hwnd(), 40, 9));
  EXPECT_TRUE(page().disabled.checked());
}

TEST_F(Gallery, RadioStaysSelectedAndClearsItsPartner) {
  CCheckBox& first = page().radio1;
  CCheckBox& second = page().radio2;
  test::ClickAt(test::CentreOf(first.hwnd()));
  EXPECT_TRUE(first.checked());
  EXPECT_FALSE(second.checked());
  test::ClickAt(test::CentreOf(first.hwnd()));
  EXPECT_TRUE(first.checked()) << "a selected radio stays selected";
  test::PressKey(VK_SPACE);
  EXPECT_TRUE(first.checked());
  test::ClickAt(test::CentreOf(second.hwnd()));
  EXPECT_TRUE(second.checked());
  EXPECT_EQ(SendMessageW(first.hwnd(), BM_GETCHECK, 0, 0), BST_UNCHECKED) << "the partner is cleared";
  EXPECT_TRUE(Received(IDC_G_RADIO2, BN_CLICKED));
}

TEST_F(Gallery, SquareButtonShiftsOnePixelWhilePressed) {
  CSquareButton& button = page().grey;
  const COLORREF normal = test::WindowPixel(button.hwnd(), 0, 0);
  EXPECT_TRUE(test::Near(normal, kGreyScheme[0], 3)) << std::hex << normal;
  test::MoveMouse(test::ScreenPoint(button.hwnd(), 20, 12));
  EXPECT_TRUE(test::Near(test::WindowPixel(button.hwnd(), 0, 0), kGreyScheme[1], 3)) << "hover face";
  test::MouseDown();
  // The face moved right and down: the background shows at (0, 0), the pressed face at (1, 1).
  EXPECT_TRUE(test::Near(test::WindowPixel(button.hwnd(), 0, 0), RGB(255, 255, 255), 12));
  EXPECT_TRUE(test::Near(test::WindowPixel(button.hwnd(), 1, 1), kGreyScheme[2], 3));
  RECT client{};
  GetClientRect(button.hwnd(), &client);
  EXPECT_TRUE(test::Near(test::WindowPixel(button.hwnd(), client.right - 1, client.bottom / 2), kGreyScheme[6], 3))
      << "the edge strip along the right";
  test::MouseUp();
  EXPECT_TRUE(Received(IDC_G_GREY, BN_CLICKED));
  // Fitted to its text: text width + 30.
  EXPECT_EQ(client.right, button.FittedWidth());
  EXPECT_TRUE(test::Near(test::WindowPixel(page().greyDisabled.hwnd(), 0, 0), kGreyScheme[3], 3));
}

TEST_F(Gallery, TrianglePointsRightAndDown) {
  auto filled = [](const CStaticTriangle& triangle, int x, int y) {
    return test::Near(test::WindowPixel(triangle.hwnd(), x, y), 0x564E41, 30);
  };
  // 16 by 16: centre (8, 8).
  EXPECT_TRUE(filled(page().right, 7, 10));
  EXPECT_FALSE(filled(page().right, 10, 7));
  EXPECT_TRUE(filled(page().down, 10, 7));
  EXPECT_FALSE(filled(page().down, 7, 10));
}

TEST_F(Gallery, ProgressBarFillsItsShare) {
  HWND bar = page().progress.hwnd();
  EXPECT_TRUE(test::Near(test::WindowPixel(bar, 480 * 40 / 100 - 3, 3), 0xD29A2A, 3));
  EXPECT_TRUE(test::Near(test::WindowPixel(bar, 480 * 40 / 100 + 3, 3), 0xDCDCDC, 3));
  page().progress.SetPos(250);
  Pump(100ms);
  EXPECT_TRUE(test::Near(test::WindowPixel(bar, 478, 3), 0xD29A2A, 3)) << "beyond the maximum: full";
  page().progress.SetPos(40);
}

TEST_F(Gallery, ToolTipShowsOverTheSpotAndGoesAfterLeaving) {
  CToolTipSpot& spot = page().tip;
  test::MoveMouse(test::CentreOf(spot.hwnd()));
  test::MoveMouse(test::ScreenPoint(spot.hwnd(), 9, 9));
  ASSERT_TRUE(PumpUntil([&] { return spot.toolTip() && IsWindowVisible(spot.toolTip()); }));
  test::SaveScreenshot(L"ui_gallery_tool_tip");
  test::MoveMouse(test::ScreenPoint(page().hwnd(), 580, 440));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(spot.toolTip()); }, 3s));
}

TEST_F(Gallery, ImagesPostTheirMessages) {
  test::ClickAt(test::CentreOf(page().imageButton.hwnd()));
  EXPECT_TRUE(Received(0, kImageButtonMessage));
  test::ClickAt(test::CentreOf(page().hoverButton.hwnd()));
  EXPECT_TRUE(Received(IDC_G_HOVER, BN_CLICKED));
  test::ClickAt(test::CentreOf(page().separator.hwnd()));
  EXPECT_TRUE(Received(0, kSeparatorMessage));
}

TEST_F(Gallery, TermsFieldKeepsItsSelectionAndSelectsAllOnCtrlA) {
  HWND edit = page().edit.hwnd();
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 3, 9);
  test::PressKey(VK_TAB);
  ASSERT_NE(GetFocus(), edit);
  for (int i = 0; i < 30 && GetFocus() != edit; ++i) test::PressKey(VK_TAB);
  ASSERT_EQ(GetFocus(), edit);
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 3u);
  EXPECT_EQ(end, 9u);
  test::PressKeyWith(VK_CONTROL, 'A');
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(edit)));
}

TEST_F(Gallery, ControlsTakeTheNewBackgroundAfterTheSwitch) {
  // Between the radio's glyph and its text the page background shows: white, then the
  // highlighted band of the alternate background, then white again.
  HWND radio = page().radio1.hwnd();
  EXPECT_TRUE(test::Near(test::WindowPixel(radio, 14, 1), RGB(255, 255, 255), 6));
  page().UseAlternateBackground(true);
  Pump(200ms);
  const COLORREF band = test::WindowPixel(radio, 14, 1);
  test::SaveScreenshot(L"ui_gallery_alternate_background");
  page().UseAlternateBackground(false);
  Pump(200ms);
  EXPECT_TRUE(test::Near(band, RGB(0xE6, 0xF3, 0xFB), 10)) << std::hex << band;
  EXPECT_TRUE(test::Near(test::WindowPixel(radio, 14, 1), RGB(255, 255, 255), 6));
}

// Check box pictures of the tree, in both drawing modes: the unchecked face is the window
// colour in the middle, a checked one has the mark there, a mixed one is filled.
TEST(MakeCheckImage, DrawsEveryStateInBothModes) {
  auto centreInk = [](HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    int ink = 0;
    const auto* pixels = static_cast<const uint8_t*>(info.bmBits);
    for (int y = 5; y < 11; ++y)
      for (int x = 5; x < 11; ++x) {
        const uint8_t* p = pixels + y * info.bmWidthBytes + x * 4;
        if (p[0] + p[1] + p[2] < 3 * 160) ++ink;
      }
    return ink;
  };
  for (CheckDrawing mode : {CheckDrawing::Classic, CheckDrawing::VisualStyle}) {
    for (int look = 0; look < 4; ++look) {
      ScopedBitmap unchecked = MakeCheckImage(nullptr, look, {16, 16}, mode);
      ScopedBitmap checked = MakeCheckImage(nullptr, 4 + look, {16, 16}, mode);
      ASSERT_TRUE(unchecked && checked);
      EXPECT_EQ(BitmapSize(checked.get()).cx, 16);
      EXPECT_EQ(centreInk(unchecked.get()), 0) << "mode " << static_cast<int>(mode) << " look " << look;
      if (look != 3) {
        EXPECT_GT(centreInk(checked.get()), 3) << "mode " << static_cast<int>(mode) << " look " << look;
      }
    }
    EXPECT_FALSE(MakeCheckImage(nullptr, 12, {16, 16}, mode));
  }
}

}  // namespace
}  // namespace qws
