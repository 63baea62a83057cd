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
// The key grid's own ids (the key buttons by number, G1-G9, D1-D6) are in
// panels/key_grid_ids.h; the template names the ones below.
#define IDC_ENTER_TOP 1057
#define IDC_LOCK_CAPS 1125
#define IDC_LOCK_NUM 1126
#define IDC_LOCK_SCROLL 1127
#define IDC_LOCK_AB 1128
#define IDC_FLIP_0 1129
#define IDC_FLIP_1 1130
#define IDC_FLIP_2 1131
#define IDC_LEFT_ARROW 1132
#define IDC_RIGHT_ARROW 1133
#define IDC_PROFILE1 1135
#define IDC_PROFILE2 1136
#define IDC_PROFILE3 1137
#define IDC_DEFAULT 1138
#define IDC_SWITCH 1144
#define IDC_REPORT1 1147
#define IDC_REPORT2 1168
#define IDC_REPORT3 1169
#define IDC_REPORT4 1170
#define IDC_KEY_FN 1174
