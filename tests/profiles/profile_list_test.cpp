#include "profiles/profile_list.h"

#include <gtest/gtest.h>

namespace {

TEST(ProfileList, ARowShowsTheFilesNameWithoutExtensionAndItsFolder) {
  EXPECT_EQ(ProfileRowOf(u"C:\\Users\\me\\Documents\\Ostrak_05A\\$Profile0"),
            (ProfileRow{u"$Profile0", u"C:\\Users\\me\\Documents\\Ostrak_05A\\"}));
  EXPECT_EQ(ProfileRowOf(u"D:\\games\\fps.setup.fwc"), (ProfileRow{u"fps.setup", u"D:\\games\\"}));
  EXPECT_EQ(ProfileRowOf(u"D:\\.fwc"), (ProfileRow{u".fwc", u"D:\\"}));
}

TEST(ProfileList, ApplyWritesEveryRowThenTheCount) {
  const std::vector<ProfileRow> rows = {{u"$Profile0", u"C:\\s\\"}, {u"fps", u"D:\\g\\"}};
  const std::vector<std::pair<std::u16string, std::u16string>> expected = {
      {u"PROFILE01", u"C:\\s\\$Profile0.fwc"}, {u"PROFILE02", u"D:\\g\\fps.fwc"}, {u"PROFILE00", u"2"}};
  EXPECT_EQ(ProfileListValues(rows), expected);
  EXPECT_EQ(ProfileListValues({}), (std::vector<std::pair<std::u16string, std::u16string>>{{u"PROFILE00", u"0"}}));
}

TEST(ProfileList, OnlyTheKeyboardsThreeProfilesCanBeMadeCurrent) {
  const struct {
    int row;
    int profile;
  } cases[] = {{-1, -1}, {0, 0}, {1, 1}, {2, 2}, {3, -1}, {7, -1}};
  for (const auto& c : cases) EXPECT_EQ(KeyboardProfileOfRow(c.row), c.profile) << c.row;
}

}  // namespace
