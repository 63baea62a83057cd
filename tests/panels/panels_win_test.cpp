// The main window's panels: each button a panel makes is a key of the main
// window's skin, has an id of its own, and its clicks reach its own panel.
#include <gtest/gtest.h>

#include <set>

#include "panels/key_grid_panel_win.h"
#include "panels/lighting_panel_win.h"
#include "panels/profile_panel_win.h"
#include "resources/resource_ids.h"
#include "skin/skin_keys.h"
#include "tests/support/fake_user_interface.h"

namespace {

TEST(Panels, EveryButtonIsOfTheSkinHasItsOwnIdAndRoutesToItsPanel) {
  // As the main window holds them: none holds another.
  struct Panels {
    FakeUserInterface ui;
    KeyGridPanel grid{ui};
    ProfilePanel profiles{ui};
    LightingPanel lighting{ui};
  } panels;
  KeyGridPanel& grid = panels.grid;
  ProfilePanel& profiles = panels.profiles;
  Panel* const routing[] = {&grid, &profiles, &panels.lighting};  // the main window's order

  std::set<int> ids;
  std::size_t count = 0;
  for (Panel* panel : routing) {
    for (const PanelButton& button : panel->Buttons()) {
      ++count;
      EXPECT_NE(FindSkinKey(SkinWindow::kMain, button.skinKey), nullptr);
      EXPECT_TRUE(ids.insert(button.id).second) << button.id;
      EXPECT_NE(button.button, nullptr);
      // The first panel whose ids hold it is the button's own.
      Panel* answering = nullptr;
      for (Panel* candidate : routing)
        if (!answering && AnyHolds(candidate->Commands(), button.id)) answering = candidate;
      EXPECT_EQ(answering, panel) << button.id;
    }
  }
  // G1 to G9, the keys, D1 to D6 and the Enter key's upper part, ten more of
  // the grid, the profile panel's four, the lighting panel's five.
  EXPECT_EQ(count, 9u + kKeyboardKeyCount + 6u + 1u + 10u + 4u + 5u);

  // The window's own commands belong to no panel.
  for (int id : {IDOK, IDCANCEL, IDC_APPLY, IDC_LINK, IDC_HELP_BUTTON, IDC_MINIMIZE, IDC_CLOSE,
                 IDC_VERSION, IDC_MENU_BUTTON, IDC_WAIT_PICTURE, ID_TRAY_OPEN, ID_TRAY_EXIT, ID_APP_ABOUT})
    for (Panel* panel : routing) EXPECT_FALSE(AnyHolds(panel->Commands(), id)) << id;
  // The profile label, the hidden menu button and the profile menu's items are the profile panel's.
  for (int id : {IDC_FUNC_PROFILES, IDC_PROFILE_MENU, 9000, 9003}) EXPECT_TRUE(AnyHolds(profiles.Commands(), id)) << id;
  // The macro button edits G9: the key grid's.
  EXPECT_TRUE(AnyHolds(grid.Commands(), IDC_FUNC_MACRO));
}

}  // namespace
