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

// The lighting panel (besides the report-rate buttons and the switch above); the
// panel makes these controls itself once the window has started.
#define IDC_REPORT_CAPTION 1145
#define IDC_EFFECT_LIST 1146
#define IDC_LIGHTING_ON_CAPTION 1148
#define IDC_DIRECTION_LEFT 1149
#define IDC_DIRECTION_RIGHT 1150
#define IDC_BRIGHTNESS_CAPTION 1151
#define IDC_MODE4_COLOUR 1152
#define IDC_SPEED_CAPTION 1153
#define IDC_DIRECTION_CAPTION 1154
#define IDC_MODE11_COLOUR 1155
#define IDC_MODE11_FLAG 1156
#define IDC_MODE4_COLOUR_CAPTION 1157
#define IDC_MODE9_COLOUR 1158
#define IDC_MODE4_FLAG_CAPTION 1159
#define IDC_BACKGROUND_COLOUR 1160
#define IDC_MODE4_TRIGGER_CAPTION 1161
#define IDC_SELECTION_COLOUR 1162
#define IDC_MODE4_OPTION0_CAPTION 1163
#define IDC_TOOL0 1164
#define IDC_TOOL1 1165
#define IDC_MODE4_OPTION1_CAPTION 1166
#define IDC_LIGHTING_ON 1167
#define IDC_MODE11_COLOUR_CAPTION 1171
#define IDC_MODE11_FLAG_CAPTION 1172
#define IDC_MODE9_COLOUR_CAPTION 1173
#define IDC_MODE4_FLAG 1175
#define IDC_SELECTION_CAPTION 1176
#define IDC_BRIGHTNESS_SLIDER 1178
#define IDC_SPEED_SLIDER 1179
#define IDC_MODE4_OPTION1 1180
#define IDC_BACKGROUND_CAPTION 1181
#define IDC_TOOL_CAPTION 1182
#define IDC_MODE4_OPTION0 1183
#define IDC_TOOL2_CAPTION 1184
#define IDC_MODE12_COLOUR_CAPTION 1185
#define IDC_MODE12_FLAG_CAPTION 1186
#define IDC_MODE12_COLOUR 1187
#define IDC_MODE12_FLAG 1188
#define IDC_MODE14_COLOUR_CAPTION 1189
#define IDC_MODE14_FLAG_CAPTION 1190
#define IDC_MODE14_COLOUR 1191
#define IDC_MODE14_FLAG 1192
