#include "profiles/settings.h"

#include <gtest/gtest.h>

namespace {

TEST(Settings, TwoStateValuesStoreZeroForAnythingButZeroAndOne) {
  EXPECT_EQ(FlagValueToStore(0), 0u);
  EXPECT_EQ(FlagValueToStore(1), 1u);
  EXPECT_EQ(FlagValueToStore(2), 0u);
  EXPECT_EQ(FlagValueToStore(static_cast<unsigned>(-1)), 0u);  // a negative request
}

TEST(Settings, TheProfileFileIsTheSameForEveryProfile) {
  const std::u16string folder = SettingsFolderIn(u"C:\\Users\\me\\Documents");
  EXPECT_EQ(folder, u"C:\\Users\\me\\Documents\\Ostrak_05A");
  for (int index : {-1, 0, 1, 2, 3})
    EXPECT_EQ(ProfileFileIn(folder, index), u"C:\\Users\\me\\Documents\\Ostrak_05A\\$Profile0");
}

// Without a Documents folder the settings go to the next folder the system
// names, never to the root of the current drive.
TEST(Settings, TheSettingsLiveInTheFirstFullFolderTheSystemNames) {
  struct Case {
    std::u16string documents, localData, temp, chosen;
  };
  const Case cases[] = {
      {u"C:\\Users\\me\\Documents", u"C:\\Users\\me\\AppData\\Local", u"C:\\Temp\\", u"C:\\Users\\me\\Documents"},
      {u"", u"C:\\Users\\me\\AppData\\Local", u"C:\\Temp\\", u"C:\\Users\\me\\AppData\\Local"},
      {u"", u"", u"C:\\Temp\\", u"C:\\Temp"},
      {u"\\Ostrak_05A", u"C:\\", u"D:\\Temp", u"D:\\Temp"},  // a bare root is never taken
      {u"Documents", u"", u"\\\\server\\home", u"\\\\server\\home"},
      {u"", u"", u"", u""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseSettingsParent({c.documents, c.localData, c.temp}), c.chosen)
        << std::string(c.chosen.begin(), c.chosen.end());
}

TEST(Settings, ProfileListNamesHaveTwoDigits) {
  EXPECT_EQ(ProfileListValueName(0), u"PROFILE00");
  EXPECT_EQ(ProfileListValueName(7), u"PROFILE07");
  EXPECT_EQ(ProfileListValueName(12), u"PROFILE12");
  EXPECT_EQ(ProfileListValueName(100), u"PROFILE100");
}

}  // namespace
