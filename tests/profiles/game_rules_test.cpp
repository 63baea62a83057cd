#include "profiles/game_rules.h"

#include <gtest/gtest.h>

#include "app/utf8_text.h"
#include "tests/support/map_setting_values.h"

namespace {

// Which rule each program in front finds: by file name, full path or folder,
// without regard to case, whatever the separators.
TEST(GameRules, TheProgramInFrontFindsTheMostSpecificRule) {
  const std::vector<GameRule> rules = {
      {u"game.exe", 1},
      {u"C:\\Games\\", 2},
      {u"c:/games/shooter/", 0},
      {u"D:\\Steam\\apps\\Racer\\racer.exe", 2},
      {u"RACER.EXE", 0},
      {u"\\\\server\\share\\tools", 1},
      {u"Ωmega.exe", 0},
      {u"E:\\", 1},
  };
  struct Case {
    std::u16string image;
    int rule;  // index into rules, -1 none
  };
  const Case cases[] = {
      {u"C:\\Program Files\\Game\\game.exe", 0},     // a file name anywhere
      {u"C:\\Program Files\\Game\\GAME.EXE", 0},     // case
      {u"C:\\Program Files\\Game\\game.exe.bak", -1},
      {u"C:\\Program Files\\Game\\mygame.exe", -1},  // a name is the whole name
      {u"C:\\Games\\puzzle\\puzzle.exe", 1},         // a folder, with a trailing separator
      {u"c:\\GAMES\\puzzle.exe", 1},
      {u"C:\\GamesOld\\puzzle.exe", -1},             // a folder holds only what is inside it
      {u"C:\\Games\\game.exe", 0},                   // the file name beats the folder
      {u"C:\\Games\\Shooter\\bin\\shoot.exe", 2},    // the deeper folder wins, '/' written
      {u"D:\\Steam\\apps\\Racer\\racer.exe", 3},     // the full path beats the file name
      {u"D:\\Other\\racer.exe", 4},
      {u"\\\\?\\D:\\Steam\\apps\\Racer\\racer.exe", 3},  // the long-path prefix
      {u"D:\\\\Steam\\\\apps\\Racer\\racer.exe", 3},    // doubled separators
      {u"\\\\server\\share\\tools\\x.exe", 5},       // a share, without a trailing separator
      {u"\\\\server\\share\\toolsx\\x.exe", -1},
      {u"C:\\Apps\\ΩMEGA.exe", 6},                   // a Greek capital folds too
      {u"E:\\anything\\x.exe", 7},                   // a drive's root
      {u"F:\\x.exe", -1},
      {u"", -1},
  };
  for (const Case& c : cases) {
    const GameRule* found = MatchingRule(rules, c.image);
    const int index = found ? static_cast<int>(found - rules.data()) : -1;
    EXPECT_EQ(index, c.rule) << ToUtf8(c.image);
  }
}

TEST(GameRules, AddingTheSameProgramAgainChangesItsProfile) {
  GameRuleSettings settings;
  EXPECT_TRUE(AddGameRule(settings, u" game.exe ", 1));
  EXPECT_TRUE(AddGameRule(settings, u"GAME.exe", 2));
  EXPECT_TRUE(AddGameRule(settings, u"C:\\Games\\", 0));
  EXPECT_TRUE(AddGameRule(settings, u"c:/games", 1));  // the same folder
  ASSERT_EQ(settings.rules.size(), 2u);
  EXPECT_EQ(settings.rules[0].program, u"game.exe");
  EXPECT_EQ(settings.rules[0].profile, 2);
  EXPECT_EQ(settings.rules[1].profile, 1);

  for (int profile : {-1, 3}) EXPECT_FALSE(AddGameRule(settings, u"x.exe", profile));
  EXPECT_FALSE(AddGameRule(settings, u"  ", 0));
  EXPECT_FALSE(AddGameRule(settings, u"a|b.exe", 0));  // never a program's name; it separates the stored rule

  EXPECT_FALSE(RemoveGameRule(settings, u"other.exe"));
  EXPECT_TRUE(RemoveGameRule(settings, u"Game.EXE"));
  ASSERT_EQ(settings.rules.size(), 1u);
  EXPECT_EQ(settings.rules[0].program, u"C:\\Games\\");
}

TEST(GameRules, SettingsComeBackAsTheyWereStored) {
  MapSettingValues store;
  const GameRuleSettings none = LoadGameRules(store);  // nothing stored: the defaults
  EXPECT_TRUE(none.enabled);
  EXPECT_TRUE(none.notices);
  EXPECT_EQ(none.noMatch, NoMatch::kBackToBefore);
  EXPECT_TRUE(none.rules.empty());

  GameRuleSettings settings;
  settings.enabled = false;
  settings.notices = false;
  settings.noMatch = NoMatch::kChosen;
  settings.noMatchProfile = 2;
  settings.rules = {{u"game.exe", 1}, {u"C:\\Games\\", 2}};
  ASSERT_TRUE(SaveGameRules(store, settings));
  EXPECT_EQ(store.values[u"RULE00"], u"2");
  EXPECT_EQ(store.values[u"RULE01"], u"2|game.exe");

  const GameRuleSettings loaded = LoadGameRules(store);
  EXPECT_FALSE(loaded.enabled);
  EXPECT_FALSE(loaded.notices);
  EXPECT_EQ(loaded.noMatch, NoMatch::kChosen);
  EXPECT_EQ(loaded.noMatchProfile, 2);
  ASSERT_EQ(loaded.rules.size(), 2u);
  EXPECT_EQ(loaded.rules[1].program, u"C:\\Games\\");
  EXPECT_EQ(loaded.rules[1].profile, 2);

  // Fewer rules later: the count says which values are rules.
  settings.rules.pop_back();
  SaveGameRules(store, settings);
  EXPECT_EQ(LoadGameRules(store).rules.size(), 1u);
}

TEST(GameRules, DamagedValuesGiveDefaultsAndDamagedRulesAreSkipped) {
  MapSettingValues store;
  store.values = {{u"NoMatch", u"9"},        {u"NoMatchProfile", u"7"}, {u"RULE00", u"5"},
                  {u"RULE01", u"2|ok.exe"},  {u"RULE02", u"no bar"},    {u"RULE03", u"4|x.exe"},
                  {u"RULE04", u"1|"},        {u"RULE05", u"3|c:\\g\\"}};
  const GameRuleSettings loaded = LoadGameRules(store);
  EXPECT_EQ(loaded.noMatch, NoMatch::kBackToBefore);
  EXPECT_EQ(loaded.noMatchProfile, 0);
  ASSERT_EQ(loaded.rules.size(), 2u);
  EXPECT_EQ(loaded.rules[0].program, u"ok.exe");
  EXPECT_EQ(loaded.rules[1].profile, 2);
}

TEST(GameRules, TheShellsOwnWindowsNeverCount) {
  struct Case {
    std::u16string windowClass, image;
    bool shell;
  };
  const Case cases[] = {
      {u"Shell_TrayWnd", u"C:\\Windows\\explorer.exe", true},
      {u"Progman", u"C:\\Windows\\explorer.exe", true},
      {u"WorkerW", u"C:\\Windows\\explorer.exe", true},
      {u"NotifyIconOverflowWindow", u"C:\\Windows\\explorer.exe", true},
      {u"Windows.UI.Core.CoreWindow",
       u"C:\\Windows\\SystemApps\\Microsoft.Windows.StartMenuExperienceHost_cw5n1h2txyewy\\StartMenuExperienceHost.exe",
       true},
      {u"CabinetWClass", u"C:\\Windows\\explorer.exe", false},  // a folder window is a program like any
      {u"GameWindow", u"C:\\Games\\game.exe", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsShellWindow(c.windowClass, c.image), c.shell) << ToUtf8(c.windowClass);
}

}  // namespace
