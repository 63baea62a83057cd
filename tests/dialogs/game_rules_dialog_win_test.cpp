// The per-game profiles window over the main window: it opens on the stored
// rules, Add takes the program that has the window (its file name), Browse a
// program's full path, Remove the selected rule, and OK stores them with the
// no-match choice and the switches, where the watcher reads them; Cancel
// stores nothing.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/wide_win.h"
#include "localisation/text_slots.h"
#include "profiles/game_rules.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog_win.h"
#include "tests/support/main_window_fixture_win.h"

namespace {

class GameRulesDialogTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakGameRulesDialogTest"));
    GameRuleSettings settings;
    settings.rules = {{u"shooter.exe", 1}};
    ASSERT_TRUE(SaveGameRules(store_, settings));
    ASSERT_NO_FATAL_FAILURE(OpenWindow());
    rules().SetFileChooser([](HWND, FileDialogKind) { return std::optional<std::u16string>(u"D:\\Games\\Racer\\racer.exe"); });
    rules().SetWindowLister([] {
      ProgramWindow launcher{{}, u"Game Launcher"};
      launcher.program.imagePath = u"C:\\Games\\Launcher\\launcher.exe";
      ProgramWindow game{{}, u"The Game"};
      game.program.imagePath = u"C:\\Games\\Strategy\\bin\\strategy.exe";
      return std::vector<ProgramWindow>{launcher, game};
    });
    // The user picks the game's own window, not its launcher's.
    rules().SetRunningPicker([](HWND, const std::vector<ProgramWindow>& windows) {
      return std::optional<std::u16string>(windows.at(1).program.imagePath);
    });
    ASSERT_TRUE(rules().OpenModeless(window_->hwnd()));
  }

  COstrak_DlgGames& rules() { return window_->gameRules(); }
  void Command(int id, int code = BN_CLICKED) {
    SendMessageW(rules().hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(rules().Item(id)));
  }
  std::wstring Cell(int row, int column) {
    wchar_t text[260] = {};
    ListView_GetItemText(rules().List().hwnd(), row, column, text, 260);
    return text;
  }

  RegistryValues store_{kGamesSection};
};

TEST_F(GameRulesDialogTest, RulesAreAddedFromTheWindowInFrontOrByBrowsingAndStoredByOk) {
  ASSERT_EQ(rules().List().RowCount(), 1);
  EXPECT_EQ(Cell(0, 0), L"shooter.exe");
  EXPECT_EQ(Cell(0, 1), Wide(FormatText(Text(TextKey::GAMES_PROFILE), 2)));

  // New rules take the profile chosen in the list below the rules.
  SendMessageW(rules().Item(IDC_GAMES_PROFILE), CB_SETCURSEL, 2, 0);
  Command(IDC_GAMES_ADD);
  Command(IDC_GAMES_BROWSE);
  ASSERT_EQ(rules().List().RowCount(), 3);
  EXPECT_EQ(Cell(1, 0), L"strategy.exe");
  EXPECT_EQ(Cell(1, 1), Wide(FormatText(Text(TextKey::GAMES_PROFILE), 3)));
  EXPECT_EQ(Cell(2, 0), L"D:\\Games\\Racer\\racer.exe");
  EXPECT_TRUE(IsWindowEnabled(rules().Item(IDC_GAMES_APPLY)));

  // Remove takes the selected rule.
  ListView_SetItemState(rules().List().hwnd(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Command(IDC_GAMES_REMOVE);
  ASSERT_EQ(rules().List().RowCount(), 2);
  EXPECT_EQ(Cell(0, 0), L"strategy.exe");

  // No rule: profile 1; the notice off.
  SendMessageW(rules().Item(IDC_GAMES_NO_MATCH), CB_SETCURSEL, 2, 0);
  Command(IDC_GAMES_NO_MATCH, CBN_SELCHANGE);
  Command(IDC_GAMES_NOTICES_LABEL);
  Command(IDOK);

  const GameRuleSettings stored = LoadGameRules(store_);
  ASSERT_EQ(stored.rules.size(), 2u);
  EXPECT_EQ(stored.rules[0].program, u"strategy.exe");
  EXPECT_EQ(stored.rules[0].profile, 2);
  EXPECT_EQ(stored.rules[1].program, u"D:\\Games\\Racer\\racer.exe");
  EXPECT_EQ(stored.noMatch, NoMatch::kChosen);
  EXPECT_EQ(stored.noMatchProfile, 0);
  EXPECT_FALSE(stored.notices);
  EXPECT_TRUE(stored.enabled);
  // The watcher has them at once.
  EXPECT_EQ(window_->gameWatcher().switcher().Settings(), stored);
}

TEST_F(GameRulesDialogTest, CancelStoresNothing) {
  Command(IDC_GAMES_ADD);
  Command(IDC_GAMES_ENABLED_LABEL);
  Command(IDCANCEL);
  const GameRuleSettings stored = LoadGameRules(store_);
  ASSERT_EQ(stored.rules.size(), 1u);
  EXPECT_TRUE(stored.enabled);
}

}  // namespace
