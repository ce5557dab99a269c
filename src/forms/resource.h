// Resource identifiers of the program. Each window and dialog has a block of its own.
#pragma once

// Program-wide (1..99)
#define IDI_APPLICATION_ICON 1

// Main window (1000..1999)
#define IDR_MAIN_MENU 1000
#define IDR_MAIN_ACCELERATORS 1001

// Commands: the actions, shared by the toolbar, the menu and the accelerators.
#define IDM_ENABLE 1101
#define IDM_DISABLE 1102
#define IDM_REFRESH 1103
#define IDM_EXIT 1104
#define IDM_DELETE 1105
#define IDM_ADD 1106
#define IDM_PROPERTIES 1107
#define IDM_WEB_SEARCH 1108
#define IDM_HELP 1109
#define IDM_ABOUT_MENU 1110
#define IDM_ABOUT_BUTTON 1111
#define IDM_WINDOWS_SWITCH 1112

// Toolbar pictures, in image-list order (0..8).
#define IDI_TOOL_DELETE 1200
#define IDI_TOOL_DISABLE 1201
#define IDI_TOOL_ENABLE 1202
#define IDI_TOOL_ABOUT 1203
#define IDI_TOOL_HELP 1204
#define IDI_TOOL_REFRESH 1205
#define IDI_TOOL_PROPERTIES 1206
#define IDI_TOOL_ADD 1207
#define IDI_TOOL_INTERNET 1208

// List marks drawn over a program's icon: not verified, bad signature (overlays 1 and 2).
#define IDI_MARK_UNVERIFIED 1210
#define IDI_MARK_BAD_SIGNATURE 1211
#define IDI_MARK_CAME_BACK 1212

// Child windows
#define IDC_MAIN_TOOLBAR 1300
#define IDC_MAIN_STATUS 1301
#define IDC_MAIN_LIST 1302
#define IDC_MAIN_DISPLAY 1303

// About box (2000..2999): AboutResource.h
// Add Application dialog (3000..3999): AddAppResource.h
