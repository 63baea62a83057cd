// The registry section PROFILES, the settings folder and vovi.ini.
#include "profiles/settings_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/wide_win.h"
#include "profiles/settings.h"
#include "tests/support/windows_test_support_win.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A registry key of our own, so the program's settings stay untouched.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Ostrak_Brelund\\OstrakSettingsTest");
    SetRegistryRoot(kSettingsRootKey, u"OstrakSettingsTest");
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Ostrak_Brelund\\OstrakSettingsTest"); }
};

TEST_F(SettingsTest, MissingFlagsReadAsZero) {
  EXPECT_EQ(ReadFlagSetting(kFlipValue), 0);
  EXPECT_EQ(ReadFlagSetting(kRecordDelayValue), 0);
}

TEST_F(SettingsTest, FlagsStoreZeroOrOneAsText) {
  struct Case { unsigned requested; const char16_t* stored; int readBack; };
  const Case cases[] = {{1, u"1", 1}, {0, u"0", 0}, {2, u"0", 0}, {0xFFFFFFFFu, u"0", 0}, {7, u"0", 0}};
  for (const char16_t* name : {kFlipValue, kRecordDelayValue}) {
    for (const Case& c : cases) {
      EXPECT_EQ(WriteFlagSetting(name, c.requested), c.readBack == 1 ? 1u : 0u);
      EXPECT_EQ(ReadRegistryString(kProfilesSection, name, u"missing"), c.stored);
      EXPECT_EQ(ReadFlagSetting(name), c.readBack);
    }
  }
  // The values live where the program's application key puts them.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Ostrak_Brelund\\OstrakSettingsTest\\PROFILES", 0,
                          KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExW(key, L"Flip", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  RegCloseKey(key);
}

TEST_F(SettingsTest, AValueThatIsNoNumberReadsAsZero) {
  for (const char16_t* text : {u"yes", u"", u"1x", u"2"}) {
    WriteRegistryString(kProfilesSection, kFlipValue, text);
    EXPECT_EQ(ReadFlagSetting(kFlipValue), text == std::u16string(u"2") ? 2 : 0);
  }
}

TEST(SettingsFolder, IsCreatedOnFirstUseAndHoldsOneProfileFile) {
  const std::u16string folder = SettingsFolderPath();
  ASSERT_FALSE(SettingsParentFolder().empty());
  EXPECT_EQ(folder, SettingsParentFolder() + u"\\Ostrak_05A");
  RemoveTree(Wide(folder));
  ASSERT_FALSE(FileExists(Wide(folder)));

  const std::u16string path = ProfileFilePath(2);
  EXPECT_TRUE(FileExists(Wide(folder)));
  EXPECT_EQ(path, folder + u"\\$Profile0");
  EXPECT_EQ(ProfileFilePath(0), path);
  EXPECT_EQ(ProfileFilePath(1), path);
}

TEST(VoviIni, ReadsItsDefaultsUntilTheFirstWriteCreatesIt) {
  EnsureSettingsFolder();
  FormVoviIniPath();
  EXPECT_EQ(VoviIniPath(), SettingsFolderPath() + u"\\vovi.ini");
  DeleteFileW(Wide(VoviIniPath()).c_str());

  EXPECT_EQ(ReadVoviSetting(kSelectorValue, 1), 1);
  EXPECT_EQ(ReadVoviSetting(kLightingOnValue, 0), 0);

  WriteVoviSetting(kSelectorValue, 3);
  WriteVoviSetting(kLightingOnValue, 1);
  EXPECT_TRUE(FileExists(Wide(VoviIniPath())));
  EXPECT_EQ(ReadVoviSetting(kSelectorValue, 1), 3);
  EXPECT_EQ(ReadVoviSetting(kLightingOnValue, 0), 1);
  DeleteFileW(Wide(VoviIniPath()).c_str());
}

}  // namespace
