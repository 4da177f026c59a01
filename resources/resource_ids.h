// Resource numbers shared by the resource script and the code.
#pragma once

#define IDD_MAIN_DIALOG 102
#define IDI_APPLICATION_ICON 128
#define IDR_BACKGROUND_PNG 129
#define IDR_CLOSE_BUTTON_PNG 130
#define IDR_MINIMIZE_BUTTON_PNG 131
#define IDR_LOGO_PNG 132
#define IDR_FOOTER_PNG 133
#define IDR_HELP_BUTTON_PNG 154
#define IDR_HELP_BUTTON_HOVER_PNG 155
#define IDR_SCANLIB_ANTISTEALTH 156
#define IDR_SCANLIB_PLAIN 159

// Controls of the main dialog.
#define IDC_CLOSE_BUTTON 1001
#define IDC_MINIMIZE_BUTTON 1002
#define IDC_PAGE_TEXT 1003
#define IDC_LEFT_BUTTON 1004
#define IDC_RIGHT_BUTTON 1005

// The string table: English texts 4000 to 4126.
#define IDS_FIRST 4000
#define IDS_LAST 4126
