// Where the settings live on Windows: the registry section PROFILES under
// HKCU\Software\Ostrak_Brelund\<application name>, the settings folder in the
// user's Documents folder, and vovi.ini there.
#pragma once

#include <string>
#include <string_view>

#include "profiles/game_rules.h"

// Sets the application key that the registry values go under. Start-up calls it
// with "Ostrak_Brelund" and the executable's base name.
void SetRegistryRoot(std::u16string_view company, std::u16string_view applicationName);

// A string value of a section of the application key (REG_SZ); the default when
// the key, the value or the text is missing.
std::u16string ReadRegistryString(std::u16string_view section, std::u16string_view name,
                                 std::u16string_view defaultValue);
// Creates the section as needed; returns whether the value was written.
bool WriteRegistryString(std::u16string_view section, std::u16string_view name,
                        std::u16string_view value);

// The values of one section of the application key, for the portable code
// that keeps its settings there (the per-game rules: kGamesSection).
class RegistryValues : public SettingValues {
 public:
  explicit RegistryValues(std::u16string section) : section_(std::move(section)) {}
  std::u16string Read(std::u16string_view name, std::u16string_view defaultValue) const override {
    return ReadRegistryString(section_, name, defaultValue);
  }
  bool Write(std::u16string_view name, std::u16string_view value) override {
    return WriteRegistryString(section_, name, value);
  }

 private:
  std::u16string section_;
};

// The two-state options Flip and RecordDelay of section PROFILES.
int ReadFlagSetting(std::u16string_view name);
unsigned WriteFlagSetting(std::u16string_view name, unsigned value);  // returns what was stored

// The folder that holds the settings folder, looked up afresh on every call:
// the user's Documents folder, else the local application data folder, else
// the temporary folder.
std::u16string SettingsParentFolder();
std::u16string SettingsFolderPath();
// Creates the settings folder if it is missing (one level; failure is ignored).
void EnsureSettingsFolder();
std::u16string ProfileFilePath(int profileIndex);

// vovi.ini: its path is formed once, when the main window initialises.
void FormVoviIniPath();
const std::u16string& VoviIniPath();
int ReadVoviSetting(std::u16string_view key, int defaultValue);
void WriteVoviSetting(std::u16string_view key, int value);
