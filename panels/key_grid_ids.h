// Control ids of the key grid of the main window (template 102). Each window
// has its own block of ids; these are the grid's.
#pragma once

#include <array>

#include "keyboard/key_codes.h"

// The key buttons, one per key of KeyboardKeys, in that order.
inline constexpr std::array<int, kKeyboardKeyCount> kKeyButtonIds = {
    1058, 1075, 1073, 1060, 1046, 1061, 1062, 1063, 1051, 1064, 1065, 1066, 1077, 1076, 1052, 1053, 1044, 1047,
    1059, 1048, 1050, 1074, 1045, 1072, 1049, 1071, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039,
    1070, 1022, 1043, 1056, 1090, 1040, 1041, 1054, 1055, 1042, 1067, 1068, 1029, 1078, 1079, 1080, 1010, 1011,
    1012, 1013, 1014, 1015, 1023, 1024, 1025, 1026, 1027, 1028, 1091, 1093, 1094, 1097, 1095, 1098, 1096, 1099,
    1103, 1101, 1100, 1102, 1092, 1069, 1088, 1083, 1089, 1082, 1081, 1085, 1086, 1084, 1087, 1115, 1116, 1117,
    1112, 1113, 1114, 1108, 1109, 1110, 1120, 1104, 1118, 1119, 1105, 1106, 1107, 1111};

// The extra keys G1 to G9; G6 to G9 are disabled in the template and stay so.
inline constexpr std::array<int, 9> kExtraKeyIds = {1000, 1001, 1002, 1003, 1004, 1140, 1141, 1142, 1143};
// G1 to G5; the keyboard has no keys G6 to G9.
inline constexpr int kUsableExtraKeys = 5;

// D1 to D6, buttons without a key of their own, shown instead of F1 to F4
// when the keys are flipped. The other ids around the grid are named in
// resources/resource_ids.h.
inline constexpr std::array<int, 6> kDKeyIds = {1016, 1017, 1018, 1019, 1020, 1021};
inline constexpr int kFirstDKeyId = kDKeyIds[0];
// F1 to F4, the keys D1 to D6 stand in for.
inline constexpr std::array<int, 4> kFlippedKeyIds = {1010, 1011, 1012, 1013};
