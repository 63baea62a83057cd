// Resource ids of the program: templates, menus, icons, strings and the
// controls of each window (each window has its own block of control ids).
#pragma once

// Icons
#define IDI_APPLICATION_ICON 128  // also shown in the notification area while no keyboard is present
#define IDI_KEYBOARD_PRESENT 141
#define IDI_KEYBOARD_SPECIAL 142

// Strings
#define IDS_ABOUTBOX 101

// Menus
#define IDR_TRAY_MENU 140
#define IDR_BUTTON_MENU 144

// Menu commands
#define ID_TRAY_OPEN 32771
#define ID_APP_ABOUT 32773
#define ID_TRAY_EXIT 32774
#define ID_MENU_IMPORT 32776
#define ID_MENU_EXPORT 32777
#define ID_MENU_CLOSE 32779
#define ID_FIRMWARE_UPDATE 32780
#define ID_LANGUAGE_CHINESE 32783
#define ID_LANGUAGE_ENGLISH 32786

// The system menu's "About" item
#define IDM_ABOUTBOX 0x0010

// About box
#define IDD_ABOUT 100
#define IDC_ABOUT_DESCRIPTION 1200
#define IDC_ABOUT_RIGHTS 1201
#define IDC_ABOUT_LINK 1124
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Main window
#define IDD_MAIN 102
#define IDC_FUNC_PROFILES 1005
#define IDC_APPLY 1006
#define IDC_FUNC_MACRO 1007
#define IDC_PROFILE_MENU 1009
#define IDC_LINK 1121
#define IDC_HELP_BUTTON 1122
#define IDC_MINIMIZE 1123
#define IDC_CLOSE 1124
#define IDC_VERSION 1134
#define IDC_MENU_BUTTON 1139
#define IDC_WAIT_PICTURE 1177
