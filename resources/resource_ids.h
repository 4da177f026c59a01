// Resource numbers shared by the resource script and the code.
#pragma once

#define IDD_MAIN_DIALOG 102
#define IDD_MESSAGE_PAGE 135
#define IDI_APPLICATION_ICON 128
#define IDI_AUTOSTART_ICON 146
#define IDI_MEMORY_ICON 147

// Images (PNG, RCDATA). The close and minimise images hold three frames: normal, pressed, hover.
#define IDR_BACKGROUND_PNG 129
#define IDR_CLOSE_BUTTON_PNG 130
#define IDR_MINIMIZE_BUTTON_PNG 131
#define IDR_LOGO_PNG 132
#define IDR_FOOTER_PNG 133
#define IDR_PAGE_BACKGROUND_PNG 135
#define IDR_TERMS_ICON_PNG 136
#define IDR_SETTINGS_ICON_PNG 137
#define IDR_SHIELD_PNG 138
#define IDR_CHECK_BOX_STRIP_PNG 139
#define IDR_RADIO_STRIP_PNG 140
#define IDR_INFO_ICON_PNG 141
#define IDR_SEPARATOR_PNG 142
#define IDR_THREAT_ICON_PNG 150
#define IDR_CLEAN_ICON_PNG 151
#define IDR_HELP_BUTTON_PNG 154
#define IDR_HELP_BUTTON_HOVER_PNG 155
#define IDR_SETTINGS_BACKGROUND_PNG 157
#define IDR_FINAL_BACKGROUND_PNG 158
#define IDR_SCANLIB_ANTISTEALTH 156
#define IDR_SCANLIB_PLAIN 159

// Controls of the main dialog.
#define IDC_CLOSE_BUTTON 1001
#define IDC_MINIMIZE_BUTTON 1002
// The page on screen, as a child of the main dialog.
#define IDC_PAGE 1000
// Controls of the message page.
#define IDC_PAGE_TEXT 1003
#define IDC_RIGHT_BUTTON 1010
#define IDC_LEFT_BUTTON 1011

// The target selection dialog.
#define IDD_TARGET_SELECTION 145
#define IDC_TARGET_FRAME 1049
#define IDC_TARGET_PRESETS 1050
#define IDC_TARGET_TREE 1051
#define IDC_TARGET_PATH 1052

// The string table: English texts 4000 to 4126.
#define IDS_FIRST 4000
#define IDS_LAST 4126
