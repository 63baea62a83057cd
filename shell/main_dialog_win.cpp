#include "shell/main_dialog_win.h"

#include <shellapi.h>

#include <algorithm>

#include "app/app_paths.h"
#include "app/messages.h"
#include "app/shell_state.h"
#include "app/version.h"
#include "app/wide_win.h"
#include "controls/message_box_win.h"
#include "controls/skin_place_win.h"
#include "device/command_frame.h"
#include "device/device_service_win.h"
#include "device/keyboard_claim_win.h"
#include "editors/key_edit.h"
#include "localisation/language_file_win.h"
#include "localisation/text_slots.h"
#include "profiles/profile_keyboard.h"
#include "profiles/profile_store.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "session/profile_switch.h"
#include "resources/resource_ids.h"
#include "skin/skin_file_win.h"
#include "skin/skin_keys.h"

namespace {

COstrakDlg* mainDialog = nullptr;
HWND mainWindow = nullptr;

// The exit waits for the dialogs and boxes it closed to return, a tick at a time.
constexpr UINT_PTR kExitTimer = 1052;
constexpr UINT kExitTickMs = 10;
// However a dialog's loop behaves, the program has ended within this time.
constexpr ULONGLONG kExitLimitMs = 1000;
// While the device service refuses the standing reads, how often they are tried again.
constexpr UINT_PTR kStandingReadTimer = 1053;
constexpr UINT kStandingReadRetryMs = 2000;


// The system's message box owned by `owner` that shows `text`; null when none.
HWND OwnedMessageBox(HWND owner, const std::wstring& text) {
  struct Search {
    HWND owner;
    const std::wstring* text;
    HWND found;
  } search{owner, &text, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM context) -> BOOL {
        auto* search = reinterpret_cast<Search*>(context);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (GetWindow(window, GW_OWNER) != search->owner || wcscmp(className, L"#32770") != 0) return TRUE;
        wchar_t shown[1024] = {};
        GetDlgItemTextW(window, 0xFFFF, shown, 1024);  // a message box's text
        if (*search->text != shown) return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The skin gives the window its size; it opens in the middle of the screen.
void CenterOnWorkArea(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& area = monitor.rcWork;
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = area.left + std::max(0L, (area.right - area.left - width) / 2);
  const int y = area.top + std::max(0L, (area.bottom - area.top - height) / 2);
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

COstrakDlg* MainDialog() { return mainDialog; }
HWND MainWindow() { return mainWindow; }

void ExitApplication() {
  if (mainDialog) mainDialog->ExitApplication();
}

COstrakDlg::COstrakDlg(COstrakApp& app, bool withDevice)
    : CBaseDialog(IDD_MAIN, Paths().mainSkinFile, Paths().mainSkinFolder, Decode::kLater),
      app_(app),
      withDevice_(withDevice),
      session_(*this, ProfileFilePath(0)) {
  applicationIcon_ = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
  // Its tooltips load the common controls when the mouse first needs one.
  UseOnlySystemControls();
}

COstrakDlg::~COstrakDlg() {
  // The threads that may still queue events end before anything they use goes.
  consoleRequests_.reset();
  session_.Stop();
  if (mainDialog == this) {
    mainDialog = nullptr;
    mainWindow = nullptr;
  }
}

void COstrakDlg::BindControls() {
  Bind(okButton_, IDOK);
  Bind(cancelButton_, IDCANCEL);
  Bind(applyButton_, IDC_APPLY);
  Bind(helpButton_, IDC_HELP_BUTTON);
  Bind(minimizeButton_, IDC_MINIMIZE);
  Bind(menuButton_, IDC_MENU_BUTTON);
  Bind(closeButton_, IDC_CLOSE);
  Bind(versionLabel_, IDC_VERSION);
  Bind(macroButton_, IDC_FUNC_MACRO);
  Bind(linkButton_, IDC_LINK);
  Bind(wait_, IDC_WAIT_PICTURE);
  Bind(statusLine_, IDC_STATUS_LINE);
  for (Panel* panel : panels_) panel->BindControls([this](Control& control, int id) { Bind(control, id); });
}

void COstrakDlg::PlaceSkinnedControls() {
  WindowPictureSet& pictures = SharedPicturesOf(SkinWindow::kMain);
  pictures.Create(Paths().programFolder, PictureNamesOf(SkinWindow::kMain), Size().width + 100, Size().height + 100);
  // The arrows point up while the keys are flipped, down otherwise.
  const bool flipped = ReadFlagSetting(kFlipValue) != 0;
  placement_ = ReadSkinPlacement(
      SkinFile(), [&pictures](const SkinKey&) { return StatePictures{pictures[0], pictures[1], pictures[2], pictures[3]}; },
      pictures[8], !flipped);

  SkinTargets targets;
  const struct { const char16_t* key; CPngButton* button; } placed[] = {
      {u"KORVAN_LINK", &linkButton_},       {u"FUNC_MACRO", &macroButton_},
      {u"CONTROL_OK", &okButton_},          {u"CONTROL_CANCEL", &cancelButton_},  {u"CONTROL_HELP", &helpButton_},
      {u"CONTROL_CLOSE", &closeButton_},    {u"CONTROL_MINIMIZE", &minimizeButton_},
      {u"CONTROL_MENU", &menuButton_},      {u"CONTROL2_APPLY", &applyButton_},   {u"KORVAN_VER", &versionLabel_}};
  for (const auto& control : placed) targets.buttons[control.key] = control.button;
  targets.others[u"CONTROL_JDTStatic"] = wait_.hwnd();
  for (Panel* panel : panels_) panel->AddSkinTargets(targets);
  PlaceSkinControls(SkinWindow::kMain, placement_, targets);
  PlaceStatusLine();
}

void COstrakDlg::PlaceStatusLine() {
  // In the row of OK, Cancel and Apply, from the left edge of the link
  // button (the window's left margin) to OK.
  RECT ok{}, first{};
  if (!GetWindowRect(okButton_.hwnd(), &ok) || !GetWindowRect(linkButton_.hwnd(), &first)) return;
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&ok), 2);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&first), 2);
  const int gap = (ok.bottom - ok.top) / 2;
  MoveWindow(statusLine_.hwnd(), first.left, ok.top, std::max(0L, ok.left - gap - first.left), ok.bottom - ok.top,
             FALSE);
}

bool COstrakDlg::BuildPanelButtons(std::size_t count) {
  if (panelButtonsBuilt_ >= panelButtons_.size()) {
    if (panelButtonsMade_) return false;
    panelButtonsMade_ = true;
    for (Panel* panel : panels_) panel->OnButtonsMade();
    return true;
  }
  for (; count > 0 && panelButtonsBuilt_ < panelButtons_.size(); --count) {
    const PanelButton& next = panelButtons_[panelButtonsBuilt_++];
    const SkinKey* key = FindSkinKey(SkinWindow::kMain, next.skinKey);
    if (!key) continue;
    MakePanelButton(hwnd(), placement_, next);
    Bind(*next.button, next.id);
    SkinTargets target;
    target.buttons[next.skinKey] = next.button;
    PlaceSkinKey(*key, placement_, target);
  }
  return true;
}

bool COstrakDlg::LateStartStep() {
  if (DecodeSkin()) return true;
  if (BuildPanelButtons(16)) return true;
  if (SharedPicturesOf(SkinWindow::kMain).DecodeNext()) return true;
  for (Panel* panel : panels_)
    if (panel->LateStartStep()) return true;
  return wait_.ReadNextPicture(SkinFolder());
}

void COstrakDlg::FinishLateStart() {
  bool worked = false;
  while (LateStartStep()) worked = true;
  if (worked) RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void COstrakDlg::SetControlTexts() {
  // Link address: SCREEN/Link of the main skin file, or the program's own
  // help page (Ostrak has no web page of its own).
  wchar_t link[kMaxPath] = {};
  GetPrivateProfileStringW(L"SCREEN", L"Link", L"", link, kMaxPath, Wide(SkinFile()).c_str());
  linkAddress_ = link[0] ? FromWide(link) : HelpPagePath();
  linkButton_.SetTooltipText(linkAddress_);
  // Tahoma: the system links it to a font with Chinese letters, Verdana to none.
  versionLabel_.SetTextStyle(true, 8, u"Tahoma", RGB(0xE4, 0xE4, 0xE4), DT_SINGLELINE | DT_VCENTER);
  versionLabel_.Enable(false);
  statusLine_.SetStyle(RGB(0xE4, 0xE4, 0xE4), 9, u"Tahoma", DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_PATH_ELLIPSIS);
  SetStatusLine(u"");
  for (CPngButton* caption : {&okButton_, &cancelButton_, &applyButton_, &macroButton_})
    caption->SetTextStyle(true, 9, u"Tahoma", RGB(0xFF, 0xFF, 0xFF), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

BOOL COstrakDlg::OnInitDialog() {
  CBaseDialog::OnInitDialog();  // size from the skin's pictures; without them the program ends

  // The system menu's "About" item.
  wchar_t aboutText[64] = {};
  HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
  if (systemMenu && LoadStringW(ResourceModule(), IDS_ABOUTBOX, aboutText, 64) > 0) {
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
  }
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(applicationIcon_));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(applicationIcon_));

  initDone_ = false;
  mainDialog = this;
  mainWindow = hwnd();
  // The loops the window itself runs in; any more at exit are dialogs over it.
  ownModalLoops_ = ModalLoopsRunning();
  StopShowingMessageBoxes(false);

  if (withDevice_) OpenKeyboard();
  panelButtons_.clear();
  for (Panel* panel : panels_) {
    std::vector<PanelButton> buttons = panel->Buttons();
    panelButtons_.insert(panelButtons_.end(), buttons.begin(), buttons.end());
  }

  applyButton_.Enable(false);

  PlaceSkinnedControls();
  FormVoviIniPath();
  ConnectPanels();
  // A key's editor runs modally over the window; the keyboard's removal and
  // the exit close it like Cancel.
  grid_.SetKeyEditor([this](const KeyEditRequest& request) { EditKey(request); });
  profiles_.SetProfileManager([this] { OpenProfileManager(); });
  SetControlTexts();
  CenterOnWorkArea(hwnd());

  // No taskbar button until the user opens the window; the marker lets a
  // second start find this window.
  LONG_PTR exStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
  SetWindowLongPtrW(hwnd(), GWLP_USERDATA, kMainWindowMarker);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);
  SetWindowTextW(hwnd(), Wide(Text(TextKey::MAIN_CAPTION)).c_str());

  app_.events().Create();
  Shell().displayMode = 0;
  PostMessageW(hwnd(), WM_DEFERRED_INIT, kInitTag, 0);
  ApplyLanguageTexts();
  return TRUE;
}

void COstrakDlg::ConnectPanels() {
  // The window hears the session first, then each panel.
  session_.Subscribe([this](const SessionEvent& event) { OnSessionEvent(event); });
  for (Panel* panel : panels_)
    panel->Connect({hwnd(), &session_, &placement_, [this] { return Background().bitmap(); },
                    [this] { ApplyPendingChanges(); }, [this](int index) { return SwitchProfile(index); }});
  // Only the effect with a colour per key paints keys; under any other a
  // click edits the key even while the lighting panel is on.
  grid_.SetKeyPainter([this](int controlId) {
    if (!lighting_.PaintsKeys()) return false;
    lighting_.PaintKey(controlId);
    return true;
  });
  lighting_.SetKeyTinter([this](const LightingPanel::ColourOf& colourOf) { grid_.TintKeys(colourOf); });
  profiles_.SetLightingHooks({[this] {
                                if (lighting_.IsOn()) lighting_.SwitchOff();
                              },
                              [this] { lighting_.ShowSwitchText(); },
                              [this] {
                                if (lighting_.IsOn()) lighting_.RestoreDefaultLighting();
                              }});
}

void COstrakDlg::OpenKeyboard() {
  // The device service and the link; without them the program cannot work
  // and ends quietly.
  std::wstring folder = Wide(Paths().programFolder);
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  // A console command that holds the keyboard ends first: never two at once.
  WaitForConsoleCommands(kConsoleCommandWaitMs);
  DeviceLink* link = OpenDeviceLink(folder);
  if (!link) ExitProcess(0);
  session_.Connect(*link);
  session_.FollowLighting();  // the panel shows it, and the lighting interface serves it
  lightingPipe_.Start();  // without the pipe (its name taken) other programs only cannot reach the lighting
  if (session_.StartLink() < 0) {
    // Without the standing reads no reply and no keyboard count arrives. The
    // program stays in the notification area and starts the link again while
    // a keyboard is there (or the system says one arrived).
    standingReadsRefused_ = true;
    ShowDeviceMessage(TextKey::MAIN_SERVICE_REFUSED_PROMPT);
    SetTimer(hwnd(), kStandingReadTimer, kStandingReadRetryMs, nullptr);
  }
  const HWND window = hwnd();
  consoleRequests_ =
      std::make_unique<ConsoleRequestWatcher>([window] { PostMessageW(window, WM_CONSOLE_REQUEST, 0, 0); });
}

void COstrakDlg::RetryStandingReads() {
  if (!standingReadsRefused_ || !link() || exiting_ || link()->DeviceCount() == 0) return;
  if (session_.StartLink() < 0) return;  // refused again: tried again later
  standingReadsRefused_ = false;
  KillTimer(hwnd(), kStandingReadTimer);
}

bool COstrakDlg::RefusedWhileReadingBack() {
  if (!session_.ReadBackUnderWay()) return false;
  ShowDeviceMessage(TextKey::MAIN_KEYBOARD_BUSY_PROMPT);
  return true;
}

void COstrakDlg::AnswerConsoleRequest() {
  // A command that follows one the keyboard is lent to finds it lent still.
  if (lentToConsole_) {
    TellConsoleKeyboardLent();
    return;
  }
  // The user's own work comes first: changes not applied, an editor or a
  // dialog open. A keyboard read back afterwards would drop them.
  const bool userBusy =
      PendingChanges() || KeyEditorOpen() || profileManager_.Pending() || !childDialogs_.empty();
  if (exiting_ || session_.Stopping() || !initDone_ || userBusy) {
    RefuseKeyboardToConsole();
    return;
  }
  // Behind whatever the transfer thread still has to send; then the keyboard
  // and the profile file are the command's until it ends, and are read again.
  // Nothing changes the profile meanwhile: a read-back is under way.
  const bool queued = session_.LendThenReadAgain(
      [this] { LendKeyboardToConsole([this] { return session_.Stopping(); }, lentToConsole_); });
  if (!queued) RefuseKeyboardToConsole();
}

void COstrakDlg::ApplyLanguageTexts() {
  LoadLanguageGroup(3);
  okButton_.SetText(Text(TextKey::PROFILE_OK));
  cancelButton_.SetText(Text(TextKey::PROFILE_CANCLE));
  applyButton_.SetText(Text(TextKey::PROFILE_APPLY));
  macroButton_.SetText(Text(TextKey::PROFILE_MACRO));
  // The panels' own texts come when their buttons are made, after start-up.
  if (panelButtonsMade_) {
    profiles_.SetTexts();
    lighting_.SetTexts();
  }
  helpButton_.SetTooltipText(std::u16string(Text(TextKey::MAIN_HELP_PROMPT)));
  closeButton_.SetTooltipText(std::u16string(Text(TextKey::MAIN_CLOSE_PROMPT)));
  minimizeButton_.SetTooltipText(std::u16string(Text(TextKey::MAIN_MINIMIZE_PROMPT)));
  menuButton_.SetTooltipText(std::u16string(Text(TextKey::MAIN_MENU_PROMPT)));
  versionLabel_.SetText(std::u16string(Text(TextKey::MAIN_BUTTON_KORVAN_VER)) + u" " + kProgramVersion);
  if (panelButtonsMade_) grid_.SetTexts();
  SetWindowTextW(hwnd(), Wide(Text(TextKey::MAIN_CAPTION)).c_str());
  // The system menu's About item, worded as the button menu's.
  LoadLanguageGroup(4);
  if (HMENU systemMenu = GetSystemMenu(hwnd(), FALSE))
    ModifyMenuW(systemMenu, IDM_ABOUTBOX, MF_BYCOMMAND | MF_STRING, IDM_ABOUTBOX, Wide(Text(TextKey::MENU_3)).c_str());
}

void COstrakDlg::LanguageCommand(int choice) {
  StoreLanguageChoice(choice);
  LoadLanguageTexts();
  ApplyLanguageTexts();
  app_.tray().SetTooltip(Text(TextKey::KEYBOARD_TRAY_DESC));
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

HMENU BuildButtonMenu() {
  HMENU menu = LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_BUTTON_MENU));
  if (!menu) return nullptr;
  HMENU items = GetSubMenu(menu, 0);
  LoadLanguageGroup(4);
  const struct { TextKey text; UINT command; } entries[] = {
      {TextKey::MENU_1, ID_MENU_IMPORT}, {TextKey::MENU_2, ID_MENU_EXPORT}, {TextKey::MENU_6, ID_FIRMWARE_UPDATE},
      {TextKey::MENU_GAMES, ID_MENU_GAMES}, {TextKey::MENU_3, ID_APP_ABOUT}, {TextKey::MENU_4, ID_MENU_CLOSE}};
  for (UINT position = 0; position < std::size(entries); ++position)
    ModifyMenuW(items, position, MF_BYPOSITION | MF_STRING, entries[position].command,
                Wide(Text(entries[position].text)).c_str());
  // The two languages, each named in its own language, the current one checked:
  // a user who cannot read the current one still finds their own.
  if (HMENU languages = CreatePopupMenu()) {
    const bool english = ChosenLanguageSection() == std::u16string_view(kEnglishSection);
    AppendMenuW(languages, MF_STRING | (english ? 0 : MF_CHECKED), ID_LANGUAGE_CHINESE, L"\x4E2D\x6587");
    AppendMenuW(languages, MF_STRING | (english ? MF_CHECKED : 0), ID_LANGUAGE_ENGLISH, L"English");
    InsertMenuW(items, 5, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(languages),
                Wide(Text(TextKey::MENU_5)).c_str());
  }
  return menu;
}

void COstrakDlg::ShowButtonMenu() {
  HMENU menu = BuildButtonMenu();
  if (!menu) return;
  POINT at{};
  GetCursorPos(&at);
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  DestroyMenu(menu);
}

void COstrakDlg::ShowMessage(std::u16string_view text) { ShowMessageBox(hwnd(), text); }

bool COstrakDlg::AskYesNo(std::u16string_view text) { return AskYesNoBox(hwnd(), text); }

void COstrakDlg::EditKey(const KeyEditRequest& request) {
  if (RefusedWhileReadingBack()) return;
  // The editor works on a copy of its own and hands each Apply's edit back.
  std::unique_ptr<WorkingProfile> copy = session_.Read(CopyOfWorkingProfile);
  if (!copy) return;
  AddChildDialog(&keyEditor_);
  keyEditor_.Edit(request, session_.CurrentProfile(), std::move(copy), hwnd());
  RemoveChildDialog(&keyEditor_);
}

void COstrakDlg::TakeKeyEdit(const KeyEdit& edit) {
  // The grid shows the key's mark, the marks of keys whose macro went and
  // every tooltip that names a macro when the session tells of the edit.
  session_.Edit([&](WorkingProfile& profile) {
    ApplyKeyEdit(profile, edit);
    return true;
  });
}

// Other threads reach the window only through posted messages: a thread that
// waited for the window could hold up a reply the window itself waits for.
void COstrakDlg::Wake() {
  if (!wakePosted_.exchange(true)) PostMessageW(hwnd(), WM_SESSION_EVENTS, 0, 0);
}

void COstrakDlg::ShowDeviceMessage(TextKey key) {
  PostMessageW(hwnd(), WM_DEVICE_MESSAGE, static_cast<WPARAM>(key), 0);
}

void COstrakDlg::ApplyPendingChanges() {
  FinishLateStart();
  if (!PendingChanges() || exiting_) return;
  // The save and the download run on the transfer thread while the wait
  // animation runs here.
  const JobStart start = session_.Apply([this](const ApplyOutcome& outcome) {
    wait_.End();
    userJobRunning_ = false;
    SetStatusLine(outcome.Applied() ? Text(TextKey::STATUS_SENT) : u"");
    if (std::exchange(exitAfterApply_, false) && outcome.Applied()) {
      ExitApplication();
      return;
    }
    TellApplyOutcome(outcome);
  });
  switch (start) {
    case JobStart::kQueued:
      userJobRunning_ = true;
      wait_.Begin();
      return;
    case JobStart::kReadingBack:  // it would replace the profile this saves
      ShowDeviceMessage(TextKey::MAIN_KEYBOARD_BUSY_PROMPT);
      return;
    case JobStart::kProfileUnknown:
      ShowDeviceMessage(TextKey::MAIN_READ_BACK_FAILED_PROMPT);
      return;
    default:
      return;
  }
}

void COstrakDlg::ExportProfile() {
  const std::optional<std::u16string> path = chooseFile_(hwnd(), FileDialogKind::kSave);
  if (!path) return;
  // The same durable write as the profile file; a backup that did not happen
  // is said, with the file and what to do.
  const FileWrite written = session_.ExportProfile(*path);
  if (written != FileWrite::kWritten) {
    ShowMessage(ExportMessage(*path, written));
    return;
  }
  SetStatusLine(FormatText(Text(TextKey::STATUS_EXPORTED), *path));
}

void COstrakDlg::ImportProfile() {
  // The profile file is a read-back's, or a console command's while it has
  // the keyboard.
  if (RefusedWhileReadingBack()) return;
  FinishLateStart();
  const std::optional<std::u16string> path = chooseFile_(hwnd(), FileDialogKind::kOpen);
  if (!path) return;
  // Loaded whole before anything changes.
  WorkingProfile imported;
  if (!LoadImportFile(*this, *path, imported)) return;  // nothing changed
  const JobStart start = session_.Import(std::move(imported), [this](bool sent) {
    wait_.End();
    userJobRunning_ = false;
    SetStatusLine(sent ? Text(TextKey::STATUS_SENT) : u"");
    if (!sent && !exiting_) ShowMessage(Text(TextKey::MAIN_IMPORT_NOT_SENT_PROMPT));
  });
  if (start == JobStart::kQueued) {
    userJobRunning_ = true;
    wait_.Begin();
  } else if (start == JobStart::kReadingBack)
    ShowDeviceMessage(TextKey::MAIN_KEYBOARD_BUSY_PROMPT);  // a read-back began while the file was chosen
}

void COstrakDlg::OpenFirmwareUpdate() {
  if (firmwareUpdate_.IsOpen()) return;
  FinishLateStart();
  AddChildDialog(&firmwareUpdate_);
  firmwareUpdate_.Run(hwnd());
  RemoveChildDialog(&firmwareUpdate_);
}

void COstrakDlg::OpenProfileManager() {
  if (profileManager_.IsOpen()) return;
  AddChildDialog(&profileManager_);
  profileManager_.Run(hwnd());
  RemoveChildDialog(&profileManager_);
}

void COstrakDlg::UseProfile(int profile) {
  // The profile is then read back as the keyboard holds it.
  session_.SwitchProfileAndReadBack(profile);
}

bool COstrakDlg::SwitchProfile(int index) {
  return AskAndSwitchProfile(
      session_, {*this, KeyEditorOpen(), profileManager_.Pending(), [this] { ApplyPendingChanges(); }}, index);
}

unsigned COstrakDlg::GameSwitchHolds() const {
  unsigned holds = 0;
  const auto hold = [&](SwitchHold what, bool on) {
    if (on) holds |= static_cast<unsigned>(what);
  };
  hold(SwitchHold::kEditor, KeyEditorOpen());
  // Any dialog or box over the window: the profile manager, a file dialog, a question.
  hold(SwitchHold::kDialog, !childDialogs_.empty() || ModalLoopsRunning() > ownModalLoops_);
  hold(SwitchHold::kTransfer, keyboardReading_ || userJobRunning_ || lentToConsole_ || session_.Busy());
  // Changes not applied belong to the profile on screen; the user's Apply sends them there.
  hold(SwitchHold::kPending, PendingChanges() || profileManager_.Pending());
  return holds;
}

void COstrakDlg::TellGameSwitch(const ProfileSwitchDue& due) {
  const TextKey why = due.reason == SwitchReason::kRule           ? TextKey::GAMES_SWITCHED_RULE
                      : due.reason == SwitchReason::kBackToBefore ? TextKey::GAMES_SWITCHED_BACK
                                                                  : TextKey::GAMES_SWITCHED_CHOSEN;
  const std::u16string text =
      FormatText(FormatText(Text(why), due.profile + 1), std::u16string(ProgramFileName(due.program)));
  app_.tray().SetTooltip(std::u16string(Text(TextKey::KEYBOARD_TRAY_DESC)) + u"\n" + text);
  if (games_.switcher().Settings().notices) app_.tray().ShowNotice(text);
}

void COstrakDlg::OpenGameRules() {
  if (gameRules_.IsOpen()) return;
  AddChildDialog(&gameRules_);
  gameRules_.Run(hwnd());
  RemoveChildDialog(&gameRules_);
}

BootRequest COstrakDlg::SendBootRequest() {
  if (!link() || link()->DeviceCount() == 0) return BootRequest::kNoKeyboard;
  // Never in the middle of a transfer: the keyboard would leave half-written.
  if (KeyboardBusy()) return BootRequest::kBusy;
  return link()->SendBootRequest() == DeviceResult::kOk ? BootRequest::kSent : BootRequest::kRefused;
}

void COstrakDlg::ShowDeviceMessagesInTurn(TextKey key) {
  if (std::find(deviceMessages_.begin(), deviceMessages_.end(), key) == deviceMessages_.end())
    deviceMessages_.push_back(key);
  if (showingDeviceMessage_) return;  // its turn comes when the box on screen closes
  showingDeviceMessage_ = true;
  while (!deviceMessages_.empty() && !exiting_) {
    ShowMessage(Text(deviceMessages_.front()));
    deviceMessages_.pop_front();
  }
  showingDeviceMessage_ = false;
}

void COstrakDlg::TellApplyOutcome(const ApplyOutcome& outcome) {
  if (exiting_ || outcome.Applied()) return;
  if (!outcome.saved) ShowDeviceMessage(TextKey::MAIN_APPLY_NOT_SAVED_PROMPT);
  switch (outcome.download) {
    case DeviceResult::kOk:
    case DeviceResult::kCancelled:        // the program is closing
    case DeviceResult::kMacrosDoNotFit:   // the user was told why
      return;
    case DeviceResult::kAbsent:
      ShowDeviceMessage(TextKey::MAIN_APPLY_NO_KEYBOARD_PROMPT);
      return;
    default:
      ShowDeviceMessage(TextKey::MAIN_APPLY_NOT_TAKEN_PROMPT);
      return;
  }
}

void COstrakDlg::SetStatusLine(std::u16string_view text) {
  // Drawn over the window's picture, which is decoded once the window is seen;
  // hidden while it has nothing to say.
  statusLine_.SetBackground(Background().bitmap());
  statusLine_.SetText(text);
  ShowWindow(statusLine_.hwnd(), text.empty() ? SW_HIDE : SW_SHOWNA);
  InvalidateRect(statusLine_.hwnd(), nullptr, FALSE);
}

void COstrakDlg::ShowChunkSent(const SessionEvent& event) {
  // Only the user's own Apply and Import: the lighting and the read-backs
  // have their own signs.
  if (!userJobRunning_ || event.detail <= 0) return;
  const bool macros = event.code == kCommandWriteMacroImage;
  if (!macros && event.code != kCommandWriteKeyTable) return;
  const TextKey what = macros ? TextKey::STATUS_SENDING_MACROS : TextKey::STATUS_SENDING_KEYS;
  SetStatusLine(FormatText(Text(what), 100LL * event.value / event.detail));
}

void COstrakDlg::SetKeyboardReading(bool reading) {
  if (reading) CloseNoKeyboardNotice();  // it no longer says what is so
  if (reading == keyboardReading_) return;
  keyboardReading_ = reading;
  if (reading)
    wait_.Begin();
  else
    wait_.End();
}

void COstrakDlg::ShowMainWindow() {
  // A keyboard that is still being read opens the window already.
  if (Shell().devicesPresent == 0 && !keyboardReading_) {
    ShowNoKeyboardNotice();
    return;
  }
  FinishLateStart();
  LONG_PTR exStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, (exStyle & ~WS_EX_TOOLWINDOW) | WS_EX_APPWINDOW);
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  SetForegroundWindow(hwnd());
}

void COstrakDlg::ShowNoKeyboardNotice() {
  // One notice at a time: asking again (another start, "Open" again) brings
  // the one on screen forward.
  const std::u16string_view text = Text(TextKey::MAIN_NO_DEVICE_PROMPT);
  if (HWND shown = OwnedMessageBox(hwnd(), Wide(text))) {
    SetForegroundWindow(shown);
    return;
  }
  ShowMessageBox(hwnd(), text, MB_SETFOREGROUND);
}

void COstrakDlg::CloseNoKeyboardNotice() {
  if (HWND shown = OwnedMessageBox(hwnd(), Wide(Text(TextKey::MAIN_NO_DEVICE_PROMPT)))) ::EndDialog(shown, IDOK);
}

void COstrakDlg::HideMainWindow() { ShowWindow(hwnd(), SW_HIDE); }

void COstrakDlg::AddChildDialog(Dialog* child) {
  if (std::find(childDialogs_.begin(), childDialogs_.end(), child) == childDialogs_.end())
    childDialogs_.push_back(child);
}

void COstrakDlg::RemoveChildDialog(Dialog* child) {
  childDialogs_.erase(std::remove(childDialogs_.begin(), childDialogs_.end(), child), childDialogs_.end());
  if (!exiting_) games_.Evaluate();  // a switch may have waited for it
}

void COstrakDlg::CancelChildDialogs() {
  about_.Close();
  // Every dialog and box over the window ends as if cancelled, whoever shows
  // it (a message box of the key editor, a file dialog of the profile
  // manager), or the window would wait for the user. The firmware update stays
  // while the keyboard is away: it sent the keyboard to its boot mode itself,
  // and says whether its updater started.
  EndDialogsOver(*this, exiting_ ? nullptr : &firmwareUpdate_);
}

void COstrakDlg::CloseAsked() {
  if (exiting_ || !PendingChanges()) {
    ExitApplication();
    return;
  }
  const int answer = AskThreeWayBox(hwnd(), Text(TextKey::CLOSE_PENDING_PROMPT), Text(TextKey::CLOSE_APPLY),
                                    Text(TextKey::CLOSE_DISCARD), Text(TextKey::CLOSE_CANCEL));
  if (answer == IDNO || (answer == IDYES && !PendingChanges())) {
    ExitApplication();
  } else if (answer == IDYES) {
    // The program ends once the keyboard holds the changes; an Apply that
    // fails says so and the program stays.
    exitAfterApply_ = true;
    ApplyPendingChanges();
    if (!userJobRunning_) exitAfterApply_ = false;
  }
}

void COstrakDlg::ExitApplication() {
  if (!exiting_) {
    exiting_ = true;
    exitLimit_ = GetTickCount64() + kExitLimitMs;
    StopShowingMessageBoxes(true);
    HideMainWindow();
    // The transfer under way is given up first, so that nothing waits for a
    // slow keyboard; then the threads that may still call the window end.
    consoleRequests_.reset();
    games_.Stop();
    lightingPipe_.Stop();  // other programs' clients are disconnected
    session_.Stop();
    app_.ReleaseInstance();
  }
  EndMenu();
  CancelChildDialogs();
  // The dialogs' loops return first, innermost first: the profile goes only
  // when no dialog's code is left to use it. A loop that never returns does
  // not keep the program.
  if (ModalLoopsRunning() > ownModalLoops_) {
    if (GetTickCount64() > exitLimit_) ExitProcess(0);
    SetTimer(hwnd(), kExitTimer, kExitTickMs, nullptr);
    return;
  }
  KillTimer(hwnd(), kExitTimer);
  session_.FreeProfiles();
  EndDialog(IDCANCEL);
}

bool COstrakDlg::PreTranslateMessage(MSG& message) {
  if (message.message == WM_TIMECHANGE && message.hwnd == hwnd()) ApplyPendingChanges();
  if (message.message == WM_KEYDOWN)
    for (Panel* panel : panels_)
      if (panel->OnKeyDown(message.hwnd, message.wParam)) return true;
  if ((message.message == WM_KEYDOWN || message.message == WM_KEYUP) &&
      (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE))
    return true;  // the main window never closes on Enter or Escape
  return false;
}

void COstrakDlg::OnOK() {
  ApplyPendingChanges();
  HideMainWindow();
}

void COstrakDlg::OnCancel() { HideMainWindow(); }

void COstrakDlg::OnDestroy() {
  if (mainDialog == this) mainWindow = nullptr;
}

bool COstrakDlg::OnCommand(int id, int notifyCode, HWND control) {
  for (Panel* panel : panels_)
    if (AnyHolds(panel->Commands(), id)) return panel->OnCommand(id, notifyCode);
  return OnWindowCommand(id);
}

bool COstrakDlg::OnWindowCommand(int id) {
  switch (id) {
    case IDC_CLOSE:
    case ID_TRAY_EXIT:
    case ID_MENU_CLOSE:
      CloseAsked();
      return true;
    case ID_TRAY_OPEN:
      ShowMainWindow();
      return true;
    case IDC_MINIMIZE:
      PostMessageW(hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return true;
    case IDC_MENU_BUTTON:
      ShowButtonMenu();
      return true;
    case IDC_APPLY:
      ApplyPendingChanges();
      return true;
    case IDC_HELP_BUTTON:
      OpenHelp();
      return true;
    case ID_APP_ABOUT:
      ShowAboutBox();
      return true;
    case ID_LANGUAGE_CHINESE:
      LanguageCommand(0);
      return true;
    case ID_LANGUAGE_ENGLISH:
      LanguageCommand(1);
      return true;
    case IDC_LINK:
      ShellExecuteW(nullptr, L"open", Wide(linkAddress_).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      return true;
    case ID_MENU_IMPORT:
      ImportProfile();
      return true;
    case ID_MENU_EXPORT:
      ExportProfile();
      return true;
    case ID_FIRMWARE_UPDATE:
      OpenFirmwareUpdate();
      return true;
    case ID_MENU_GAMES:
      OpenGameRules();
      return true;
    default:
      return false;
  }
}

bool COstrakDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  if (OnInstanceMessage(message, wParam, result) || OnKeyboardMessage(message, wParam, lParam)) return true;
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
    for (Panel* panel : panels_) panel->OnWindowMouse(message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      if (!IsIconic(hwnd())) break;
      {
        // Minimised to an icon: the application icon in the middle.
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd(), &paint);
        RECT client;
        GetClientRect(hwnd(), &client);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, applicationIcon_);
        EndPaint(hwnd(), &paint);
      }
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(applicationIcon_);
      return true;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != IDM_ABOUTBOX) break;
      ShowAboutBox();
      return true;
    case WM_TIMER:
      OnTimer(wParam);
      break;  // and the default handling
    case WM_DEVICECHANGE:
      RetryStandingReads();
      break;
    case WM_HELP:
      OpenHelp();
      result = TRUE;
      return true;
    default:
      break;
  }
  return CBaseDialog::OnMessage(message, wParam, lParam, result);
}

bool COstrakDlg::OnInstanceMessage(UINT message, WPARAM wParam, LRESULT& result) {
  const auto tag = static_cast<std::uint32_t>(wParam);
  switch (message) {
    case WM_INSTANCE_OPEN:
      if (tag != kOpenTag) return true;
      ShowMainWindow();
      result = 1;
      return true;
    case WM_INSTANCE_KILL:
      if (tag != kKillTag) return true;
      // The exit runs from the message loop, as "Exit" does: run inside the
      // sent message, it could nest in a call of this thread that waits for
      // another process (the notification area), which then never returns.
      PostMessageW(hwnd(), WM_EXIT_NOW, 0, 0);
      result = 1;
      return true;
    case WM_EXIT_NOW:
      ExitApplication();
      return true;
    case WM_DEFERRED_INIT:
      if (tag != kInitTag) return true;
      app_.tray().Add(hwnd(), kTrayCallbackMessage, Text(TextKey::KEYBOARD_TRAY_DESC), applicationIcon_, kTrayIconId);
      app_.tray().SetTrayState(0, IDI_APPLICATION_ICON);
      profiles_.RefreshLabel();
      initDone_ = true;
      session_.OwnerReady();
      games_.Start({hwnd(), &session_, [this] { return GameSwitchHolds(); },
                    [this](const ProfileSwitchDue& due) { TellGameSwitch(due); }});
      PostMessageW(hwnd(), WM_LATE_START, 0, 0);
      if (openOnceStarted_) PostMessageW(hwnd(), WM_INSTANCE_OPEN, kOpenTag, 0);
      return true;
    case WM_LATE_START:
      if (LateStartStep())
        PostMessageW(hwnd(), WM_LATE_START, 0, 0);
      else
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      return true;
    default:
      return false;
  }
}

bool COstrakDlg::OnKeyboardMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SESSION_EVENTS:
      wakePosted_ = false;
      if (!exiting_) session_.DeliverEvents();
      if (!exiting_) games_.Evaluate();  // a hold may have ended
      return true;
    case WM_CONSOLE_REQUEST:
      AnswerConsoleRequest();
      return true;
    case WM_LIGHTING_CLIENTS:
      lightingClientsPosted_ = false;
      if (!exiting_) lightingPipe_.Deliver(lightingInterface_);
      return true;
    case WM_DEVICE_MESSAGE:
      if (!exiting_) ShowDeviceMessagesInTurn(static_cast<TextKey>(wParam));
      return true;
    case WM_SLIDER_CHANGED:
      lighting_.OnSliderMoved(static_cast<int>(wParam), static_cast<int>(lParam));
      return true;
    default:
      return false;
  }
}

void COstrakDlg::OnSessionEvent(const SessionEvent& event) {
  if (exiting_) return;
  games_.OnSessionEvent(event);
  switch (event.kind) {
    case SessionEvent::Kind::kReading:
      SetKeyboardReading(event.value != 0);
      return;
    case SessionEvent::Kind::kKeyboardArrived:
      OnDeviceReady(event.value != 0);
      return;
    case SessionEvent::Kind::kKeyboardLeft:
      OnDeviceGone();
      return;
    case SessionEvent::Kind::kPendingChanged:
      applyButton_.Enable(session_.Pending());
      if (session_.Pending() && !userJobRunning_) SetStatusLine(u"");  // new edits: what was sent is old news
      return;
    case SessionEvent::Kind::kChunkSent:
      ShowChunkSent(event);
      return;
    case SessionEvent::Kind::kTrayState:
      app_.tray().SetTrayState(event.value, event.detail);
      return;
    case SessionEvent::Kind::kTell:
      // Shown from the message loop: a box here would hold up the events behind it.
      ShowDeviceMessage(static_cast<TextKey>(event.value));
      return;
    default:
      return;  // the panels' business
  }
}

void COstrakDlg::OnDeviceReady(bool readBack) {
  // The session has loaded the profile; the panels show it.
  CloseNoKeyboardNotice();
  SetKeyboardReading(false);
}

void COstrakDlg::OnDeviceGone() {
  SetKeyboardReading(false);
  CancelChildDialogs();
  // The window goes with the keyboard; the notification area says why.
  if (IsWindowVisible(hwnd())) app_.tray().ShowNotice(Text(TextKey::KEYBOARD_LEFT_NOTICE));
  HideMainWindow();
}

void COstrakDlg::OnTimer(UINT_PTR timer) {
  if (timer == kExitTimer) {
    ExitApplication();
    return;
  }
  if (timer == kStandingReadTimer) {
    RetryStandingReads();
    return;
  }
  if (games_.OnTimer(timer)) return;
  lighting_.OnTimer(timer);
}
