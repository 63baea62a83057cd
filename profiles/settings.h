// Names and small rules of the settings the program keeps: the per-user
// settings folder, vovi.ini and the registry section PROFILES.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "app/decimal_text.h"

inline constexpr char16_t kSettingsRootKey[] = u"Ostrak_Brelund";  // under HKCU\Software
inline constexpr char16_t kProfilesSection[] = u"PROFILES";
inline constexpr char16_t kFlipValue[] = u"Flip";
inline constexpr char16_t kRecordDelayValue[] = u"RecordDelay";

inline constexpr char16_t kSettingsFolderName[] = u"Ostrak_05A";  // under Documents
inline constexpr char16_t kVoviFileName[] = u"vovi.ini";
inline constexpr char16_t kKeyColorSection[] = u"KEYCOLOR";
inline constexpr char16_t kSelectorValue[] = u"KBDPI";      // 1 to 4, default 1
inline constexpr char16_t kLightingOnValue[] = u"DengCheck";  // 0 or 1, default 0

// What a two-state setting stores for a requested value: the value itself when
// it is 0 or 1, otherwise 0.
unsigned FlagValueToStore(unsigned requested);

// Documents + "\Ostrak_05A", with one separator between them also when
// Documents is a drive's root ("D:\" gives "D:\Ostrak_05A").
std::u16string SettingsFolderIn(std::u16string_view documentsFolder);

// The folder that holds the settings folder: the first of the user's
// Documents folder, local application data folder and temporary folder that
// the system named as a full path (a drive and a separator, or a network
// share), without trailing separators but for a drive's root, which is given
// as "D:\". A drive without a separator ("D:", the current folder of that
// drive) or a path without a drive is never taken. Empty when none is usable.
std::u16string ChooseSettingsParent(std::initializer_list<std::u16string_view> candidates);

// The profile file in the settings folder. Every profile index shares the one
// file "$Profile0": the file holds all of the keyboard's profiles.
std::u16string ProfileFileIn(std::u16string_view settingsFolder, int profileIndex);

// Names of the profile manager's rows in PROFILES: "PROFILE00" (row count),
// "PROFILE01", ...
std::u16string ProfileListValueName(int number);
