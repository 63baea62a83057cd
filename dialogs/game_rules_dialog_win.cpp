#include "dialogs/game_rules_dialog_win.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "controls/field_colours_win.h"
#include "controls/skin_place_win.h"
#include "keyboard/key_assignment.h"
#include "localisation/text_slots.h"
#include "resources/resource_ids.h"
#include "skin/skin_picture_win.h"

namespace {

std::u16string ProfileText(int profile) { return FormatText(Text(TextKey::GAMES_PROFILE), profile + 1); }

std::optional<std::u16string> BrowseForProgram(HWND owner, FileDialogKind) {
  const std::wstring filter = Wide(Text(TextKey::GAMES_FILE_FILTER)) + L'\0' + L"*.exe" + L'\0';
  return ChooseFile(owner, {FileDialogKind::kOpen, filter.c_str(), L"exe", L"", {}});
}

// Where the controls beside the skin's go, in the profile manager's skin:
// its list keeps the top, the rows below it take the rest of its place.
constexpr int kLeft = 20, kWidth = 420, kListTop = 56, kListHeight = 88;
constexpr int kRowHeight = 22, kBox = 16;
// The bottom line of the list's frame in the skin's picture.
constexpr int kFrameBottom = 253;

}  // namespace

std::optional<std::u16string> PickRunningProgram(HWND owner, const std::vector<ProgramWindow>& windows) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return std::nullopt;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const ProgramWindow& w = windows[i];
    const std::u16string name = w.program.imagePath.empty() ? std::u16string(u"?")
                                                            : std::u16string(ProgramFileName(w.program.imagePath));
    const std::u16string item = w.title.substr(0, 60) + u"\t" + name;
    AppendMenuW(menu, MF_STRING | (w.program.imagePath.empty() ? MF_GRAYED : 0), i + 1, Wide(item).c_str());
  }
  POINT at{};
  GetCursorPos(&at);
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
  DestroyMenu(menu);
  if (chosen <= 0 || chosen > static_cast<int>(windows.size())) return std::nullopt;
  return windows[chosen - 1].program.imagePath;
}

COstrak_DlgGames::COstrak_DlgGames(Host host)
    : CBaseDialog(IDD_GAME_RULES, Paths().profileSkinFile, Paths().profileSkinFolder),
      host_(std::move(host)),
      choose_(BrowseForProgram),
      pickRunning_(PickRunningProgram),
      listWindows_(ProgramWindows) {}

COstrak_DlgGames::~COstrak_DlgGames() {
  if (hwnd()) DestroyWindow(hwnd());
}

void COstrak_DlgGames::BindControls() {
  Bind(list_, IDC_GAMES_LIST);
  Bind(profile_, IDC_GAMES_PROFILE);
  Bind(noMatch_, IDC_GAMES_NO_MATCH);
  Bind(enabled_, IDC_GAMES_ENABLED);
  Bind(notices_, IDC_GAMES_NOTICES);
  Bind(title_, IDC_DIALOG_TITLE);
  Bind(enabledLabel_, IDC_GAMES_ENABLED_LABEL);
  Bind(noMatchLabel_, IDC_GAMES_NO_MATCH_LABEL);
  Bind(noticesLabel_, IDC_GAMES_NOTICES_LABEL);
  Bind(hint_, IDC_GAMES_HINT);
  Bind(add_, IDC_GAMES_ADD);
  Bind(browse_, IDC_GAMES_BROWSE);
  Bind(remove_, IDC_GAMES_REMOVE);
  Bind(ok_, IDOK);
  Bind(cancel_, IDCANCEL);
  Bind(apply_, IDC_GAMES_APPLY);
}

BOOL COstrak_DlgGames::OnInitDialog() {
  CBaseDialog::OnInitDialog();
  settings_ = host_.load ? host_.load() : GameRuleSettings{};
  PlaceControls();
  SetTexts();
  filling_ = true;
  list_.AddColumn(std::u16string(Text(TextKey::GAMES_COLUMN_PROGRAM)), 320);
  list_.AddColumn(std::u16string(Text(TextKey::GAMES_COLUMN_PROFILE)), 96);
  FillList(settings_.rules.empty() ? -1 : 0);
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile) profile_.AddItem(ProfileText(profile));
  noMatch_.AddItem(std::u16string(Text(TextKey::GAMES_BACK)));
  noMatch_.AddItem(std::u16string(Text(TextKey::GAMES_LEAVE)));
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    noMatch_.AddItem(std::u16string(Text(TextKey::GAMES_CHOSEN)) + u" " + ProfileText(profile));
  noMatch_.Select(settings_.noMatch == NoMatch::kBackToBefore ? 0
                  : settings_.noMatch == NoMatch::kLeave      ? 1
                                                              : 2 + settings_.noMatchProfile);
  SendMessageW(enabled_.hwnd(), BM_SETCHECK, settings_.enabled ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(notices_.hwnd(), BM_SETCHECK, settings_.notices ? BST_CHECKED : BST_UNCHECKED, 0);
  ShowSelectedProfile();
  filling_ = false;
  SetPending(false);
  return TRUE;
}

void COstrak_DlgGames::PlaceControls() {
  WindowPictureSet& pictures = SharedPicturesOf(SkinWindow::kProfile);
  pictures.LoadOnce(Paths().programFolder, PictureNamesOf(SkinWindow::kProfile), Size().width + 100,
                    Size().height + 100);
  SkinTargets targets;
  targets.buttons = {{u"CONTROL_OK", &ok_},       {u"CONTROL_CANCEL", &cancel_}, {u"FUNC_ADD", &add_},
                     {u"FUNC_LOAD", &browse_},    {u"FUNC_DELETE", &remove_},    {u"CONTROL2_APPLY", &apply_}};
  targets.others = {{u"PROGRAM_LIST", list_.hwnd()}};
  PlaceSkinControls(SkinWindow::kProfile, SkinFile(), targets, [&pictures](const SkinKey&) {
    return StatePictures{pictures[0], pictures[1], pictures[2], pictures[3]};
  });
  // The list takes the top of its place; the choices go below it.
  MoveWindow(list_.hwnd(), kLeft, kListTop, kWidth, kListHeight, TRUE);
  ColourListView(list_.hwnd());
  // A list of rules, not of choices: no check boxes.
  ListView_SetExtendedListViewStyleEx(list_.hwnd(), LVS_EX_CHECKBOXES, 0);
  int y = kListTop + kListHeight + 4;
  MoveWindow(profile_.hwnd(), kLeft, y, 130, 120, TRUE);
  MoveWindow(enabled_.hwnd(), kLeft + 150, y + (kRowHeight - kBox) / 2, kBox, kBox, TRUE);
  MoveWindow(enabledLabel_.hwnd(), kLeft + 150 + kBox + 6, y, kWidth - 150 - kBox - 6, kRowHeight, TRUE);
  y += kRowHeight + 2;
  MoveWindow(noMatchLabel_.hwnd(), kLeft, y, 190, kRowHeight, TRUE);
  MoveWindow(noMatch_.hwnd(), kLeft + 192, y, kWidth - 192, 140, TRUE);
  y += kRowHeight + 2;
  MoveWindow(notices_.hwnd(), kLeft, y + (kRowHeight - kBox) / 2, kBox, kBox, TRUE);
  MoveWindow(noticesLabel_.hwnd(), kLeft + kBox + 6, y, kWidth - kBox - 6, kRowHeight, TRUE);
  y += kRowHeight + 2;
  MoveWindow(hint_.hwnd(), kLeft, y, kWidth, kFrameBottom - y - 1, TRUE);
  for (CColourStatic* label : {&enabledLabel_, &noMatchLabel_, &noticesLabel_, &hint_})
    label->SetBackground(Background().bitmap());
  enabledLabel_.SetStyle(RGB(0xE4, 0xE4, 0xE4), 9);
  noMatchLabel_.SetStyle(RGB(0xE4, 0xE4, 0xE4), 9);
  noticesLabel_.SetStyle(RGB(0xE4, 0xE4, 0xE4), 9);
  hint_.SetStyle(RGB(0xB8, 0xC0, 0xCC), 8, u"Tahoma", DT_WORDBREAK | DT_LEFT | DT_TOP);
}

void COstrak_DlgGames::SetTexts() {
  SetWindowTextW(hwnd(), Wide(Text(TextKey::GAMES_CAPTION)).c_str());
  PlaceFrameTitle(title_, Background().bitmap(), Size().width, Text(TextKey::GAMES_CAPTION));
  const std::pair<CPngButton*, TextKey> captions[] = {
      {&add_, TextKey::GAMES_ADD_RUNNING}, {&browse_, TextKey::GAMES_BROWSE},  {&remove_, TextKey::GAMES_REMOVE},
      {&ok_, TextKey::PROFILE_OK},         {&cancel_, TextKey::PROFILE_CANCLE}, {&apply_, TextKey::PROFILE_APPLY}};
  for (const auto& [button, key] : captions) {
    button->SetTextStyle(true, 9, u"Tahoma", RGB(0xFF, 0xFF, 0xFF), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    button->SetText(Text(key));
  }
  enabledLabel_.SetText(Text(TextKey::GAMES_ENABLED));
  noMatchLabel_.SetText(Text(TextKey::GAMES_NO_MATCH));
  noticesLabel_.SetText(Text(TextKey::GAMES_NOTICES));
  std::u16string hint(Text(TextKey::GAMES_HINT));
  // What users trip on: a game that runs as administrator is not seen.
  if (host_.unseenWindow)
    if (const std::u16string unseen = host_.unseenWindow(); !unseen.empty())
      hint = std::u16string(Text(TextKey::GAMES_NOT_SEEN)) + u" (" + unseen + u")\n" + hint;
  hint_.SetText(hint);
}

void COstrak_DlgGames::FillList(int selected) {
  const bool wasFilling = std::exchange(filling_, true);
  list_.Clear();
  for (const GameRule& rule : settings_.rules) list_.AddRow({rule.program, ProfileText(rule.profile)});
  if (selected >= 0 && selected < list_.RowCount())
    ListView_SetItemState(list_.hwnd(), selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  filling_ = wasFilling;
}

void COstrak_DlgGames::ShowSelectedProfile() {
  const int row = list_.SelectedRow();
  if (row >= 0 && row < static_cast<int>(settings_.rules.size())) profile_.Select(settings_.rules[row].profile);
  else if (profile_.Selection() < 0) profile_.Select(0);
}

void COstrak_DlgGames::AddProgram(const std::u16string& program) {
  const int profile = std::max(profile_.Selection(), 0);
  if (!AddGameRule(settings_, program, profile)) return;
  int row = 0;
  for (std::size_t i = 0; i < settings_.rules.size(); ++i)
    if (NormalisedProgram(settings_.rules[i].program) == NormalisedProgram(program)) row = static_cast<int>(i);
  FillList(row);
  SetPending(true);
}

void COstrak_DlgGames::AddRunning() {
  // The program that has the window, not the launcher that started it: the
  // rule is its file name, wherever it is installed.
  const std::optional<std::u16string> image = pickRunning_(hwnd(), listWindows_());
  if (image && !image->empty()) AddProgram(std::u16string(ProgramFileName(*image)));
}

void COstrak_DlgGames::Browse() {
  if (const std::optional<std::u16string> path = choose_(hwnd(), FileDialogKind::kOpen)) AddProgram(*path);
}

void COstrak_DlgGames::RemoveSelected() {
  const int row = list_.SelectedRow();
  if (row < 0 || row >= static_cast<int>(settings_.rules.size())) return;
  settings_.rules.erase(settings_.rules.begin() + row);
  FillList(std::min(row, static_cast<int>(settings_.rules.size()) - 1));
  SetPending(true);
}

void COstrak_DlgGames::TakeChoices() {
  settings_.enabled = SendMessageW(enabled_.hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  settings_.notices = SendMessageW(notices_.hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  const int choice = noMatch_.Selection();
  settings_.noMatch = choice <= 0 ? NoMatch::kBackToBefore : choice == 1 ? NoMatch::kLeave : NoMatch::kChosen;
  if (choice >= 2) settings_.noMatchProfile = choice - 2;
}

bool COstrak_DlgGames::OnCommand(int id, int notifyCode, HWND) {
  switch (id) {
    case IDC_GAMES_ADD:
      AddRunning();
      return true;
    case IDC_GAMES_BROWSE:
      Browse();
      return true;
    case IDC_GAMES_REMOVE:
      RemoveSelected();
      return true;
    case IDC_GAMES_APPLY:
      Apply();
      return true;
    case IDC_GAMES_ENABLED_LABEL:
    case IDC_GAMES_NOTICES_LABEL: {
      // The label ticks its box, as a check box's own text would.
      const HWND box = id == IDC_GAMES_ENABLED_LABEL ? enabled_.hwnd() : notices_.hwnd();
      const bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
      SendMessageW(box, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
      TakeChoices();
      SetPending(true);
      return true;
    }
    case IDC_GAMES_ENABLED:
    case IDC_GAMES_NOTICES:
      TakeChoices();
      SetPending(true);
      return true;
    case IDC_GAMES_NO_MATCH:
      if (notifyCode == CBN_SELCHANGE) {
        TakeChoices();
        SetPending(true);
      }
      return true;
    case IDC_GAMES_PROFILE:
      if (notifyCode == CBN_SELCHANGE) {
        // The selected rule takes the profile chosen; a new rule gets it too.
        const int row = list_.SelectedRow();
        if (row >= 0 && row < static_cast<int>(settings_.rules.size())) {
          settings_.rules[row].profile = std::max(profile_.Selection(), 0);
          FillList(row);
          SetPending(true);
        }
      }
      return true;
    default:
      return false;
  }
}

bool COstrak_DlgGames::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_NOTIFY) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (change && change->hdr.idFrom == IDC_GAMES_LIST && change->hdr.code == LVN_ITEMCHANGED && !filling_ &&
        (change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED)) {
      ShowSelectedProfile();
      return true;
    }
  }
  return CBaseDialog::OnMessage(message, wParam, lParam, result);
}

bool COstrak_DlgGames::PreTranslateMessage(MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == VK_F1) {
    if (host_.openHelp) host_.openHelp();
    return true;
  }
  return false;
}

void COstrak_DlgGames::Apply() {
  TakeChoices();
  if (host_.store) host_.store(settings_);
  SetPending(false);
}

void COstrak_DlgGames::SetPending(bool pending) { apply_.Enable(pending); }

void COstrak_DlgGames::OnOK() {
  Apply();
  CBaseDialog::OnOK();
}
