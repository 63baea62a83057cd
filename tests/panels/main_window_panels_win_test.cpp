// The main window's panels with the simulated keyboard in this process,
// driven by their control ids: what the key grid shows and opens, the flip,
// the layer, the profile buttons and Default, and the lighting panel's writes
// as the keyboard's settings memory sees them.
#include <winsock2.h>
#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/app_paths.h"
#include "app/messages.h"
#include "app/utf8_text.h"
#include "app/wide_win.h"
#include "localisation/text_slots.h"
#include "panels/key_grid_ids.h"
#include "profiles/key_grid_view.h"
#include "profiles/profile_store.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog_win.h"
#include "simulator/sim_protocol.h"
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {

std::u16string WindowText(HWND window) {
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  return FromWide(text);
}

int KeyIndexOfSlot(int slot) {
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    if (KeyButtonEntry(i) == slot) return i;
  return -1;
}

int KeyIndexOfId(int id) {
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    if (kKeyButtonIds[i] == id) return i;
  return -1;
}

// The sum of the button's pixels as it draws itself now: a dimmed face is darker.
double Brightness(CPngButton& button) {
  RECT client{};
  GetClientRect(button.hwnd(), &client);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(dc, picture);
  button.Draw(dc, false);
  double sum = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      sum += GetRValue(c) + GetGValue(c) + GetBValue(c);
    }
  SelectObject(dc, old);
  DeleteObject(picture);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return sum;
}

class MainWindowPanelsTest : public MainWindowFixture {
 protected:
  // `status` pokes the keyboard's status block before the window reads it.
  void Open(const std::string& offeredEffects = "") {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakPanelsTest"));
    if (!offeredEffects.empty()) {
      ASSERT_EQ(keyboard_.Control("poke status 12 " + offeredEffects), "OK");
    }
    WriteFlagSetting(kFlipValue, 0);
    FormVoviIniPath();
    WriteVoviSetting(kLightingOnValue, 0);
    ASSERT_NO_FATAL_FAILURE(OpenWindowReadingProfile());
    // The grid is built after start-up, and the lighting read after the profile.
    ASSERT_TRUE(WaitUntil([&] { return window_->Item(IDC_EFFECT_LIST) != nullptr; }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return !window_->lightingPanel().State().offeredEffects.empty(); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 10000));
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    FormVoviIniPath();
    WriteVoviSetting(kLightingOnValue, 0);
    WriteFlagSetting(kFlipValue, 0);
  }

  void Assign(int entry, AssignmentType type, std::uint32_t param) {
    SetUpProfile(window_->session(), [&](WorkingProfile& profile) {
      profile.block->area[AssignmentIndex(0, entry)] = {type, 0, param, 0, 0};
    });
    window_->RefreshKeyGrid();
  }
  void Command(int id, int code = BN_CLICKED) {
    SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(id, code), 0);
  }
  // Shown, whether or not the window itself is (it starts hidden).
  bool Shown(int id) { return (GetWindowLongPtrW(window_->Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
  std::uint8_t SettingsByte(int offset) {
    std::vector<std::uint8_t> bytes;
    ParseHexBytes(keyboard_.Control("read settings " + std::to_string(offset) + " 1").substr(3), bytes);
    return bytes.empty() ? 0xEE : bytes[0];
  }
};

TEST_F(MainWindowPanelsTest, KeysShowWhatTheyAreAssignedToAndOpenTheEditorOnTheirEntry) {
  Open();
  KeyGridPanel& grid = window_->keyGrid();
  const int a = KeyIndexOfSlot(0x1E), s = KeyIndexOfSlot(0x1F), d = KeyIndexOfSlot(0x20);
  Assign(0x1E, AssignmentType::Key, 0x030);
  Assign(0x1F, AssignmentType::Macro, 7);  // no macro 7 in the profile
  Assign(0x20, AssignmentType::Disabled, 0);

  const std::u16string set(Text(TextKey::KEY_PROMPT_SET));
  EXPECT_TRUE(grid.KeyButton(a).IsChecked());
  EXPECT_NE(grid.KeyButton(a).TooltipText().find(set + std::u16string(Text(TextKey::KEY_PROMPT_SINGLE))),
            std::u16string::npos);
  EXPECT_TRUE(grid.KeyButton(s).TooltipText().ends_with(std::u16string(Text(TextKey::KEY_PROMPT_MACRO)) + u")"));
  EXPECT_TRUE(grid.KeyButton(d).IsChecked());
  EXPECT_TRUE(grid.KeyButton(d).TooltipText().ends_with(set));
  EXPECT_FALSE(grid.KeyButton(KeyIndexOfSlot(0x21)).IsChecked());

  std::vector<KeyEditRequest> opened;
  grid.SetKeyEditor([&](const KeyEditRequest& request) { opened.push_back(request); });
  Command(kKeyButtonIds[a]);
  Command(1118);  // Enter on the keypad
  Command(kExtraKeyIds[0]);
  Command(IDC_FUNC_MACRO);
  Command(kFirstDKeyId);  // a button without a key
  ASSERT_EQ(opened.size(), 4u);
  EXPECT_EQ(opened[0].entry, 0x1E);
  EXPECT_EQ(opened[1].entry, 0x9C);
  EXPECT_EQ(opened[2].entry, 256);
  EXPECT_FALSE(opened[2].macroRole);
  EXPECT_EQ(opened[3].entry, 264);
  EXPECT_TRUE(opened[3].macroRole);

  // The keyboard's layer key: the extra keys edit the second layer, and the
  // layer indicator shows it, also while an Apply runs.
  Assign(0x1E, AssignmentType::Key, 0x031);
  window_->SetPendingChanges(true);
  PostMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  ASSERT_EQ(keyboard_.Control("notice 02FF"), "OK");
  ASSERT_TRUE(WaitUntil([&] { return window_->link()->Layer() == 1; }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return grid.LayerIndicator().Faces().normal == MainStatePictures().over; }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return !window_->PendingChanges(); }, 10000)) << "the Apply still ends";
  opened.clear();
  Command(kExtraKeyIds[0]);
  Command(IDC_FUNC_MACRO);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].entry, 265);
  EXPECT_EQ(opened[1].entry, 273);
}

// Without a mouse: the arrow keys walk the keys as the picture lays them out,
// Enter opens the editor on the focused key, and Tab comes back to the grid
// at the key last walked to.
TEST_F(MainWindowPanelsTest, ArrowsWalkTheKeysAndEnterOpensTheEditorOnTheFocusedOne) {
  Open();
  KeyGridPanel& grid = window_->keyGrid();
  std::vector<KeyEditRequest> opened;
  grid.SetKeyEditor([&](const KeyEditRequest& request) { opened.push_back(request); });
  ShowWindow(window_->hwnd(), SW_SHOW);
  SetForegroundWindow(window_->hwnd());
  const auto key = [&](int slot) { return grid.KeyButton(KeyIndexOfSlot(slot)).hwnd(); };
  const auto press = [&](WPARAM virtualKey) {
    MSG message{GetFocus(), WM_KEYDOWN, virtualKey, 0, 0, {}};
    return Dialog::TranslateModelessMessage(message);
  };
  SetFocus(key(0x10));  // Q
  ASSERT_EQ(GetFocus(), key(0x10));

  const struct {
    WPARAM arrow;
    int slot;
  } walk[] = {{VK_RIGHT, 0x11}, {VK_DOWN, 0x1F}, {VK_LEFT, 0x1E}, {VK_UP, 0x10}, {VK_DOWN, 0x1E}};  // W, S, A, Q, A
  for (const auto& step : walk) {
    EXPECT_TRUE(press(step.arrow));
    EXPECT_EQ(GetFocus(), key(step.slot)) << "to slot " << step.slot;
  }
  EXPECT_TRUE(GetWindowLongPtrW(key(0x1E), GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLongPtrW(key(0x10), GWL_STYLE) & WS_TABSTOP);

  EXPECT_TRUE(press(VK_RETURN));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].entry, 0x1E);
}

// What the system's accessibility (which screen readers ask) gives as a
// window's name.
std::wstring AccessibleName(HWND window) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object))) ||
      !object)
    return L"(none)";
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::wstring result = SUCCEEDED(object->get_accName(self, &name)) && name ? std::wstring(name) : L"(no name)";
  SysFreeString(name);
  object->Release();
  return result;
}

TEST_F(MainWindowPanelsTest, KeyButtonsTellScreenReadersWhatTheyDo) {
  Open();
  CoInitialize(nullptr);
  KeyGridPanel& grid = window_->keyGrid();
  Assign(0x1E, AssignmentType::Key, 0x030);
  Assign(0x1F, AssignmentType::Disabled, 0);
  EXPECT_EQ(AccessibleName(grid.KeyButton(KeyIndexOfSlot(0x1E)).hwnd()), L"A, sends B");
  EXPECT_EQ(AccessibleName(grid.KeyButton(KeyIndexOfSlot(0x1F)).hwnd()), L"S, turned off");
  EXPECT_EQ(AccessibleName(grid.KeyButton(KeyIndexOfSlot(0x20)).hwnd()), L"D");
  EXPECT_EQ(AccessibleName(grid.ExtraKey(0).hwnd()), L"G1");
  CoUninitialize();
}

TEST_F(MainWindowPanelsTest, FlippingUsesD1ToD6InsteadOfF1ToF4AndFlippingBackRestoresThem) {
  Open();
  KeyGridPanel& grid = window_->keyGrid();
  std::vector<KeyEditRequest> opened;
  grid.SetKeyEditor([&](const KeyEditRequest& request) { opened.push_back(request); });
  ASSERT_TRUE(WaitUntil([&] { return Brightness(grid.ExtraKey(0)) > 0; }, 10000)) << "the pictures are decoded";
  const auto f = [&](int n) -> CPngButton& { return grid.KeyButton(KeyIndexOfId(kFlippedKeyIds[n])); };
  const auto expectSet = [&](bool flipped) {
    for (int n = 0; n < 4; ++n) {
      EXPECT_EQ(IsWindowEnabled(f(n).hwnd()) != 0, !flipped) << "F" << n + 1;
      EXPECT_EQ(f(n).CurrentFace() == ButtonFace::kDisabled, flipped) << "F" << n + 1;
    }
    for (int d = 0; d < 6; ++d) {
      HWND dKey = window_->Item(kDKeyIds[d]);
      ASSERT_NE(dKey, nullptr) << "D" << d + 1 << " is made";
      EXPECT_TRUE(Shown(kDKeyIds[d])) << "D" << d + 1;
      EXPECT_EQ(IsWindowEnabled(dKey) != 0, flipped) << "D" << d + 1;
    }
    EXPECT_EQ(grid.FlipIndicator().IsChecked(), flipped);
    EXPECT_EQ(ReadFlagSetting(kFlipValue), flipped ? 1 : 0);
  };
  expectSet(false);
  const double enabledF1 = Brightness(f(0));

  Command(IDC_FLIP_1);
  expectSet(true);
  EXPECT_LT(Brightness(f(0)), enabledF1 * 0.7) << "a disabled F key looks disabled";
  // D1 to D6 have no key of their own: a click edits nothing, and goes to the
  // lighting panel only while it paints keys.
  Command(kDKeyIds[0]);
  EXPECT_TRUE(opened.empty());
  std::vector<int> painted;
  grid.SetKeyPainter([&](int id) {
    painted.push_back(id);
    return true;
  });
  Command(kDKeyIds[2]);
  EXPECT_EQ(painted, std::vector<int>{kDKeyIds[2]});
  EXPECT_TRUE(opened.empty());

  Command(IDC_FLIP_2);
  expectSet(false);
  EXPECT_EQ(f(0).CurrentFace(), ButtonFace::kNormal);
  grid.SetKeyPainter(nullptr);
  Command(kFlippedKeyIds[0]);
  ASSERT_EQ(opened.size(), 1u) << "F1 edits its key again";
  EXPECT_EQ(opened[0].entry, 0x3B);
}

TEST_F(MainWindowPanelsTest, ControlsThatDoNothingOrNothingYetSayWhy) {
  Open();
  KeyGridPanel& grid = window_->keyGrid();
  ASSERT_TRUE(WaitUntil([&] { return Brightness(grid.ExtraKey(0)) > 0; }, 10000)) << "the pictures are decoded";
  const std::u16string flip(Text(TextKey::MAIN_FLIP_PROMPT)), arrow(Text(TextKey::MAIN_FLIP_ARROW_PROMPT));
  ASSERT_FALSE(flip.empty());
  EXPECT_EQ(grid.FlipIndicator().TooltipText(), flip);
  EXPECT_EQ(grid.FlipButton(0).TooltipText(), flip);
  EXPECT_EQ(grid.FlipButton(1).TooltipText(), flip);
  EXPECT_EQ(grid.Arrow(false).TooltipText(), arrow);
  EXPECT_EQ(grid.Arrow(true).TooltipText(), arrow);
  // G6 to G9 are disabled, look it and say why; G1 to G5 do not.
  for (int j = kUsableExtraKeys; j < kExtraKeyCount; ++j) {
    CPngButton& key = grid.ExtraKey(j);
    EXPECT_FALSE(IsWindowEnabled(key.hwnd()));
    EXPECT_TRUE(key.TooltipText().starts_with(ExtraKeyName(j) + u": ")) << j;
    EXPECT_TRUE(key.TooltipText().ends_with(std::u16string(Text(TextKey::MAIN_GKEY_ABSENT_PROMPT)))) << j;
    EXPECT_LT(Brightness(key), Brightness(grid.ExtraKey(j - kUsableExtraKeys)) * 0.7) << j;
  }
  EXPECT_TRUE(IsWindowEnabled(grid.ExtraKey(0).hwnd()));
  EXPECT_EQ(grid.ExtraKey(0).TooltipText(), ExtraKeyName(0));
  // Over a disabled key or arrow the window has the mouse: its tooltip shows all the same.
  window_->ShowMainWindow();
  SetForegroundWindow(window_->hwnd());
  for (CPngButton* button : {&grid.ExtraKey(kExtraKeyCount - 1), &grid.Arrow(true)}) {
    ASSERT_FALSE(IsWindowEnabled(button->hwnd()));
    RECT r{};
    GetWindowRect(button->hwnd(), &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    const std::wstring expected = Wide(button->TooltipText());
    EXPECT_TRUE(WaitUntil([&] { return ShownTooltipText() == expected; }, 5000)) << ToUtf8(FromWide(expected));
    SetCursorPos(0, 0);
    WaitUntil([&] { return ShownTooltipText().empty(); }, 2000);
  }
  EXPECT_EQ(window_->lightingPanel().SwitchTooltip(), std::u16string(Text(TextKey::MAIN_LIGHTING_SWITCH_PROMPT)));
}

TEST_F(MainWindowPanelsTest, ProfileButtonsSwitchTheKeyboardButTheCurrentOneDoesNothing) {
  Open();
  const std::string commands = keyboard_.Control("commands");
  Command(IDC_PROFILE1);  // profile 0 is the current one
  EXPECT_FALSE(window_->KeyboardBusy());
  EXPECT_TRUE(MessageBoxesOf(GetCurrentProcessId()).empty());
  EXPECT_EQ(keyboard_.Control("commands"), commands);

  const CPngButton& label = window_->profilePanel().Label();
  EXPECT_EQ(WindowText(label.hwnd()), Text(TextKey::PROFILE_1));
  Command(IDC_PROFILE3);
  EXPECT_TRUE(WaitUntil([&] { return window_->link()->CachedProfile() == 2; }, 5000));
  EXPECT_EQ(keyboard_.Control("read status 10 1"), "OK 02");
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window_->hwnd()) || !window_->KeyboardBusy(); }, 5000));
  // The label names the profile the keyboard now uses, never the file they share.
  EXPECT_TRUE(WaitUntil([&] { return WindowText(label.hwnd()) == Text(TextKey::PROFILE_3); }, 5000));
  EXPECT_EQ(label.TooltipText(), std::u16string(Text(TextKey::PROFILE_TIP)) + std::u16string(Text(TextKey::PROFILE_3)));
  EXPECT_EQ(label.TooltipText().find(u"$Profile0"), std::u16string::npos);
}

TEST_F(MainWindowPanelsTest, DefaultClearsTheCurrentKeysOnlyWhenTheUserSaysYes) {
  Open();
  Assign(0x1E, AssignmentType::Key, 0x030);
  Assign(256, AssignmentType::Key, 0x031);  // G1, first layer
  Assign(265, AssignmentType::Key, 0x032);  // G1, second layer
  const std::wstring question = Wide(Text(TextKey::MAIN_PROMPT_DEFAULT));
  {
    MessageBoxAnswerer no(question, IDNO);
    Command(IDC_DEFAULT);
    EXPECT_EQ(no.seen, 1);
  }
  EXPECT_EQ(EntryOf(window_->session(), AssignmentIndex(0, 0x1E)).type, AssignmentType::Key);
  EXPECT_FALSE(window_->PendingChanges());

  MessageBoxAnswerer yes(question, IDYES);
  Command(IDC_DEFAULT);
  EXPECT_EQ(EntryOf(window_->session(), AssignmentIndex(0, 0x1E)).type, AssignmentType::Default);
  EXPECT_EQ(EntryOf(window_->session(), AssignmentIndex(0, 256)).type, AssignmentType::Default);
  EXPECT_EQ(EntryOf(window_->session(), AssignmentIndex(0, 265)).type, AssignmentType::Key) << "the other layer stays";
  EXPECT_FALSE(window_->keyGrid().KeyButton(KeyIndexOfSlot(0x1E)).IsChecked());
  EXPECT_TRUE(WaitUntil([&] { return !window_->PendingChanges() && !window_->KeyboardBusy(); }, 10000))
      << "and applied";
}

TEST_F(MainWindowPanelsTest, TheLightingPanelListsTheOfferedEffectsAndWritesEachChange) {
  Open("010305" + std::string(26, '0'));  // effects 1, 3 and 5, the other slots empty
  LightingPanel& lighting = window_->lightingPanel();
  HWND list = window_->Item(IDC_EFFECT_LIST);
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
  EXPECT_FALSE(Shown(IDC_EFFECT_LIST)) << "the panel is off";

  Command(IDC_LIGHTING_ON, STN_CLICKED);
  ASSERT_TRUE(lighting.IsOn());
  SendMessageW(list, CB_SETCURSEL, 2, 0);
  Command(IDC_EFFECT_LIST, CBN_SELCHANGE);
  EXPECT_TRUE(WaitUntil([&] { return SettingsByte(0) == 5; }, 5000));
  EXPECT_TRUE(Shown(IDC_SELECTION_COLOUR)) << "effect 5 shows its per-key tools";
  EXPECT_FALSE(Shown(IDC_SPEED_SLIDER));

  // The speed slider runs the other way round from the keyboard's value; the
  // last position of a drag always arrives.
  for (int position : {10, 5, 0}) PostMessageW(window_->hwnd(), WM_SLIDER_CHANGED, IDC_SPEED_SLIDER, position);
  EXPECT_TRUE(WaitUntil([&] { return SettingsByte(2) == 24; }, 5000));

  // A write the keyboard refuses: the panel shows what the keyboard holds.
  ASSERT_EQ(keyboard_.Control("faults status=100 statusbyte=FF"), "OK");
  SendMessageW(list, CB_SETCURSEL, 0, 0);
  Command(IDC_EFFECT_LIST, CBN_SELCHANGE);
  EXPECT_EQ(lighting.State().effectMode, 1) << "shown at once";
  ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 10000));
  ASSERT_EQ(keyboard_.Control("faults status=0"), "OK");
  EXPECT_EQ(SettingsByte(0), 5);
  EXPECT_TRUE(WaitUntil([&] { return lighting.State().effectMode == 5; }, 5000));

  // Switched off: the effect's controls go.
  Command(IDC_LIGHTING_ON, STN_CLICKED);
  EXPECT_FALSE(lighting.IsOn());
  EXPECT_FALSE(Shown(IDC_EFFECT_LIST));
}

TEST_F(MainWindowPanelsTest, WithTheLightingOnAKeyClickPaintsUnderThePerKeyEffectAndEditsUnderAnyOther) {
  Open("0905" + std::string(28, '0'));  // effects 9 (one colour) and 5 (a colour per key)
  LightingPanel& lighting = window_->lightingPanel();
  KeyGridPanel& grid = window_->keyGrid();
  std::vector<KeyEditRequest> opened;
  grid.SetKeyEditor([&](const KeyEditRequest& request) { opened.push_back(request); });
  HWND list = window_->Item(IDC_EFFECT_LIST);
  const int a = KeyIndexOfSlot(0x1E);

  Command(IDC_LIGHTING_ON, STN_CLICKED);
  ASSERT_TRUE(lighting.IsOn());
  SendMessageW(list, CB_SETCURSEL, 0, 0);
  Command(IDC_EFFECT_LIST, CBN_SELCHANGE);
  ASSERT_TRUE(WaitUntil([&] { return SettingsByte(0) == 9 && !window_->KeyboardBusy(); }, 5000));
  EXPECT_FALSE(lighting.PaintsKeys());
  const std::string before = keyboard_.Control("commands");
  Command(kKeyButtonIds[a]);
  ASSERT_EQ(opened.size(), 1u) << "the effect paints no key: the click edits it";
  EXPECT_EQ(opened[0].entry, 0x1E);
  EXPECT_EQ(keyboard_.Control("commands"), before);

  SendMessageW(list, CB_SETCURSEL, 1, 0);
  Command(IDC_EFFECT_LIST, CBN_SELCHANGE);
  ASSERT_TRUE(WaitUntil([&] { return SettingsByte(0) == 5 && !window_->KeyboardBusy(); }, 5000));
  EXPECT_TRUE(lighting.PaintsKeys());
  const std::string painting = keyboard_.Control("commands");
  Command(kKeyButtonIds[a]);
  EXPECT_EQ(opened.size(), 1u) << "the click paints the key instead";
  EXPECT_TRUE(WaitUntil([&] { return keyboard_.Control("commands") != painting; }, 5000));
}

// The per-key tools as the user picks them: the picture beside "Key colour"
// paints the key (selection) colour. Default gives the tools their default
// back and the panel keeps it; a tool picked while a read is under way stays.
TEST_F(MainWindowPanelsTest, DefaultLightingAndPicksDuringAReadStayInThePanel) {
  Open("010305" + std::string(26, '0'));
  LightingPanel& lighting = window_->lightingPanel();
  Command(IDC_LIGHTING_ON, STN_CLICKED);
  ASSERT_TRUE(lighting.IsOn());
  SendMessageW(window_->Item(IDC_EFFECT_LIST), CB_SETCURSEL, 2, 0);
  Command(IDC_EFFECT_LIST, CBN_SELCHANGE);
  ASSERT_TRUE(WaitUntil([&] { return SettingsByte(0) == 5 && !window_->KeyboardBusy(); }, 5000));

  Command(IDC_TOOL0, STN_CLICKED);
  EXPECT_EQ(lighting.State().tool, PaintTool::kSelection) << "the key-colour tool";
  {
    MessageBoxAnswerer yes(Wide(Text(TextKey::MAIN_PROMPT_DEFAULT)), IDYES);
    Command(IDC_DEFAULT);
  }
  ASSERT_TRUE(WaitUntil([&] { return !window_->PendingChanges() && !window_->KeyboardBusy(); }, 10000));
  EXPECT_EQ(lighting.State().tool, PaintTool::kBackground);
  EXPECT_EQ(lighting.State().selectionColour, kWhite);
  EXPECT_EQ(lighting.State().backgroundColour, kBlack);
  EXPECT_EQ(lighting.State().effectMode, 1);

  // A slow keyboard: the read is still under way when the user picks a tool.
  ASSERT_EQ(keyboard_.Control("faults latency=100"), "OK");
  window_->session().ReadLighting(true);
  Command(IDC_TOOL0, STN_CLICKED);
  ASSERT_TRUE(window_->KeyboardBusy());
  ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 10000));
  ASSERT_EQ(keyboard_.Control("faults latency=0"), "OK");
  EXPECT_EQ(lighting.State().tool, PaintTool::kSelection);
}

}  // namespace
