#include "editors/composite_dialog_win.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "app/app_paths.h"
#include "app/decimal_text.h"
#include "app/wide_win.h"
#include "controls/message_box_win.h"
#include "controls/skin_place_win.h"
#include "editors/key_hooks_win.h"
#include "localisation/language_file_win.h"
#include "localisation/text_slots.h"
#include "macros/macro_recorder.h"
#include "panels/key_grid_ids.h"
#include "profiles/key_grid_view.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "skin/skin_picture_win.h"

namespace {

constexpr std::array<int, 4> kPageButtonIds = {IDC_PAGE_SINGLE_KEY, IDC_PAGE_MACRO, IDC_PAGE_MEDIA,
                                               IDC_PAGE_FUNCTION};
constexpr std::array<EditorPage, 4> kPages = {EditorPage::kSingleKey, EditorPage::kMacro, EditorPage::kMedia,
                                              EditorPage::kFunction};

// The controls each page shows; the others of these are hidden.
struct PageControls {
  EditorPage page;
  std::array<int, 14> ids;
};
constexpr PageControls kPageControls[] = {
    {EditorPage::kSingleKey, {IDC_SINGLE_KEY_LABEL, IDC_SINGLE_KEY_FIELD}},
    {EditorPage::kMacro,
     {IDC_MACRO_PAGE_LABEL, IDC_MACRO_LIST, IDC_MACRO_ADD, IDC_MACRO_DELETE, IDC_ACTION_LIST, IDC_ACTION_RECORD,
      IDC_ACTION_DELETE, IDC_ACTION_CLEAR, IDC_ACTION_TOP, IDC_ACTION_UP, IDC_ACTION_DOWN, IDC_ACTION_BOTTOM,
      IDC_RECORD_DELAY, IDC_RECORD_DELAY_LABEL}},
    {EditorPage::kMedia, {IDC_MEDIA_LABEL, IDC_MEDIA_LIST}},
    {EditorPage::kFunction, {IDC_FUNCTION_LABEL, IDC_FUNCTION_LIST}},
};

// The five picture sets of the editor, four pictures each, in load order.
enum PictureSet { kKeySet = 0, kMacroSet = 4, kSecondMacroSet = 8, kMediaSet = 12, kFunctionSet = 16 };

StatePictures PicturesOfSet(int set) {
  const WindowPictureSet& pictures = SharedPicturesOf(SkinWindow::kComposite);
  return {pictures[set], pictures[set + 1], pictures[set + 2], pictures[set + 3]};
}

int MaskSetOf(EditorPage page) {
  switch (page) {
    case EditorPage::kMacro:
      return kMacroSet;
    case EditorPage::kMedia:
      return kMediaSet;
    case EditorPage::kFunction:
      return kFunctionSet;
    case EditorPage::kSingleKey:
      break;
  }
  return kKeySet;
}

template <std::size_t N>
int IndexOf(const std::array<int, N>& ids, int id) {
  const auto found = std::find(ids.begin(), ids.end(), id);
  return found == ids.end() ? -1 : static_cast<int>(found - ids.begin());
}

std::u16string KeyTitle(int controlId) {
  if (const int key = IndexOf(kKeyButtonIds, controlId); key >= 0) return KeyButtonName(key);
  if (const int extra = IndexOf(kExtraKeyIds, controlId); extra >= 0) return ExtraKeyName(extra);
  return {};
}

std::u16string FieldText(HWND field) {
  wchar_t text[260] = {};
  GetWindowTextW(field, text, 260);
  return FromWide(text);
}

}  // namespace

Ostrak_DlgComposite::Ostrak_DlgComposite(KeyEditCommit commit, std::function<void()> openHelp)
    : CBaseDialog(IDD_COMPOSITE, Paths().compositeSkinFile, Paths().compositeSkinFolder),
      commit_(std::move(commit)),
      openHelp_(std::move(openHelp)) {}

Ostrak_DlgComposite::~Ostrak_DlgComposite() {
  if (hwnd()) DestroyWindow(hwnd());
}

bool Ostrak_DlgComposite::Prepare(const KeyEditRequest& request, int bank, std::unique_ptr<WorkingProfile> profile,
                                  HWND owner) {
  if (IsOpen() || !profile) return false;
  const std::optional<KeyEditorState> state = OpenKeyEditor(*profile, bank, request.entry, request.macroRole);
  if (!state) return false;  // no bank to edit
  state_ = *state;
  profile_ = std::move(profile);
  owner_ = owner;
  keyButtonId_ = request.controlId;
  return true;
}

void Ostrak_DlgComposite::Edit(const KeyEditRequest& request, int bank, std::unique_ptr<WorkingProfile> profile,
                               HWND owner) {
  if (Prepare(request, bank, std::move(profile), owner)) RunModal(owner);  // shown once placed beside the key
}

bool Ostrak_DlgComposite::OpenModeless(const KeyEditRequest& request, int bank,
                                       std::unique_ptr<WorkingProfile> profile, HWND owner) {
  return Prepare(request, bank, std::move(profile), owner) && CreateModeless(owner);
}

void Ostrak_DlgComposite::BindControls() {
  Bind(title_, IDC_EDITOR_TITLE);
  Bind(osk_, IDC_EDITOR_OSK);
  Bind(clear_, IDC_EDITOR_CLEAR);
  Bind(mask_, IDC_EDITOR_MASK);
  Bind(apply_, IDC_EDITOR_APPLY);
  Bind(ok_, IDOK);
  Bind(cancel_, IDCANCEL);
  for (std::size_t i = 0; i < pageButtons_.size(); ++i) Bind(pageButtons_[i], kPageButtonIds[i]);
  Bind(macroAdd_, IDC_MACRO_ADD);
  Bind(macroDelete_, IDC_MACRO_DELETE);
  Bind(record_, IDC_ACTION_RECORD);
  Bind(actionDelete_, IDC_ACTION_DELETE);
  Bind(actionClear_, IDC_ACTION_CLEAR);
  Bind(top_, IDC_ACTION_TOP);
  Bind(up_, IDC_ACTION_UP);
  Bind(down_, IDC_ACTION_DOWN);
  Bind(bottom_, IDC_ACTION_BOTTOM);
  Bind(heading_, IDC_EDITOR_HEADING);
  Bind(singleKeyLabel_, IDC_SINGLE_KEY_LABEL);
  Bind(macroLabel_, IDC_MACRO_PAGE_LABEL);
  Bind(mediaLabel_, IDC_MEDIA_LABEL);
  Bind(functionLabel_, IDC_FUNCTION_LABEL);
  Bind(recordDelayLabel_, IDC_RECORD_DELAY_LABEL);
  Bind(cyclesLabel_, IDC_CYCLES_LABEL);
  Bind(singleKeyField_, IDC_SINGLE_KEY_FIELD);
  Bind(cycles_, IDC_MACRO_CYCLES);
  Bind(recordDelay_, IDC_RECORD_DELAY);
  Bind(macroList_, IDC_MACRO_LIST);
  Bind(mediaList_, IDC_MEDIA_LIST);
  Bind(functionList_, IDC_FUNCTION_LIST);
  Bind(actions_, IDC_ACTION_LIST);
}

BOOL Ostrak_DlgComposite::OnInitDialog() {
  CBaseDialog::OnInitDialog();
  ++openCount_;
  settingTexts_ = true;
  // The editor's own texts, in the language chosen now.
  LoadLanguageGroup(2);
  PlaceControls();
  actions_.SetColumns(std::u16string(Text(TextKey::MACRO_KEYS_TISHI)), std::u16string(Text(TextKey::MACRO_ACTION_TISHI)),
                      std::u16string(Text(TextKey::MACRO_DELAY_MS)));
  actions_.SetCellChangeHandler([this](const CActionList::CellChange& change) { OnCellChange(change); });
  actions_.SetBeforeDelayEdit([this] { StopRecordingIfRunning(); });
  actions_.SetDelayHint(TypedDelayHint);

  // The record-delay option: stored again as 0 or 1.
  page_.recordDelay = static_cast<int>(WriteFlagSetting(kRecordDelayValue, ReadFlagSetting(kRecordDelayValue)));
  SendMessageW(recordDelay_.hwnd(), BM_SETCHECK, page_.recordDelay == 1 ? BST_CHECKED : BST_UNCHECKED, 0);

  mediaList_.Clear();
  for (const MediaKey& media : MediaKeyTable) mediaList_.AddItem(KeyName(media.keyCode));
  mediaList_.Select(0);
  functionList_.Clear();
  for (int i = 0; i < kFunctionCount; ++i) functionList_.AddItem(std::u16string(Text(FunctionText(i))));
  functionList_.Select(0);
  cycles_.SetText(u"1");

  StopRecordingIfRunning();
  FillMacroList(page_, *profile_);  // without memory the page starts empty
  ShowMacroList();
  ShowMacroActions();

  if (state_.macroRole) {
    // The other pages keep their captions, drawn disabled: the user sees what
    // this editor does not offer.
    for (int i : {0, 2, 3}) {
      pageButtons_[i].Enable(false);
      pageButtons_[i].SetTextStyle(true, 9, u"Tahoma", RGB(0x80, 0x80, 0x80), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    clear_.Enable(false);
    for (int id : {IDC_SINGLE_KEY_LABEL, IDC_MEDIA_LABEL, IDC_FUNCTION_LABEL}) ShowWindow(Item(id), SW_HIDE);
  }
  ShowPage(PageOfType(state_.type), true);
  SetTexts();
  settingTexts_ = false;
  state_.modified = page_.modified = false;
  ShowModified();
  PlaceBesideKeyButton();
  if (!IsModal()) ShowWindow(hwnd(), SW_SHOWNA);  // modal: shown by the loop
  return TRUE;
}

void Ostrak_DlgComposite::PlaceControls() {
  WindowPictureSet& pictures = SharedPicturesOf(SkinWindow::kComposite);
  pictures.LoadOnce(Paths().programFolder, PictureNamesOf(SkinWindow::kComposite), Size().width + 100,
                    Size().height + 100);
  SkinTargets targets;
  targets.buttons = {
      {u"CONTROL_MASK", &mask_},           {u"CONTROL_TITLE", &title_},
      {u"CONTROL_OSK", &osk_},             {u"CONTROL_CLEAR", &clear_},
      {u"CONTROL_KEY", &pageButtons_[0]},  {u"CONTROL_MACRO", &pageButtons_[1]},
      {u"CONTROL_MEDIA", &pageButtons_[2]}, {u"CONTROL_FUNCTION", &pageButtons_[3]},
      {u"CONTROL_OK", &ok_},               {u"CONTROL_CANCEL", &cancel_},
      {u"CONTROL2_APPLY", &apply_},        {u"FUNC_MACRO_DELETE", &macroDelete_},
      {u"FUNC_MACRO_ADD", &macroAdd_},     {u"FUNC_MACRO_UP_TOP", &top_},
      {u"FUNC_MACRO_UP", &up_},            {u"FUNC_MACRO_DOWN", &down_},
      {u"FUNC_MACRO_DOWN_BOTTOM", &bottom_}, {u"FUNC_MACRO_DELETE2", &actionDelete_},
      {u"FUNC_MACRO_CLEAR", &actionClear_}, {u"FUNC_MACRO_RECORD", &record_},
  };
  targets.others = {
      {u"FUNC_MACRO_RECORD_DELAY", recordDelay_.hwnd()},
      {u"FUNC_MACRO_LIST2", actions_.hwnd()},
      {u"FUNC_MACRO_CYCLES", cycles_.hwnd()},
      {u"FUNC_MACRO_CYCLES_PROMPT", cyclesLabel_.hwnd()},
      {u"TISHI_SINGLE_STATIC", singleKeyLabel_.hwnd()},
      {u"MARCO_NAME_SETTING", macroLabel_.hwnd()},
      {u"KEY_SETTING", heading_.hwnd()},
      {u"MEDIA_SETTING_TISHI", mediaLabel_.hwnd()},
      {u"FUNCTION_KEY_SETTING_TISHI", functionLabel_.hwnd()},
      {u"FUNC_MACRO_RECORD_DELAY2", recordDelayLabel_.hwnd()},
      {u"FUNC_KEY_INPUT", singleKeyField_.hwnd()},
      {u"FUNC_MEDIA_SELECT", mediaList_.hwnd()},
      {u"FUNC_MACRO_LIST", macroList_.hwnd()},
      {u"FUNC_FUNCTION_SELECT", functionList_.hwnd()},
  };
  // The macro page's buttons and Apply take the macro set, every other button the key set.
  PlaceSkinControls(SkinWindow::kComposite, SkinFile(), targets, [](const SkinKey& key) {
    const bool macroSet = key.key.rfind(u"FUNC_MACRO", 0) == 0 || key.key == u"CONTROL2_APPLY";
    return PicturesOfSet(macroSet ? kMacroSet : kKeySet);
  });

  const HBITMAP background = Background().bitmap();
  for (CColourStatic* text : {&heading_, &singleKeyLabel_, &macroLabel_, &mediaLabel_, &functionLabel_,
                              &recordDelayLabel_, &cyclesLabel_}) {
    text->SetBackground(background);
    text->SetStyle(RGB(0xE4, 0xE4, 0xE4), 9);
  }
  // Apply is a picture of the skin's: it draws no caption, and its name is its tooltip.
  for (CPngButton* caption : {&title_, &ok_, &cancel_, &pageButtons_[0], &pageButtons_[1],
                              &pageButtons_[2], &pageButtons_[3]})
    caption->SetTextStyle(true, 9, u"Tahoma", RGB(0xFF, 0xFF, 0xFF), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  apply_.SetTooltipText(std::u16string(Text(TextKey::PROFILE_APPLY)));
  for (CPngButton& page : pageButtons_) page.SetTextOffsets(24, 0, 0, 0);  // beside the page's glyph
  // The banner under the page buttons names the page shown.
  mask_.SetTextStyle(true, 9, u"Tahoma", RGB(0xFF, 0xFF, 0xFF), DT_SINGLELINE | DT_LEFT | DT_VCENTER);
  mask_.SetTextOffsets(12, 0, 0, 0);
}

void Ostrak_DlgComposite::SetTexts() {
  SetWindowTextW(hwnd(), Wide(Text(TextKey::EDITOR_CAPTION)).c_str());
  // The macro button's editor names the button and the key whose macro it edits.
  title_.SetText(state_.macroRole ? std::u16string(Text(TextKey::PROFILE_MACRO)) + u" (" + KeyTitle(keyButtonId_) + u")"
                                  : KeyTitle(keyButtonId_));
  heading_.SetText(Text(state_.macroRole ? TextKey::MACRO_EDIT_TISHI : TextKey::KEY_SETTING_TISHI));
  pageButtons_[0].SetText(Text(TextKey::SINGLE_KEY));
  pageButtons_[2].SetText(Text(TextKey::MULTI_MEDIA));
  pageButtons_[3].SetText(Text(TextKey::FUNCTION_KEY));
  pageButtons_[1].SetText(Text(TextKey::MACRO_SETTING));
  clear_.SetTooltipText(std::u16string(Text(TextKey::COMPOSITE_PROMPT_CLEAR)));
  osk_.SetTooltipText(std::u16string(Text(TextKey::COMPOSITE_PROMPT_OSK)));
  macroLabel_.SetText(Text(TextKey::MACRO_NAME_SETTING));
  singleKeyLabel_.SetText(Text(TextKey::SINGLE_STATIC));
  mediaLabel_.SetText(Text(TextKey::MEDIA_EDIT_TISHI));
  functionLabel_.SetText(Text(TextKey::FUNCTION_TISHI));
  recordDelayLabel_.SetText(Text(TextKey::RECORD_DELAY));
  cyclesLabel_.SetText(Text(TextKey::MACRO_CYCLES));
  ShowRecordButton(Text(TextKey::A_RECORD), false);
  const std::pair<CPngButton*, TextKey> tooltips[] = {
      {&actionDelete_, TextKey::A_DELETE},     {&actionClear_, TextKey::A_CLEAR},
      {&top_, TextKey::A_TOP},                 {&up_, TextKey::A_UP},
      {&down_, TextKey::A_DOWN},               {&bottom_, TextKey::A_BOTTOM},
      {&macroAdd_, TextKey::MACRO_ADD_PROMPT}, {&macroDelete_, TextKey::MACRO_DELETE_PROMPT}};
  for (const auto& [button, key] : tooltips) button->SetTooltipText(std::u16string(Text(key)));
  ok_.SetText(Text(TextKey::MACRO_OK));
  cancel_.SetText(Text(TextKey::MACRO_CANCLE));
  apply_.SetText(Text(TextKey::PROFILE_APPLY));
}

void Ostrak_DlgComposite::PlaceBesideKeyButton() {
  RECT key{};
  HWND button = owner_ ? GetDlgItem(owner_, keyButtonId_) : nullptr;
  if (!button || !GetWindowRect(button, &key)) return;
  RECT frame{};
  GetWindowRect(hwnd(), &frame);
  const ScreenPoint corner =
      PlaceBesideKey({key.left, key.top, key.right, key.bottom}, frame.right - frame.left, frame.bottom - frame.top,
                     GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(hwnd(), nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Ostrak_DlgComposite::ShowPage(EditorPage page, bool initial) {
  shown_ = page;
  for (const PageControls& controls : kPageControls)
    for (int id : controls.ids)
      if (id != 0) {
        const bool hiddenLabel = state_.macroRole && (id == IDC_SINGLE_KEY_LABEL || id == IDC_MEDIA_LABEL ||
                                                      id == IDC_FUNCTION_LABEL);
        ShowWindow(Item(id), controls.page == page && !hiddenLabel ? SW_SHOWNA : SW_HIDE);
      }
  for (int id : {IDC_MACRO_CYCLES, IDC_CYCLES_LABEL})
    ShowWindow(Item(id), page == EditorPage::kMacro ? SW_SHOWNA : SW_HIDE);
  ShowPageFaces(page);

  if (page != EditorPage::kSingleKey) StopKeyCapture();
  if (page != EditorPage::kMacro) StopRecordingIfRunning();
  switch (page) {
    case EditorPage::kSingleKey:
      if (initial) {
        const bool named = state_.type == AssignmentType::Key && state_.storedParam != 0;
        singleKeyField_.SetText(named ? KeyName(static_cast<KeyCode>(state_.storedParam)) : u"");
      }
      StartKeyCapture([this](KeyCode key) { KeyCaptured(key); });
      break;
    case EditorPage::kMacro:
      if (initial) {
        SelectMacroById(page_, static_cast<std::uint16_t>(state_.storedParam));
        ShowMacroList();
        ShowMacroActions();
      }
      break;
    case EditorPage::kMedia:
      if (initial && state_.storedParam < MediaKeyTable.size()) mediaList_.Select(static_cast<int>(state_.storedParam));
      break;
    case EditorPage::kFunction:
      if (initial && state_.storedParam < static_cast<std::uint32_t>(kFunctionCount))
        functionList_.Select(static_cast<int>(state_.storedParam));
      break;
  }
}

void Ostrak_DlgComposite::ShowPageFaces(EditorPage page) {
  const bool macro = page == EditorPage::kMacro;
  const FaceSet pageFaces = FacesFromSlots("NODXD", PicturesOfSet(macro ? kSecondMacroSet : kKeySet));
  for (CPngButton* button : {&pageButtons_[0], &pageButtons_[2], &pageButtons_[3], &title_, &clear_})
    button->SetFaces(pageFaces, false);
  pageButtons_[1].SetFaces(FacesFromSlots("NODXD", PicturesOfSet(kKeySet)), false);
  mask_.SetFaces(FacesFromSlots("NODXN", PicturesOfSet(MaskSetOf(page))), true);
  const TextKey pageNames[] = {TextKey::SINGLE_KEY, TextKey::MACRO_SETTING, TextKey::MULTI_MEDIA, TextKey::FUNCTION_KEY};
  for (std::size_t i = 0; i < kPages.size(); ++i)
    if (kPages[i] == page) mask_.SetText(Text(pageNames[i]));
  for (std::size_t i = 0; i < kPages.size(); ++i) pageButtons_[i].SetChecked(kPages[i] == page, true);
  title_.Redraw();
  clear_.Redraw();
}

void Ostrak_DlgComposite::PageButton(EditorPage page) {
  const PageSwitch change = ShowPageByButton(state_, page);
  if (!change.switched) return;
  ShowPage(page, false);
  if (change.selectFirstMacro) {
    SelectMacro(page_, 0);
    ShowMacroList();
    ShowMacroActions();
  }
}

void Ostrak_DlgComposite::Clear() {
  if (state_.macroRole) return;
  const bool emptyField = ClearKey(state_);
  if (PageOfType(state_.type) != shown_) ShowPage(PageOfType(state_.type), false);
  if (emptyField) singleKeyField_.SetText(u"");
}

void Ostrak_DlgComposite::KeyCaptured(KeyCode key) {
  CaptureKey(state_, key);
  singleKeyField_.SetText(KeyName(key));
  ShowModified();
}

bool Ostrak_DlgComposite::OnCommand(int id, int notifyCode, HWND control) {
  if (const int page = IndexOf(kPageButtonIds, id); page >= 0) {
    PageButton(kPages[page]);
  } else if (id == IDC_EDITOR_CLEAR) {
    Clear();
  } else if (id == IDC_EDITOR_OSK) {
    ShellExecuteW(hwnd(), L"open", L"osk.exe", L"", L"", SW_SHOWNORMAL);
  } else if (id == IDC_EDITOR_APPLY) {
    ApplyKeyAssignment();
  } else if (id == IDC_MEDIA_LIST || id == IDC_FUNCTION_LIST) {
    if (notifyCode != CBN_SELCHANGE) return true;
    state_.modified = true;
  } else if (!OnMacroPageCommand(id, notifyCode)) {
    return false;
  }
  ShowModified();
  return true;
}

bool Ostrak_DlgComposite::OnMacroPageCommand(int id, int notifyCode) {
  switch (id) {
    case IDC_MACRO_LIST:
      if (notifyCode == CBN_SELCHANGE) {
        SelectMacro(page_, macroList_.Selection());
        ShowMacroActions();
      } else if (notifyCode == CBN_EDITCHANGE && !settingTexts_) {
        // The entry takes the typed name (a first name typed makes the macro).
        // Filling the list again selects the entry's whole text: the user's
        // caret goes back where it was, or the next key typed would replace
        // what was typed so far.
        DWORD caret = 0;
        SendMessageW(macroList_.hwnd(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&caret), 0);
        const NameEdit edit = TypeMacroName(page_, FieldText(macroList_.hwnd()));
        if (edit == NameEdit::kIgnored) return true;
        ShowMacroList();
        if (edit == NameEdit::kCreated) ShowMacroActions();
        SendMessageW(macroList_.hwnd(), CB_SETEDITSEL, 0, MAKELPARAM(caret, caret));
      }
      return true;
    case IDC_MACRO_ADD: {
      const PageResult result = AddMacro(page_);
      if (!result.message.empty()) Message(result.message);
      if (result.changed) {
        ShowMacroList();
        ShowMacroActions();
      }
      return true;
    }
    case IDC_MACRO_DELETE:
      if (page_.selected < 0) return true;
      if (SelectedMacroInUse(page_, *profile_) && !Ask(Text(TextKey::MACRO_DELETE_CONFIRM_OF_KEYS))) return true;
      if (DeleteSelectedMacro(page_)) {
        ShowMacroList();
        ShowMacroActions();
      }
      return true;
    case IDC_ACTION_RECORD:
      ToggleRecording();
      return true;
    case IDC_ACTION_DELETE:
      if (DeleteAction(page_, actions_.SelectedRow())) actions_.RowsChanged();
      return true;
    case IDC_ACTION_CLEAR:
      if (!page_.rows.empty() && Ask(Text(TextKey::MACRO_ACTION_CLEAR_CONFIRM)) && ClearActions(page_))
        actions_.RowsChanged();
      return true;
    case IDC_ACTION_TOP:
    case IDC_ACTION_UP:
    case IDC_ACTION_DOWN:
    case IDC_ACTION_BOTTOM: {
      const ActionMove moves[] = {ActionMove::kTop, ActionMove::kUp, ActionMove::kDown, ActionMove::kBottom};
      const int row = MoveAction(page_, actions_.SelectedRow(), moves[id - IDC_ACTION_TOP]);
      if (row < 0) return true;
      actions_.RowsChanged();
      actions_.Select(row);
      SetFocus(actions_.hwnd());
      return true;
    }
    case IDC_RECORD_DELAY:
      page_.recordDelay =
          static_cast<int>(WriteFlagSetting(kRecordDelayValue, static_cast<unsigned>(NextRecordDelayOption(page_.recordDelay))));
      SendMessageW(recordDelay_.hwnd(), BM_SETCHECK, page_.recordDelay == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
      return true;
    case IDC_MACRO_CYCLES:
      if (notifyCode == EN_CHANGE) {
        if (const auto rewritten = ChangeCyclesText(page_, cycles_.Text())) cycles_.SetText(*rewritten);
      }
      return true;
    default:
      return false;
  }
}

void Ostrak_DlgComposite::ShowMacroList() {
  const bool own = settingTexts_;
  settingTexts_ = true;
  SendMessageW(macroList_.hwnd(), WM_SETREDRAW, FALSE, 0);
  macroList_.Clear();
  for (const MacroRecord& macro : page_.macros) macroList_.AddItem(std::u16string(MacroName(macro)));
  macroList_.Select(page_.selected);
  if (page_.selected < 0) SetWindowTextW(macroList_.hwnd(), L"");
  SendMessageW(macroList_.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(macroList_.hwnd(), nullptr, TRUE);
  settingTexts_ = own;
}

void Ostrak_DlgComposite::ShowMacroActions() {
  actions_.ShowRows(&page_.rows);
  if (page_.selected >= 0) {
    // The page's own change of the field counts as a change, as the user's does.
    cycles_.SetText(DecimalText(page_.cycles));
  }
  ShowActionButtons();
}

void Ostrak_DlgComposite::ShowActionButtons() {
  const bool enabled = ActionButtonsEnabled(page_);
  for (CPngButton* button : {&record_, &actionDelete_, &actionClear_, &top_, &up_, &down_, &bottom_})
    button->Enable(enabled);
}

void Ostrak_DlgComposite::ShowModified() { apply_.Enable(Modified()); }

void Ostrak_DlgComposite::ToggleRecording() {
  if (IsRecording()) {
    StopRecordingIfRunning();
    return;
  }
  if (!StartRecording([this](const MacroAction& action) { AddRecordedAction(action); })) return;
  ShowRecordButton(Text(TextKey::MACRO_ACTION_STOP_RECORD), true);
  for (Control* control : std::initializer_list<Control*>{&macroAdd_, &macroDelete_, &macroList_})
    control->Enable(false);
}

// The skin draws the record button's glyph; its caption is its tooltip, and
// it shows pressed while a recording runs.
void Ostrak_DlgComposite::ShowRecordButton(std::u16string_view caption, bool recording) {
  record_.SetText(caption);
  record_.SetTooltipText(std::u16string(caption));
  record_.SetChecked(recording, true);
}

void Ostrak_DlgComposite::StopRecordingIfRunning() {
  if (!IsRecording()) return;
  StopRecording();
  ShowRecordButton(Text(TextKey::MACRO_ACTION_RECORD), false);
  for (Control* control : std::initializer_list<Control*>{&macroAdd_, &macroDelete_, &macroList_})
    control->Enable(true);
}

void Ostrak_DlgComposite::AddRecordedAction(const MacroAction& action) {
  const int row = ::AddRecordedAction(page_.rows, actions_.SelectedRow(), action, page_.recordDelay);
  if (row < 0) return;  // the list is full
  page_.modified = true;
  actions_.RowsChanged();
  actions_.Select(row);
  ShowModified();
}

void Ostrak_DlgComposite::OnCellChange(const CActionList::CellChange& change) {
  bool changed = false;
  switch (change.column) {
    case CActionList::Column::kKey:
      changed = SetActionKey(page_, change.row, change.keyListPosition);
      break;
    case CActionList::Column::kDirection:
      changed = SetActionDirection(page_, change.row, change.direction);
      break;
    case CActionList::Column::kDelay: {
      const PageResult result = SetActionDelay(page_, change.row, change.delayText);
      if (!result.message.empty()) Message(result.message);
      changed = result.changed;
      break;
    }
  }
  if (changed) actions_.RowsChanged();
  ShowModified();
}

void Ostrak_DlgComposite::ApplyKeyAssignment() {
  StopRecordingIfRunning();
  KeyEdit edit{.bank = state_.bank, .entry = state_.entry};
  edit.macros = MacroListToCommit(page_);
  PageChoices choices;
  choices.mediaIndex = std::max(0, mediaList_.Selection());
  choices.functionIndex = std::max(0, functionList_.Selection());
  choices.macroListEmpty = page_.macros.empty();
  choices.selectedMacroId = MacroIdAtIndex(page_.macros, page_.selected);
  choices.cycles = page_.cycles;
  const KeyAssignment old = ReadEditedEntry(*profile_, state_).value_or(KeyAssignment{});
  edit.assignment = BuildKeyAssignment(state_, choices, old);
  // The copy follows, so that a later Apply or delete sees what this one did.
  ApplyKeyEdit(*profile_, edit);
  state_.modified = page_.modified = false;
  ShowModified();
  if (commit_) commit_(edit);
}

void Ostrak_DlgComposite::OnOK() {
  ApplyKeyAssignment();
  CBaseDialog::OnOK();
}

void Ostrak_DlgComposite::OnDestroy() {
  StopKeyCapture();
  StopRecordingIfRunning();
  actions_.ShowRows(nullptr);
  FreeMacroPage(page_);
  profile_.reset();
  state_.modified = false;
  --openCount_;
}

bool Ostrak_DlgComposite::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->idFrom == IDC_ACTION_LIST) return actions_.OnNotify(*header, result);
  }
  // Over a disabled button (the action buttons while no macro is chosen, the
  // pages the macro button's editor does not offer) the dialog has the mouse:
  // the button's tooltip hears of it all the same.
  RelayMouseToDisabledButtons(hwnd(), message, wParam, lParam,
                              {&macroAdd_, &macroDelete_, &record_, &actionDelete_, &actionClear_, &top_, &up_,
                               &down_, &bottom_, &clear_, &osk_});
  return CBaseDialog::OnMessage(message, wParam, lParam, result);
}

bool Ostrak_DlgComposite::PreTranslateMessage(MSG& message) {
  if (actions_.PreTranslate(message)) return true;
  const bool key = message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR;
  if (!key) return false;
  // Enter and Escape neither confirm nor cancel the editor: only its buttons do.
  if (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE) return true;
  if (message.message == WM_KEYDOWN && message.wParam == VK_F1) {
    if (!IsRecording() && openHelp_) openHelp_();
    return true;
  }
  // Ctrl+A selects the whole text of a field (the macro's name, the cycles,
  // a delay), which the system's edit fields do not all do themselves.
  if (message.message == WM_KEYDOWN && message.wParam == 'A' && GetKeyState(VK_CONTROL) < 0 &&
      GetKeyState(VK_MENU) >= 0 && IsChild(hwnd(), message.hwnd)) {
    wchar_t windowClass[8] = {};
    GetClassNameW(message.hwnd, windowClass, 8);
    if (lstrcmpiW(windowClass, L"Edit") == 0) {
      SendMessageW(message.hwnd, EM_SETSEL, 0, -1);
      return true;
    }
  }
  return false;
}

void Ostrak_DlgComposite::Message(std::u16string_view text) { ShowMessageBox(hwnd(), text); }

bool Ostrak_DlgComposite::Ask(std::u16string_view text) { return AskYesNoBox(hwnd(), text); }
