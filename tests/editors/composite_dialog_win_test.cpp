// The key editor as the key grid opens it, over the main window with the
// simulated keyboard in this process, driven by its control ids (keys typed
// with SendInput): what it opens on, what its Apply stores, what Cancel
// leaves, and a whole edit reaching the keyboard through the main window's
// Apply.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "localisation/text_slots.h"
#include "panels/key_grid_ids.h"
#include "profiles/key_grid_view.h"
#include "profiles/profile_store.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog_win.h"
#include "tests/support/keyboard_contents_win.h"
#include "tests/support/main_window_fixture_win.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr int kKeyA = 0x1E, kKeyS = 0x1F;

int KeyIndexOfSlot(int slot) {
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    if (KeyButtonEntry(i) == slot) return i;
  return -1;
}
int KeyButtonOfSlot(int slot) { return kKeyButtonIds[KeyIndexOfSlot(slot)]; }

void Type(WORD virtualKey, bool release) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

class KeyEditorTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartKeyboard(u"OstrakEditorTest"));
    WriteFlagSetting(kRecordDelayValue, 1);
    FormVoviIniPath();
    WriteVoviSetting(kLightingOnValue, 0);  // key clicks edit keys instead of painting them
    ASSERT_NO_FATAL_FAILURE(OpenWindowReadingProfile());
    ASSERT_TRUE(WaitUntil([&] { return window_->Item(IDC_EFFECT_LIST) != nullptr; }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return !window_->KeyboardBusy(); }, 10000));
  }

  Ostrak_DlgComposite& editor() { return window_->keyEditor(); }
  // The window's working profile, as the editor's Apply left it.
  const WorkingProfile& Working() { return ProfileOf(window_->session()); }
  const KeyAssignment& Entry(int entry) { return Working().block->area[AssignmentIndex(0, entry)]; }
  void Assign(int entry, KeyAssignment assignment) {
    SetUpProfile(window_->session(),
                 [&](WorkingProfile& profile) { profile.block->area[AssignmentIndex(0, entry)] = assignment; });
    window_->RefreshKeyGrid();
  }
  void GiveMacros(int count) {
    SetUpProfile(window_->session(), [&](WorkingProfile& profile) {
      FreeMacroList(profile.macros);
      ASSERT_TRUE(AllocateMacroList(profile.macros, count));
      for (int m = 0; m < count; ++m) {
        MacroRecord& record = profile.macros.records[m];
        FillNewMacroRecord(record, u"Mine " + std::u16string(1, char16_t(u'A' + m)),
                           static_cast<std::uint16_t>(m + 1));
        record.actionCount = 2;
        record.actions[0] = {30, 0x2D, kMacroPress};
        record.actions[1] = {0, 0x2D, kMacroRelease};
      }
    });
  }
  // The grid's edit rule opens the window's own editor, here without a loop
  // of its own so that the test can drive it.
  void Open(int controlId) {
    window_->keyGrid().SetKeyEditor([this](const KeyEditRequest& request) {
      editor().OpenModeless(request, window_->link()->CachedProfile(), CopyOfWorkingProfile(Working()),
                            window_->hwnd());
    });
    SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), 0);
    ASSERT_TRUE(editor().IsOpen());
  }
  void Command(int id, int code = BN_CLICKED) {
    SendMessageW(editor().hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(editor().Item(id)));
  }
  void Choose(int listId, int index) {
    SendMessageW(editor().Item(listId), CB_SETCURSEL, index, 0);
    Command(listId, CBN_SELCHANGE);
  }
  void SetField(int id, const wchar_t* text) { SetWindowTextW(editor().Item(id), text); }
  bool Shown(int id) { return (GetWindowLongPtrW(editor().Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
  std::wstring FieldText(int id) {
    wchar_t text[260] = {};
    GetWindowTextW(editor().Item(id), text, 260);
    return text;
  }
  // Types keys into the editor as the user would: it has the keyboard focus.
  void TypeIntoEditor(const std::vector<std::pair<WORD, bool>>& keys) {
    SetForegroundWindow(editor().hwnd());
    SetFocus(editor().hwnd());
    for (const auto& [key, release] : keys) Type(key, release);
  }
  // Pumps the thread's messages as the program's loop does, the editor's
  // keyboard handling first.
  void PumpAsTheLoopDoes() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (Dialog::TranslateModelessMessage(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  std::vector<std::uint8_t> ProfileBytes() {
    const auto* area = reinterpret_cast<const std::uint8_t*>(Working().block->area.data());
    std::vector<std::uint8_t> bytes(area, area + kAssignmentAreaBytes);
    for (const MacroRecord& record : Working().macros.records) {
      const auto* macro = reinterpret_cast<const std::uint8_t*>(&record);
      bytes.insert(bytes.end(), macro, macro + sizeof record);
    }
    return bytes;
  }
};

// Every text of the editor comes from the language file, each time it opens:
// the language the user switched to last is the one it speaks.
TEST_F(KeyEditorTest, SpeaksTheChosenLanguageAndFollowsALanguageSwitch) {
  // A copy of the shipped language file, which the switches write to.
  const std::wstring folder = MakeScratchFolder(L"editor-language");
  const std::wstring file = folder + L"language.ini";
  ASSERT_TRUE(CopyFileW((BuiltProgramFolder() + L"Skins\\language.ini").c_str(), file.c_str(), FALSE));
  const AppPaths shipped = Paths();
  AppPaths paths = shipped;
  paths.languageFile = FromWide(file);
  SetPaths(paths);

  struct Texts {
    int command;
    const char16_t *caption, *singleKey, *macro, *heading, *ok, *cancel, *cycles, *recordDelay, *record, *clear;
  };
  const Texts english = {ID_LANGUAGE_ENGLISH, u"Key settings", u"Single Key", u"Macro",
                         u"Choose the key this key sends.", u"OK", u"Cancel", u"Cycles", u"Record Delay", u"Record",
                         u"Restore the default function of the key"};
  const Texts chinese = {ID_LANGUAGE_CHINESE, u"\x6309\x952E\x8BBE\x7F6E", u"\x5355\x952E", u"\x5B8F",
                         u"\x9009\x62E9\x8FD9\x4E2A\x6309\x952E\x8981\x53D1\x9001\x7684\x6309\x952E\x3002",
                         u"\x786E\x5B9A", u"\x53D6\x6D88", u"\x5FAA\x73AF\x6B21\x6570", u"\x5F55\x5236\x5EF6\x65F6",
                         u"\x5F55\x5236", u"\x6062\x590D\x6309\x952E\x7684\x9ED8\x8BA4\x529F\x80FD"};
  const auto textOf = [&](HWND window) {
    wchar_t text[260] = {};
    GetWindowTextW(window, text, 260);
    return FromWide(text);
  };
  for (const Texts* expected : {&chinese, &english, &chinese}) {
    SendMessageW(window_->hwnd(), WM_COMMAND, expected->command, 0);
    Open(KeyButtonOfSlot(kKeyA));
    const char* language = expected == &english ? "English" : "Chinese";
    EXPECT_EQ(textOf(editor().hwnd()), expected->caption) << language;
    EXPECT_EQ(textOf(editor().Item(IDC_PAGE_SINGLE_KEY)), expected->singleKey) << language;
    EXPECT_EQ(textOf(editor().Item(IDC_PAGE_MACRO)), expected->macro) << language;
    EXPECT_EQ(textOf(editor().Item(IDC_EDITOR_MASK)), expected->singleKey) << language << ": the page shown";
    EXPECT_EQ(textOf(editor().Item(IDC_EDITOR_HEADING)), expected->heading) << language;
    EXPECT_EQ(textOf(editor().Item(IDOK)), expected->ok) << language;
    EXPECT_EQ(textOf(editor().Item(IDCANCEL)), expected->cancel) << language;
    EXPECT_EQ(textOf(editor().Item(IDC_CYCLES_LABEL)), expected->cycles) << language;
    EXPECT_EQ(textOf(editor().Item(IDC_RECORD_DELAY_LABEL)), expected->recordDelay) << language;
    EXPECT_EQ(textOf(editor().Item(IDC_ACTION_RECORD)), expected->record) << language;
    EXPECT_EQ(editor().ClearButton().TooltipText(), expected->clear) << language;
    Command(IDCANCEL);
    EXPECT_FALSE(editor().IsOpen());
  }

  SetPaths(shipped);
  SetCurrentLanguageChoice(0);
  ResetTexts();
  RemoveTree(folder);
}

TEST_F(KeyEditorTest, OpensOnThePageOfTheKeysAssignmentAndApplyStoresItAgain) {
  GiveMacros(2);
  const struct {
    KeyAssignment assignment;
    EditorPage page;
    int list;       // the list whose selection shows the param, 0 none
    int selection;
  } cases[] = {
      {{AssignmentType::Media, 0, 7, 0, 0}, EditorPage::kMedia, IDC_MEDIA_LIST, 7},  // mute
      {{AssignmentType::Function, 0, 4, 1, 0}, EditorPage::kFunction, IDC_FUNCTION_LIST, 4},
      {{AssignmentType::Macro, 1, 2, 0, 0}, EditorPage::kMacro, IDC_MACRO_LIST, 1},  // gkey: the macro's cycles
      {{AssignmentType::Key, 0, 0x030, 0, 0}, EditorPage::kSingleKey, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.assignment.type));
    Assign(kKeyA, c.assignment);
    Open(KeyButtonOfSlot(kKeyA));
    EXPECT_EQ(editor().ShownPage(), c.page);
    // The macro's cycles, field and word, only on its page.
    for (int id : {IDC_MACRO_CYCLES, IDC_CYCLES_LABEL})
      EXPECT_EQ(IsWindowVisible(editor().Item(id)) != FALSE, c.page == EditorPage::kMacro) << id;
    if (c.list) {
      EXPECT_EQ(SendMessageW(editor().Item(c.list), CB_GETCURSEL, 0, 0), c.selection);
    } else {
      EXPECT_EQ(FieldText(IDC_SINGLE_KEY_FIELD), L"B");
    }
    SetForegroundWindow(editor().hwnd());
    PumpAsTheLoopDoes();
    EXPECT_FALSE(IsWindowEnabled(editor().Item(IDC_EDITOR_APPLY)));  // nothing changed yet
    Command(IDC_EDITOR_APPLY);
    EXPECT_EQ(Entry(kKeyA), c.assignment);
    EXPECT_TRUE(window_->PendingChanges());
    Command(IDCANCEL);
    EXPECT_FALSE(editor().IsOpen());
  }
}

TEST_F(KeyEditorTest, MacroAssignmentsFollowTheMacroList) {
  // No macros: the macro page stores Default.
  Open(KeyButtonOfSlot(kKeyA));
  Command(IDC_PAGE_MACRO);
  EXPECT_EQ(editor().ShownPage(), EditorPage::kMacro);
  EXPECT_TRUE(Shown(IDC_ACTION_LIST));
  EXPECT_FALSE(Shown(IDC_SINGLE_KEY_FIELD));
  Command(IDOK);
  EXPECT_FALSE(editor().IsOpen());
  EXPECT_EQ(Entry(kKeyA).type, AssignmentType::Default);

  // Macros, but the key played none: none is selected and the key plays
  // macro 0, which the next Apply of the macro list turns into the first.
  GiveMacros(2);
  Assign(kKeyA, {AssignmentType::Media, 0, 3, 0, 0});
  Open(KeyButtonOfSlot(kKeyA));
  Command(IDC_PAGE_MACRO);
  EXPECT_EQ(editor().Page().selected, -1);
  Command(IDOK);
  EXPECT_EQ(Entry(kKeyA).type, AssignmentType::Macro);
  EXPECT_EQ(Entry(kKeyA).param, 0u);
  Open(KeyButtonOfSlot(kKeyS));
  Command(IDOK);
  EXPECT_EQ(Entry(kKeyA).param, 1u);

  // G1 plays the second macro three times: the cycles go to the macro and to
  // the entry's gkey.
  Open(kExtraKeyIds[0]);
  Command(IDC_PAGE_MACRO);
  Choose(IDC_MACRO_LIST, 1);
  SetField(IDC_MACRO_CYCLES, L"3");
  Command(IDOK);
  const KeyAssignment g1 = Entry(256);
  EXPECT_EQ(g1.type, AssignmentType::Macro);
  EXPECT_EQ(g1.param, 2u);
  EXPECT_EQ(g1.gkey, 3u);
  EXPECT_EQ(Working().macros.records[1].cycles, 3);
  EXPECT_TRUE(window_->keyGrid().ExtraKey(0).IsChecked());
}

TEST_F(KeyEditorTest, TheMacroButtonEditsOnlyMacros) {
  GiveMacros(1);
  Open(IDC_FUNC_MACRO);
  EXPECT_TRUE(editor().State().macroRole);
  EXPECT_EQ(editor().ShownPage(), EditorPage::kMacro);
  for (int id : {IDC_PAGE_SINGLE_KEY, IDC_PAGE_MEDIA, IDC_PAGE_FUNCTION, IDC_EDITOR_CLEAR})
    EXPECT_FALSE(IsWindowEnabled(editor().Item(id))) << id;
  EXPECT_FALSE(Shown(IDC_SINGLE_KEY_LABEL));
  // Titled by the button and the key it plays on; the pages it does not
  // offer keep their captions.
  EXPECT_EQ(FieldText(IDC_EDITOR_TITLE), Wide(Text(TextKey::PROFILE_MACRO)) + L" (G9)");
  EXPECT_EQ(FieldText(IDC_PAGE_MEDIA), Wide(Text(TextKey::MULTI_MEDIA)));
  Command(IDC_PAGE_SINGLE_KEY);
  Command(IDC_EDITOR_CLEAR);
  EXPECT_EQ(editor().ShownPage(), EditorPage::kMacro);
  EXPECT_EQ(editor().State().type, AssignmentType::Macro);
  Command(IDOK);
  EXPECT_EQ(Entry(264).type, AssignmentType::Macro);
  EXPECT_EQ(Entry(264).param, 1u);
}

TEST_F(KeyEditorTest, OpensBelowRightOfItsKeyOrAboveLeftNearTheScreensBottomRight) {
  const int key = KeyButtonOfSlot(kKeyA);
  SetWindowPos(window_->hwnd(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT button{}, placed{};
  GetWindowRect(window_->Item(key), &button);
  Open(key);
  GetWindowRect(editor().hwnd(), &placed);
  EXPECT_EQ(placed.left, button.right);
  EXPECT_EQ(placed.top, button.bottom);
  Command(IDCANCEL);

  // The key's button near the screen's bottom-right corner.
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  RECT frame{};
  GetWindowRect(window_->hwnd(), &frame);
  SetWindowPos(window_->hwnd(), nullptr, screenWidth - (button.right - frame.left) - 5,
               screenHeight - (button.bottom - frame.top) - 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(window_->Item(key), &button);
  Open(key);
  GetWindowRect(editor().hwnd(), &placed);
  EXPECT_EQ(placed.right, button.left);
  EXPECT_EQ(placed.bottom, button.top);
}

TEST_F(KeyEditorTest, EnterAndEscapeNeitherConfirmNorCancel) {
  Open(KeyButtonOfSlot(kKeyA));
  Choose(IDC_MEDIA_LIST, 2);  // a change, not applied
  Command(IDC_PAGE_MEDIA);
  for (WORD key : {VK_RETURN, VK_ESCAPE}) {
    HWND focus = editor().Item(IDC_MEDIA_LIST);
    SetFocus(focus);
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    PumpAsTheLoopDoes();
    EXPECT_TRUE(editor().IsOpen());
  }
  EXPECT_EQ(Entry(kKeyA).type, AssignmentType::Default);
  EXPECT_TRUE(IsWindowEnabled(editor().Item(IDC_EDITOR_APPLY)));
}

TEST_F(KeyEditorTest, CancelLeavesTheProfileAsItWas) {
  GiveMacros(3);
  Assign(kKeyS, {AssignmentType::Macro, 1, 2, 0, 0});
  window_->SetPendingChanges(false);
  const std::vector<std::uint8_t> before = ProfileBytes();

  Open(KeyButtonOfSlot(kKeyA));
  Command(IDC_PAGE_MACRO);
  Command(IDC_MACRO_ADD);
  SetField(IDC_MACRO_LIST, L"Renamed");
  Command(IDC_MACRO_LIST, CBN_EDITCHANGE);
  Choose(IDC_MACRO_LIST, 1);
  {
    MessageBoxAnswerer yes(Wide(Text(TextKey::MACRO_DELETE_CONFIRM_OF_KEYS)), IDYES);
    Command(IDC_MACRO_DELETE);
    EXPECT_EQ(yes.seen, 1);
  }
  SetField(IDC_MACRO_CYCLES, L"9");
  Command(IDC_PAGE_MEDIA);
  Choose(IDC_MEDIA_LIST, 5);
  Command(IDCANCEL);

  EXPECT_FALSE(editor().IsOpen());
  EXPECT_EQ(ProfileBytes(), before);
  EXPECT_FALSE(window_->PendingChanges());
}

TEST_F(KeyEditorTest, DeletingAMacroThatKeysPlayAsksFirstAndApplyClearsThoseKeys) {
  GiveMacros(2);
  Assign(kKeyS, {AssignmentType::Macro, 1, 2, 0, 0});
  Open(KeyButtonOfSlot(kKeyA));
  Command(IDC_PAGE_MACRO);
  Choose(IDC_MACRO_LIST, 1);
  {
    MessageBoxAnswerer no(Wide(Text(TextKey::MACRO_DELETE_CONFIRM_OF_KEYS)), IDNO);
    Command(IDC_MACRO_DELETE);
    EXPECT_EQ(no.seen, 1);
  }
  EXPECT_EQ(editor().Page().macros.size(), 2u);
  {
    MessageBoxAnswerer yes(Wide(Text(TextKey::MACRO_DELETE_CONFIRM_OF_KEYS)), IDYES);
    Command(IDC_MACRO_DELETE);
  }
  ASSERT_EQ(editor().Page().macros.size(), 1u);
  // A new macro takes the free id 2: the old references must not follow it.
  Command(IDC_MACRO_ADD);
  EXPECT_EQ(SendMessageW(editor().Item(IDC_MACRO_LIST), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(editor().Page().macros[1].id, 2);
  Command(IDOK);
  EXPECT_EQ(Entry(kKeyS).type, AssignmentType::Default);
  EXPECT_FALSE(window_->keyGrid().KeyButton(KeyIndexOfSlot(kKeyS)).IsChecked());
  EXPECT_EQ(Working().macros.records.size(), 2u);
}

TEST_F(KeyEditorTest, TheSingleKeyPageTakesTheNextKeyPressed) {
  Open(KeyButtonOfSlot(kKeyA));
  EXPECT_EQ(editor().ShownPage(), EditorPage::kSingleKey);
  TypeIntoEditor({{'B', false}, {'B', true}});
  ASSERT_TRUE(WaitUntil([&] { return FieldText(IDC_SINGLE_KEY_FIELD) == L"B"; }, 5000));
  EXPECT_TRUE(IsWindowEnabled(editor().Item(IDC_EDITOR_APPLY)));
  Command(IDC_EDITOR_APPLY);
  EXPECT_EQ(Entry(kKeyA), (KeyAssignment{AssignmentType::Key, 0, 0x030, 0, 0}));

  // The edited key itself gives the key its default back.
  TypeIntoEditor({{'A', false}, {'A', true}});
  ASSERT_TRUE(WaitUntil([&] { return FieldText(IDC_SINGLE_KEY_FIELD) == L"A"; }, 5000));
  Command(IDC_EDITOR_APPLY);
  EXPECT_EQ(Entry(kKeyA).type, AssignmentType::Default);

  // Clear empties the field.
  TypeIntoEditor({{VK_SHIFT, false}, {VK_SHIFT, true}});
  ASSERT_TRUE(WaitUntil([&] { return editor().State().capturedKey == 0x02A; }, 5000));
  Command(IDC_EDITOR_CLEAR);
  EXPECT_EQ(FieldText(IDC_SINGLE_KEY_FIELD), L"");
  EXPECT_EQ(editor().State().type, AssignmentType::Default);
}

TEST_F(KeyEditorTest, ARecordingInsertsAfterTheSelectedRowWithTheFixedDelayWhenTheOptionIsOff) {
  Open(KeyButtonOfSlot(kKeyA));
  Command(IDC_PAGE_MACRO);
  Command(IDC_MACRO_ADD);
  Command(IDC_RECORD_DELAY);  // on (the fixture's) to off, stored at once
  EXPECT_EQ(ReadFlagSetting(kRecordDelayValue), 0);
  EXPECT_EQ(SendMessageW(editor().Item(IDC_RECORD_DELAY), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  Command(IDC_ACTION_RECORD);
  TypeIntoEditor({{'X', false}, {'X', true}});
  ASSERT_TRUE(WaitUntil([&] { return editor().Page().rows.size() == 2; }, 5000));
  Command(IDC_ACTION_RECORD);
  editor().ActionList().Select(0);
  Command(IDC_ACTION_RECORD);
  TypeIntoEditor({{'C', false}, {'C', true}});
  ASSERT_TRUE(WaitUntil([&] { return editor().Page().rows.size() == 4; }, 5000));
  Command(IDC_ACTION_RECORD);

  const std::vector<MacroAction> expected = {
      {50, 0x2D, kMacroPress}, {50, 0x2E, kMacroPress}, {50, 0x2E, kMacroRelease}, {0, 0x2D, kMacroRelease}};
  EXPECT_EQ(editor().Page().rows, expected);
  EXPECT_EQ(editor().ActionList().CellText(1, 2), u"50");
  EXPECT_EQ(editor().ActionList().SelectedRow(), 2);
}

TEST_F(KeyEditorTest, TypedDelaysAndCyclesAreKeptToWhatTheKeyboardPlays) {
  GiveMacros(1);
  Assign(kKeyA, {AssignmentType::Macro, 1, 1, 0, 0});
  Open(KeyButtonOfSlot(kKeyA));
  CActionList& actions = editor().ActionList();
  const struct {
    const wchar_t* typed;
    std::uint32_t kept;
    bool message;
  } delays[] = {{L"12345", 12340, false}, {L"50000", 40000, true}};
  for (const auto& d : delays) {
    MessageBoxAnswerer box(Wide(FormatText(Text(TextKey::MACRO_ACTION_ERR_DELAY_MAX), 40000)));
    ASSERT_TRUE(actions.EditCell(0, CActionList::Column::kDelay));
    SetWindowTextW(actions.CellEditor(), d.typed);
    actions.ConfirmCellEdit();
    EXPECT_EQ(editor().Page().rows[0].delayMs, d.kept);
    EXPECT_EQ(actions.CellText(0, 2), FromWide(std::to_wstring(d.kept)));
    EXPECT_EQ(box.seen, d.message ? 1 : 0);
  }
  for (const auto& [typed, shown] : {std::pair{L"0", L"1"}, std::pair{L"300", L"255"}}) {
    SetField(IDC_MACRO_CYCLES, typed);
    EXPECT_EQ(FieldText(IDC_MACRO_CYCLES), shown);
  }
  EXPECT_TRUE(IsWindowEnabled(editor().Item(IDC_EDITOR_APPLY)));
  Command(IDOK);
  EXPECT_EQ(Working().macros.records[0].actions[0].delayMs, 40000u);
  EXPECT_EQ(Working().macros.records[0].cycles, 255);
  EXPECT_EQ(Entry(kKeyA).gkey, 255);
}

// A delay typed into its cell says at once what the keyboard will play,
// before it is confirmed; a number the keyboard plays as typed says nothing.
TEST_F(KeyEditorTest, ATypedDelayShowsWhatTheKeyboardWillPlayAsItIsTyped) {
  GiveMacros(1);
  Assign(kKeyA, {AssignmentType::Macro, 1, 1, 0, 0});
  Open(KeyButtonOfSlot(kKeyA));
  CActionList& actions = editor().ActionList();
  ASSERT_TRUE(actions.EditCell(0, CActionList::Column::kDelay));
  ASSERT_TRUE(actions.DelayHintWindow());
  const auto hint = [&] {
    HWND line = actions.DelayHintWindow();
    wchar_t text[64] = {};
    GetWindowTextW(line, text, 64);
    const std::wstring shown = IsWindowVisible(line) ? text : L"";
    const std::size_t first = shown.find_first_not_of(L' ');  // the line keeps off its border
    return first == std::wstring::npos ? std::wstring() : shown.substr(first);
  };
  EXPECT_EQ(hint(), L"");  // the row's own delay, 30
  SetForegroundWindow(editor().hwnd());
  SetFocus(actions.CellEditor());
  SendMessageW(actions.CellEditor(), EM_SETSEL, 0, -1);
  for (WORD key : {'3', '7'}) {
    Type(key, false);
    Type(key, true);
  }
  const std::wstring plays = Wide(FormatText(Text(TextKey::MACRO_DELAY_PLAYS), 30));
  ASSERT_TRUE(WaitUntil([&] { return hint() == plays; }, 5000)) << hint();
  SetWindowTextW(actions.CellEditor(), L"40");
  EXPECT_EQ(hint(), L"");
  SetWindowTextW(actions.CellEditor(), L"37");
  actions.ConfirmCellEdit();
  EXPECT_FALSE(actions.DelayHintWindow());
  EXPECT_EQ(editor().Page().rows[0].delayMs, 30u);
  EXPECT_EQ(actions.CellText(0, 2), u"30");
}

// Typed as the user types, through the program's loop: the first letter
// typed into an empty macro list makes the macro, and the letters after it
// follow it; Ctrl+A then selects the whole name, which the next key replaces.
TEST_F(KeyEditorTest, ANameTypedIntoAnEmptyMacroListKeepsEveryLetter) {
  Open(KeyButtonOfSlot(kKeyA));
  Command(IDC_PAGE_MACRO);
  ASSERT_TRUE(editor().Page().macros.empty());
  COMBOBOXINFO combo{};
  combo.cbSize = sizeof combo;
  ASSERT_TRUE(GetComboBoxInfo(editor().Item(IDC_MACRO_LIST), &combo));
  SetForegroundWindow(editor().hwnd());
  SetFocus(combo.hwndItem);
  const auto typeKeys = [&](const std::vector<std::pair<WORD, bool>>& keys) {
    for (const auto& [key, release] : keys) Type(key, release);
  };
  typeKeys({{VK_SHIFT, false}, {'J', false}, {'J', true}, {VK_SHIFT, true}});
  for (WORD key : {'U', 'M', 'P'}) typeKeys({{key, false}, {key, true}});
  const auto typedName = [&](const wchar_t* name) {
    return WaitUntil([&] {
      PumpAsTheLoopDoes();
      return FieldText(IDC_MACRO_LIST) == name;
    }, 5000);
  };
  ASSERT_TRUE(typedName(L"Jump")) << FieldText(IDC_MACRO_LIST);
  ASSERT_EQ(editor().Page().macros.size(), 1u);
  EXPECT_EQ(MacroName(editor().Page().macros[0]), u"Jump");

  typeKeys({{VK_CONTROL, false}, {'A', false}, {'A', true}, {VK_CONTROL, true}, {'K', false}, {'K', true}});
  ASSERT_TRUE(typedName(L"k")) << FieldText(IDC_MACRO_LIST);
  Command(IDOK);
  ASSERT_EQ(Working().macros.records.size(), 1u);
  EXPECT_EQ(MacroName(Working().macros.records[0]), u"k");
}

// Each glyph button of the macro page says what it does when the mouse
// rests on it, enabled or not: its tooltip is made and shown.
TEST_F(KeyEditorTest, TheMacroPagesGlyphButtonsShowTheirTooltips) {
  GiveMacros(1);
  Open(KeyButtonOfSlot(kKeyA));
  Command(IDC_PAGE_MACRO);
  SetForegroundWindow(editor().hwnd());
  // The text of the tooltip shown once the mouse rests on the button.
  const auto tooltipOver = [&](int id, const std::wstring& expected) {
    RECT r{};
    GetWindowRect(editor().Item(id), &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    std::wstring shown;
    WaitUntil([&] {
      PumpAsTheLoopDoes();
      shown = ShownTooltipText();
      return shown == expected;
    }, 5000);
    return shown;
  };
  const struct {
    int id;
    TextKey text;
  } buttons[] = {{IDC_MACRO_ADD, TextKey::MACRO_ADD_PROMPT},  {IDC_MACRO_DELETE, TextKey::MACRO_DELETE_PROMPT},
                 {IDC_ACTION_RECORD, TextKey::A_RECORD},      {IDC_ACTION_DELETE, TextKey::A_DELETE},
                 {IDC_ACTION_CLEAR, TextKey::A_CLEAR},        {IDC_ACTION_TOP, TextKey::A_TOP},
                 {IDC_ACTION_UP, TextKey::A_UP},              {IDC_ACTION_DOWN, TextKey::A_DOWN},
                 {IDC_ACTION_BOTTOM, TextKey::A_BOTTOM}};
  for (const auto& button : buttons) {
    SCOPED_TRACE(button.id);
    ASSERT_TRUE(IsWindowVisible(editor().Item(button.id)) && IsWindowEnabled(editor().Item(button.id)));
    EXPECT_EQ(tooltipOver(button.id, Wide(Text(button.text))), Wide(Text(button.text)));
  }
  // No macro left: the action buttons are disabled and still say what they do.
  Command(IDC_MACRO_DELETE);
  ASSERT_FALSE(IsWindowEnabled(editor().Item(IDC_ACTION_TOP)));
  for (const auto& [id, text] :
       {std::pair{IDC_ACTION_TOP, TextKey::A_TOP}, std::pair{IDC_ACTION_RECORD, TextKey::A_RECORD}})
    EXPECT_EQ(tooltipOver(id, Wide(Text(text))), Wide(Text(text))) << id;
}

// The editor as the program runs it: modal over the main window, which
// waits for it to close; the keyboard pulled out closes it like Cancel.
TEST_F(KeyEditorTest, TheModalEditorHoldsUpProfileSwitchesAndClosesWhenTheKeyboardLeaves) {
  static std::remove_pointer_t<decltype(this)>* test;
  static bool sawItOpen;
  test = this;
  sawItOpen = false;
  // Runs inside the editor's own message loop.
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    if (!test->editor().IsOpen()) return;
    KillTimer(nullptr, timer);
    sawItOpen = test->window_->KeyEditorOpen() && IsWindowVisible(test->editor().hwnd());
    test->keyboard_.Control("unplug");
  });
  SendMessageW(window_->hwnd(), WM_COMMAND, MAKEWPARAM(KeyButtonOfSlot(kKeyA), BN_CLICKED), 0);
  EXPECT_TRUE(sawItOpen);
  EXPECT_FALSE(editor().IsOpen());
  EXPECT_FALSE(window_->KeyEditorOpen());
  EXPECT_EQ(Entry(kKeyA).type, AssignmentType::Default);
}

TEST_F(KeyEditorTest, AnEditedKeyAndARecordedMacroReachTheKeyboardThroughApply) {
  // A sends B.
  Open(KeyButtonOfSlot(kKeyA));
  TypeIntoEditor({{'B', false}, {'B', true}});
  ASSERT_TRUE(WaitUntil([&] { return FieldText(IDC_SINGLE_KEY_FIELD) == L"B"; }, 5000));
  Command(IDOK);

  // S plays a new macro, recorded from the keyboard.
  Open(KeyButtonOfSlot(kKeyS));
  Command(IDC_PAGE_MACRO);
  Command(IDC_MACRO_ADD);
  Command(IDC_ACTION_RECORD);
  EXPECT_FALSE(IsWindowEnabled(editor().Item(IDC_MACRO_ADD)));
  TypeIntoEditor({{'X', false}, {'X', true}, {'C', false}, {'C', true}});
  ASSERT_TRUE(WaitUntil([&] { return editor().Page().rows.size() == 4; }, 5000));
  Command(IDC_ACTION_RECORD);
  EXPECT_TRUE(IsWindowEnabled(editor().Item(IDC_MACRO_ADD)));
  EXPECT_EQ(editor().ActionList().RowCount(), 4);
  Command(IDOK);
  ASSERT_EQ(Working().macros.records.size(), 1u);
  EXPECT_EQ(Working().macros.records[0].actionCount, 4);
  EXPECT_EQ(Entry(kKeyS).type, AssignmentType::Macro);
  EXPECT_EQ(Entry(kKeyS).param, Working().macros.records[0].id);

  // The main window's Apply sends the profile.
  ASSERT_TRUE(window_->PendingChanges());
  PostMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
  ASSERT_TRUE(WaitUntil([&] { return !window_->PendingChanges() && !window_->KeyboardBusy(); }, 15000));
  EXPECT_TRUE(HoldsExpected(KeyboardHolds(keyboard_, 0), ExpectedOnKeyboard(window_->session(), 0)));
  WorkingProfile saved;
  ASSERT_TRUE(LoadProfileFile(saved, ProfileFilePath(0)));
  EXPECT_EQ(std::memcmp(saved.block->area.data(), Working().block->area.data(), kAssignmentAreaBytes), 0);
  ASSERT_EQ(saved.macros.records.size(), 1u);
  EXPECT_EQ(std::memcmp(&saved.macros.records[0], &Working().macros.records[0], sizeof(MacroRecord)), 0);
}

}  // namespace
