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

// The settings go to the first folder the system names as a full path, a
// drive's root included, never to a folder that depends on the current one.
TEST(Settings, TheSettingsLiveInTheFirstFullFolderTheSystemNames) {
  struct Case {
    std::u16string documents, localData, temp, parent, settings;
  };
  const Case cases[] = {
      {u"C:\\Users\\me\\Documents", u"C:\\Users\\me\\AppData\\Local", u"C:\\Temp\\", u"C:\\Users\\me\\Documents",
       u"C:\\Users\\me\\Documents\\Ostrak_05A"},
      {u"D:\\Docs\\\\", u"", u"", u"D:\\Docs", u"D:\\Docs\\Ostrak_05A"},
      {u"", u"C:\\Users\\me\\AppData\\Local", u"C:\\Temp\\", u"C:\\Users\\me\\AppData\\Local",
       u"C:\\Users\\me\\AppData\\Local\\Ostrak_05A"},
      {u"", u"", u"C:\\Temp\\", u"C:\\Temp", u"C:\\Temp\\Ostrak_05A"},
      // A drive's root, however the system writes it.
      {u"D:\\", u"C:\\Users\\me\\AppData\\Local", u"", u"D:\\", u"D:\\Ostrak_05A"},
      {u"D:/", u"", u"", u"D:\\", u"D:\\Ostrak_05A"},
      {u"D:\\\\", u"", u"", u"D:\\", u"D:\\Ostrak_05A"},
      // The current folder of drive D, the current drive's root, a relative
      // folder: never taken.
      {u"D:", u"\\", u"Documents", u"", u""},
      {u"D:", u"\\Ostrak", u"E:\\Temp", u"E:\\Temp", u"E:\\Temp\\Ostrak_05A"},
      {u"Documents", u"", u"\\\\server\\home\\", u"\\\\server\\home", u"\\\\server\\home\\Ostrak_05A"},
      {u"\\\\", u"", u"", u"", u""},
  };
  for (const Case& c : cases) {
    const std::u16string parent = ChooseSettingsParent({c.documents, c.localData, c.temp});
    EXPECT_EQ(parent, c.parent) << std::string(c.documents.begin(), c.documents.end());
    if (!parent.empty()) {
      EXPECT_EQ(SettingsFolderIn(parent), c.settings) << std::string(c.documents.begin(), c.documents.end());
    }
  }
  EXPECT_EQ(ProfileFileIn(SettingsFolderIn(u"D:\\"), 0), u"D:\\Ostrak_05A\\$Profile0");
}

TEST(Settings, ProfileListNamesHaveTwoDigits) {
  EXPECT_EQ(ProfileListValueName(0), u"PROFILE00");
  EXPECT_EQ(ProfileListValueName(7), u"PROFILE07");
  EXPECT_EQ(ProfileListValueName(12), u"PROFILE12");
  EXPECT_EQ(ProfileListValueName(100), u"PROFILE100");
}

}  // namespace
