#include "shell/main_dialog_win.h"

#include <shellapi.h>

#include <algorithm>

#include "controls/skin_place_win.h"
#include "app/wide_win.h"
#include "device/device_service_win.h"
#include "profiles/profile_keyboard.h"
#include "profiles/profile_store.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "skin/skin_file_win.h"
#include "skin/skin_keys.h"
#include "shell/key_grid_ids.h"
#include "localisation/language_file_win.h"
#include "localisation/text_slots.h"
#include "resources/resource_ids.h"
#include "app/app_paths.h"
#include "app/messages.h"
#include "app/shell_state.h"

namespace {

COstrakDlg* mainDialog = nullptr;
HWND mainWindow = nullptr;

// The framework shows a modal dialog when its loop starts; the main window
// undoes that by hiding itself at its first non-client paints, so that it
// starts in the notification area only.
int hideAtStartCount = 2;

constexpr UINT_PTR kLightingRefreshTimer = 1051;
// The wait animation: timer 1050 shows the next of its ten pictures every 50 ms.
constexpr UINT_PTR kWaitTimer = 1050;
constexpr UINT kWaitTimerPeriodMs = 50;

// Posted to itself while steps of the late start are left.
constexpr UINT WM_LATE_START = WM_APP + 0x50;
// Posted by other threads, which never wait for the window: an Apply ended
// (wParam the edit count it began with, lParam its result), a message of the
// keyboard link to show (wParam its text key), a notification-area icon
// state (wParam kind, lParam icon), the keyboard's settings changed, the
// keyboard switched profiles (wParam the index).
constexpr UINT WM_APPLY_DONE = WM_APP + 0x51;
constexpr UINT WM_DEVICE_MESSAGE = WM_APP + 0x52;
constexpr UINT WM_TRAY_STATE = WM_APP + 0x53;
constexpr UINT WM_LIGHTING_CHANGED = WM_APP + 0x54;
constexpr UINT WM_PROFILE_SWITCHED = WM_APP + 0x55;
constexpr UINT WM_KEYBOARD_READING = WM_APP + 0x56;

// The system's message boxes owned by the main window (our own dialogs are
// closed through their objects).
struct OwnedBoxes {
  HWND owner;
  const std::vector<Dialog*>* ours;
};

BOOL CALLBACK CancelOwnedMessageBox(HWND window, LPARAM context) {
  const auto* boxes = reinterpret_cast<const OwnedBoxes*>(context);
  if (GetWindow(window, GW_OWNER) != boxes->owner) return TRUE;
  for (const Dialog* dialog : *boxes->ours)
    if (dialog->hwnd() == window) return TRUE;
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (wcscmp(className, L"#32770") == 0) EndDialog(window, IDCANCEL);
  return TRUE;
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

void COstrakDlg::ArmHideAtStart() { hideAtStartCount = 2; }

COstrakDlg::COstrakDlg(bool withDevice)
    : CBaseDialog(IDD_MAIN, Paths().mainSkinFile, Paths().mainSkinFolder, Decode::kLater), withDevice_(withDevice) {
  applicationIcon_ = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
  // Its tooltips load the common controls when the mouse first needs one.
  UseOnlySystemControls();
}

COstrakDlg::~COstrakDlg() {
  for (HBITMAP& picture : waitPictures_)
    if (picture) DeleteObject(picture);
  StopKeyboardThreads();
  if (&UI() == this) SetUserInterface(nullptr);
  if (instanceMutex_) CloseHandle(instanceMutex_);
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
  Bind(profilesButton_, IDC_FUNC_PROFILES);
  Bind(macroButton_, IDC_FUNC_MACRO);
  Bind(linkButton_, IDC_LINK);
}

std::vector<COstrakDlg::GridButton> COstrakDlg::GridButtons() {
  std::vector<GridButton> buttons;
  for (int j = 0; j < 9; ++j) buttons.push_back({ExtraKeySkinKey(j), kExtraKeyIds[j], &extraKeys_[j]});
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    buttons.push_back({KeyButtonSkinKey(KeyboardKeys[i]), kKeyButtonIds[i], &keyButtons_[i]});
  const int reportRateIds[] = {IDC_REPORT1, IDC_REPORT2, IDC_REPORT3, IDC_REPORT4};
  for (int k = 0; k < 4; ++k)
    buttons.push_back({u"FUNC_REPORT" + std::u16string(1, char16_t(u'1' + k)), reportRateIds[k], &reportRateButtons_[k]});
  const GridButton named[] = {
      {u"KEY_FN", IDC_KEY_FN, &fnKey_},           {u"LOCK_CAPS", IDC_LOCK_CAPS, &lockCaps_},
      {u"LOCK_NUM", IDC_LOCK_NUM, &lockNum_},     {u"LOCK_SCROLL", IDC_LOCK_SCROLL, &lockScroll_},
      {u"LOCK_AB", IDC_LOCK_AB, &layerIndicator_}, {u"FLIP_0", IDC_FLIP_0, &flipIndicator_},
      {u"FLIP_1", IDC_FLIP_1, &flip1_},           {u"FLIP_2", IDC_FLIP_2, &flip2_},
      {u"LEFT_ARROW", IDC_LEFT_ARROW, &leftArrow_}, {u"RIGHT_ARROW", IDC_RIGHT_ARROW, &rightArrow_},
      {u"FUNC_PROFILE1", IDC_PROFILE1, &profile1_}, {u"FUNC_PROFILE2", IDC_PROFILE2, &profile2_},
      {u"FUNC_PROFILE3", IDC_PROFILE3, &profile3_}, {u"FUNC_DEFAULT", IDC_DEFAULT, &defaultButton_},
      {u"FUNC_SWITCH", IDC_SWITCH, &switchButton_}};
  buttons.insert(buttons.end(), std::begin(named), std::end(named));
  return buttons;
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
      {u"KORVAN_LINK", &linkButton_},       {u"FUNC_PROFILES", &profilesButton_}, {u"FUNC_MACRO", &macroButton_},
      {u"CONTROL_OK", &okButton_},          {u"CONTROL_CANCEL", &cancelButton_},  {u"CONTROL_HELP", &helpButton_},
      {u"CONTROL_CLOSE", &closeButton_},    {u"CONTROL_MINIMIZE", &minimizeButton_},
      {u"CONTROL_MENU", &menuButton_},      {u"CONTROL2_APPLY", &applyButton_},   {u"KORVAN_VER", &versionLabel_}};
  for (const auto& control : placed) targets.buttons[control.key] = control.button;
  targets.others[u"CONTROL_JDTStatic"] = Item(IDC_WAIT_PICTURE);
  PlaceSkinControls(SkinWindow::kMain, placement_, targets);
}

bool COstrakDlg::BuildGridButtons(std::size_t count) {
  const std::vector<GridButton> grid = GridButtons();
  if (gridButtonsBuilt_ >= grid.size()) return false;
  for (; count > 0 && gridButtonsBuilt_ < grid.size(); --count) {
    const GridButton& next = grid[gridButtonsBuilt_++];
    const SkinKey* key = FindSkinKey(SkinWindow::kMain, next.skinKey);
    if (!key) continue;
    // Made where the skin puts it: moving a window afterwards costs as much as making it.
    const SkinRect r = SkinRectIn(placement_.buttonInfo, next.skinKey);
    DWORD style = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON;
    if (next.id == IDC_SWITCH) style &= ~DWORD(WS_VISIBLE);  // the colour-key switch is never offered
    if (next.id >= kExtraKeyIds[5] && next.id <= kExtraKeyIds[8]) style |= WS_DISABLED;  // G6 to G9
    if (next.id == IDC_LEFT_ARROW || next.id == IDC_RIGHT_ARROW) style |= WS_DISABLED;
    CreateWindowExW(0, L"BUTTON", L"", style, r.x, r.y, r.w, r.h, hwnd(),
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(next.id)), GetModuleHandleW(nullptr), nullptr);
    next.button->Attach(hwnd(), next.id);
    SkinTargets target;
    target.buttons[next.skinKey] = next.button;
    PlaceSkinKey(*key, placement_, target);
  }
  return true;
}

bool COstrakDlg::LateStartStep() {
  if (DecodeSkin()) return true;
  if (BuildGridButtons(16)) return true;
  if (SharedPicturesOf(SkinWindow::kMain).DecodeNext()) return true;
  if (waitPicturesRead_ == 10) return false;
  const int i = waitPicturesRead_++;
  const std::wstring file = Wide(SkinFolder()) + L"jdt" + std::to_wstring(i + 1) + L".bmp";
  waitPictures_[i] = LoadBitmapFile(FromWide(file));
  return true;
}

void COstrakDlg::FinishLateStart() {
  bool worked = false;
  while (LateStartStep()) worked = true;
  if (worked) RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void COstrakDlg::ShowNextWaitPicture() {
  if (HBITMAP picture = waitPictures_[waitFrame_])
    SendDlgItemMessageW(hwnd(), IDC_WAIT_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
  waitFrame_ = (waitFrame_ + 1) % 10;
}

void COstrakDlg::SetControlTexts() {
  // Link address: SCREEN/Link of the main skin file, or our own page.
  wchar_t link[kMaxPath] = {};
  GetPrivateProfileStringW(L"SCREEN", L"Link", L"", link, kMaxPath, Wide(SkinFile()).c_str());
  linkAddress_ = link[0] ? FromWide(link) : u"https://ostrak.example/";
  linkButton_.SetTooltipText(linkAddress_);
  helpButton_.SetTooltipText(std::u16string(Text(TextKey::MAIN_HELP_PROMPT)));
  closeButton_.SetTooltipText(std::u16string(Text(TextKey::MAIN_CLOSE_PROMPT)));
  minimizeButton_.SetTooltipText(std::u16string(Text(TextKey::MAIN_MINIMIZE_PROMPT)));
  menuButton_.SetTooltipText(std::u16string(Text(TextKey::MAIN_MENU_PROMPT)));
  profilesButton_.SetTextStyle(true, 10, u"Arial", RGB(0xE4, 0xE4, 0xE4), DT_SINGLELINE | DT_BOTTOM);
  profilesButton_.SetTextAngle(268, true);
  versionLabel_.SetTextStyle(true, 8, u"Verdana", RGB(0xE4, 0xE4, 0xE4), DT_SINGLELINE | DT_VCENTER);
  versionLabel_.Enable(false);
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
  SetUserInterface(this);

  // The keyboard: the device service and the link; without them the program
  // cannot work and ends quietly.
  if (withDevice_) {
    std::wstring folder = Wide(Paths().programFolder);
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    link_ = OpenDeviceLink(folder);
    if (!link_) ExitProcess(0);
    transfers_ = std::make_unique<TransferThread>(*link_);
    // An arrived keyboard's profile is read back into the profile file on the
    // transfer thread (an Apply it left unfinished is finished first); the
    // window loads the file when it hears of it.
    DeviceLink& link = *link_;
    notices_ = std::make_unique<KeyboardNotices>(*link_, *transfers_, *this, [this, &link] {
      const std::u16string path = ProfileFilePath(link.CurrentProfile());
      if (FinishInterruptedApply(link, *this, path) != 1) return 0;
      return ReadProfileFromKeyboard(link, path);
    });
    const int count = StartOpenedDeviceLink(notices_.get());
    if (count < 0) ExitProcess(0);
    notices_->OnDeviceCount(count);
  }

  {
    std::lock_guard guard(Working().lock);
    FreeWorkingProfile(Working());
    NewDefaultProfile(Working());
  }
  SetPendingChanges(false);

  PlaceSkinnedControls();
  SetControlTexts();
  CenterOnWorkArea(hwnd());

  // No taskbar button until the user opens the window; the marker lets a
  // second start find this window.
  LONG_PTR exStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
  SetWindowLongPtrW(hwnd(), GWLP_USERDATA, kMainWindowMarker);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);
  SetWindowTextW(hwnd(), Wide(Text(TextKey::MAIN_CAPTION)).c_str());

  events_.Create();
  Shell().displayMode = 0;
  PostMessageW(hwnd(), WM_DEFERRED_INIT, kInitTag, 0);
  ApplyLanguageTexts();
  return TRUE;
}

void COstrakDlg::ApplyLanguageTexts() {
  LoadLanguageGroup(3);
  okButton_.SetText(Text(TextKey::PROFILE_OK));
  cancelButton_.SetText(Text(TextKey::PROFILE_CANCLE));
  applyButton_.SetText(Text(TextKey::PROFILE_APPLY));
  macroButton_.SetText(Text(TextKey::PROFILE_MACRO));
  versionLabel_.SetText(Text(TextKey::MAIN_BUTTON_KORVAN_VER));
  SetWindowTextW(hwnd(), Wide(Text(TextKey::MAIN_CAPTION)).c_str());
}

void COstrakDlg::LanguageCommand(int choice) {
  StoreLanguageChoice(choice);
  LoadLanguageTexts();
  ApplyLanguageTexts();
  tray_.SetTooltip(Text(TextKey::KEYBOARD_TRAY_DESC));
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void COstrakDlg::ShowButtonMenu() {
  HMENU menu = LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_BUTTON_MENU));
  if (!menu) return;
  HMENU items = GetSubMenu(menu, 0);
  LoadLanguageGroup(4);
  const struct { TextKey text; UINT command; } entries[] = {
      {TextKey::MENU_1, ID_MENU_IMPORT}, {TextKey::MENU_2, ID_MENU_EXPORT},
      {TextKey::MENU_3, ID_APP_ABOUT}, {TextKey::MENU_4, ID_MENU_CLOSE}};
  for (UINT position = 0; position < 4; ++position)
    ModifyMenuW(items, position, MF_BYPOSITION | MF_STRING, entries[position].command,
                Wide(Text(entries[position].text)).c_str());
  POINT at{};
  GetCursorPos(&at);
  TrackPopupMenu(items, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  DestroyMenu(menu);
}

void COstrakDlg::ShowMessage(std::u16string_view text) {
  MessageBoxW(hwnd(), Wide(text).c_str(), Wide(Paths().applicationName).c_str(), MB_OK | MB_ICONWARNING);
}

bool COstrakDlg::AskYesNo(std::u16string_view text) {
  return MessageBoxW(hwnd(), Wide(text).c_str(), Wide(Paths().applicationName).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void COstrakDlg::RefreshKeyGrid() {
  // The key grid comes with the skinned main window.
}

// Other threads reach the window only through posted messages: a thread that
// waited for the window could hold up a reply the window itself waits for.
void COstrakDlg::DeviceReady(int readResult) { PostMessageW(hwnd(), WM_DEVICE_READY, kProfileTag, readResult); }

void COstrakDlg::DeviceGone() { PostMessageW(hwnd(), WM_DEVICE_GONE, 0, 0); }

void COstrakDlg::ReadingKeyboard(bool reading) { PostMessageW(hwnd(), WM_KEYBOARD_READING, reading, 0); }

void COstrakDlg::ShowLayer() { PostMessageW(hwnd(), WM_LED_REFRESH, kLedTag, 0); }

void COstrakDlg::RefreshLightingSoon() { PostMessageW(hwnd(), WM_LIGHTING_CHANGED, 0, 0); }

void COstrakDlg::ShowDeviceMessage(TextKey key) {
  PostMessageW(hwnd(), WM_DEVICE_MESSAGE, static_cast<WPARAM>(key), 0);
}

void COstrakDlg::SetTrayState(int kind, int iconId) {
  if (GetWindowThreadProcessId(hwnd(), nullptr) == GetCurrentThreadId())
    tray_.SetTrayState(kind, iconId);
  else
    PostMessageW(hwnd(), WM_TRAY_STATE, static_cast<WPARAM>(kind), iconId);
}

void COstrakDlg::SendApplyCommand() { SendMessageW(hwnd(), WM_COMMAND, IDC_APPLY, 0); }

void COstrakDlg::ProfileSwitched(int index) { PostMessageW(hwnd(), WM_PROFILE_SWITCHED, static_cast<WPARAM>(index), 0); }

void COstrakDlg::RefreshProfileLabel() {
  const int current = link_ ? link_->CachedProfile() : -1;
  for (const ProfileMenuItem& item : ProfileMenuItems(current, FileNameOf(ProfileFilePath(0)))) {
    if (!item.checked) continue;
    profilesButton_.SetText(item.text);
    profilesButton_.SetTooltipText(std::u16string(Text(TextKey::PROFILE_TIP)) + item.text);
  }
}

void COstrakDlg::ShowProfileMenu() {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  const int current = link_ ? link_->CachedProfile() : -1;
  for (const ProfileMenuItem& item : ProfileMenuItems(current, FileNameOf(ProfileFilePath(0)))) {
    if (item.command == 0)
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuW(menu, MF_STRING | (item.checked ? MF_CHECKED : 0), item.command, Wide(item.text).c_str());
  }
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(hwnd());
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  DestroyMenu(menu);
}

void COstrakDlg::SetPendingChanges(bool pending) {
  if (pending) ++pendingVersion_;
  pendingChanges_ = pending;
  applyButton_.Enable(pending);
}

void COstrakDlg::ApplyPendingChanges() {
  FinishLateStart();
  if (!pendingChanges_ || !transfers_ || exiting_) return;
  if (!profileKnown_) {
    ShowDeviceMessage(TextKey::MAIN_READ_BACK_FAILED_PROMPT);
    return;
  }
  DeviceLink& link = *link_;
  const std::u16string path = ProfileFilePath(link.CachedProfile());
  const unsigned version = pendingVersion_;
  const HWND window = hwnd();
  const bool queued = transfers_->Post([this, &link, path, version, window] {
    const int result = SaveAndApplyProfile(link, *this, Working(), Applied(), path);
    PostMessageW(window, WM_APPLY_DONE, version, result);
  });
  if (queued) BeginBusy();
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

void COstrakDlg::ApplyFinished(unsigned version, int result) {
  EndBusy();
  // An edit made while the Apply ran is not in the keyboard yet: it stays pending.
  if (result == 1 && version == pendingVersion_) SetPendingChanges(false);
}

void COstrakDlg::BeginBusy() {
  if (busy_++ > 0) return;
  ShowWindow(Item(IDC_WAIT_PICTURE), SW_SHOW);
  SetTimer(hwnd(), kWaitTimer, kWaitTimerPeriodMs, nullptr);
}

void COstrakDlg::EndBusy() {
  if (busy_ == 0 || --busy_ > 0) return;
  KillTimer(hwnd(), kWaitTimer);
  ShowWindow(Item(IDC_WAIT_PICTURE), SW_HIDE);
}

void COstrakDlg::SetKeyboardReading(bool reading) {
  if (reading == keyboardReading_) return;
  keyboardReading_ = reading;
  if (reading)
    BeginBusy();
  else
    EndBusy();
}

void COstrakDlg::StopKeyboardThreads() {
  // The transfer under way is given up first, so that nothing waits for a
  // slow keyboard; then the threads that may still call the window end.
  if (transfers_) transfers_->Stop();
  if (notices_) notices_->Stop();
  if (link_) link_->Stop();
}

void COstrakDlg::ShowMainWindow() {
  // A keyboard that is still being read opens the window already.
  if (Shell().devicesPresent == 0 && !keyboardReading_) {
    MessageBoxW(hwnd(), Wide(Text(TextKey::MAIN_NO_DEVICE_PROMPT)).c_str(),
                Wide(Paths().applicationName).c_str(), MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
    return;
  }
  // Once the user asks for the window, the start-time hiding is over, however
  // many frame paints the system has sent so far.
  hideAtStartCount = 0;
  FinishLateStart();
  LONG_PTR exStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, (exStyle & ~WS_EX_TOOLWINDOW) | WS_EX_APPWINDOW);
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  SetForegroundWindow(hwnd());
}

void COstrakDlg::HideMainWindow() { ShowWindow(hwnd(), SW_HIDE); }

void COstrakDlg::AddChildDialog(Dialog* child) {
  if (std::find(childDialogs_.begin(), childDialogs_.end(), child) == childDialogs_.end())
    childDialogs_.push_back(child);
}

void COstrakDlg::RemoveChildDialog(Dialog* child) {
  childDialogs_.erase(std::remove(childDialogs_.begin(), childDialogs_.end(), child), childDialogs_.end());
}

void COstrakDlg::CancelChildDialogs() {
  about_.Close();
  const std::vector<Dialog*> open = childDialogs_;  // a child removes itself as it closes
  for (Dialog* child : open)
    if (child->IsOpen()) child->EndDialog(IDCANCEL);
  // A message box of ours (such as the no-keyboard notice) runs its own loop;
  // it must close too, or the exit waits for the user.
  const OwnedBoxes boxes{hwnd(), &open};
  EnumThreadWindows(GetCurrentThreadId(), CancelOwnedMessageBox, reinterpret_cast<LPARAM>(&boxes));
}

void COstrakDlg::ExitApplication() {
  exiting_ = true;
  HideMainWindow();
  StopKeyboardThreads();
  CancelChildDialogs();
  if (instanceMutex_) {
    CloseHandle(instanceMutex_);
    instanceMutex_ = nullptr;
  }
  events_.Close();
  tray_.Remove();
  SetPendingChanges(false);
  {
    std::lock_guard working(Working().lock);
    FreeWorkingProfile(Working());
    FreeAppliedProfile(Applied());
  }
  EndDialog(IDCANCEL);
}

bool COstrakDlg::PreTranslateMessage(MSG& message) {
  if (message.message == WM_TIMECHANGE && message.hwnd == hwnd()) ApplyPendingChanges();
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
  switch (id) {
    case IDC_CLOSE:
    case ID_TRAY_EXIT:
    case ID_MENU_CLOSE:
      ExitApplication();
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
    case IDC_PROFILE_MENU:
      ShowProfileMenu();
      return true;
    case ID_LANGUAGE_CHINESE:
      LanguageCommand(0);
      return true;
    case ID_LANGUAGE_ENGLISH:
      LanguageCommand(1);
      return true;
    case IDC_FUNC_PROFILES:   // the profile manager
    case IDC_FUNC_MACRO:      // the macro key's editor
    case ID_MENU_IMPORT:      // profile import
    case ID_MENU_EXPORT:      // profile export
    case ID_FIRMWARE_UPDATE:  // the firmware update dialog
      return true;            // their windows are not part of the program yet
    case IDC_LINK:
      ShellExecuteW(nullptr, L"open", Wide(linkAddress_).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      return true;
    default:
      // The key grid and its indicators (1000-1004, 1010-1143, 1174) and the
      // lighting panel (1146-1194) answer their own commands once they exist.
      if ((id >= 1000 && id <= 1004) || (id >= 1010 && id <= 1143) || (id >= 1146 && id <= 1194)) return true;
      if (id >= kProfileMenuFirstCommand && id <= kProfileMenuFirstCommand + 200 && link_) {
        SwitchProfile(*transfers_, *link_, Working(), ProfileFilePath(link_->CachedProfile()),
                      id - kProfileMenuFirstCommand - 1);
        return true;
      }
      return false;
  }
}

bool COstrakDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_NCPAINT:
      if (hideAtStartCount <= 0) return CBaseDialog::OnMessage(message, wParam, lParam, result);
      --hideAtStartCount;
      ShowWindow(hwnd(), SW_HIDE);
      result = 0;
      return true;
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
      result = 0;
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(applicationIcon_);
      return true;
    case WM_INSTANCE_OPEN:
      result = 0;
      if (static_cast<std::uint32_t>(wParam) == kOpenTag) {
        ShowMainWindow();
        result = 1;
      }
      return true;
    case WM_INSTANCE_KILL:
      result = 0;
      if (static_cast<std::uint32_t>(wParam) == kKillTag) {
        // The exit runs from the message loop, as "Exit" does: run inside the
        // sent message, it could nest in a call of this thread that waits for
        // another process (the notification area), which then never returns.
        PostMessageW(hwnd(), WM_COMMAND, ID_TRAY_EXIT, 0);
        result = 1;
      }
      return true;
    case WM_DEFERRED_INIT:
      result = 0;
      if (static_cast<std::uint32_t>(wParam) == kInitTag) {
        tray_.Add(hwnd(), kTrayCallbackMessage, Text(TextKey::KEYBOARD_TRAY_DESC), applicationIcon_, kTrayIconId);
        tray_.SetTrayState(0, IDI_APPLICATION_ICON);
        RefreshProfileLabel();
        initDone_ = true;
        PostMessageW(hwnd(), WM_LATE_START, 0, 0);
      }
      return true;
    case WM_LATE_START:
      if (LateStartStep())
        PostMessageW(hwnd(), WM_LATE_START, 0, 0);
      else
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      result = 0;
      return true;
    case WM_DEVICE_READY:
      result = 0;
      if (static_cast<std::uint32_t>(wParam) == kProfileTag && link_ && !exiting_) {
        SetKeyboardReading(false);
        const int readResult = static_cast<int>(lParam);
        profileKnown_ = LoadProfileFromKeyboard(Working(), ProfileFilePath(link_->CachedProfile()), readResult) == 1;
        if (readResult != 1) ShowDeviceMessage(TextKey::MAIN_READ_BACK_FAILED_PROMPT);
        RefreshProfileLabel();
      }
      return true;
    case WM_KEYBOARD_READING:
      if (!exiting_) SetKeyboardReading(wParam != 0);
      result = 0;
      return true;
    case WM_APPLY_DONE:
      ApplyFinished(static_cast<unsigned>(wParam), static_cast<int>(lParam));
      result = 0;
      return true;
    case WM_DEVICE_MESSAGE:
      if (!exiting_) ShowDeviceMessagesInTurn(static_cast<TextKey>(wParam));
      result = 0;
      return true;
    case WM_TRAY_STATE:
      if (!exiting_) tray_.SetTrayState(static_cast<int>(wParam), static_cast<int>(lParam));
      result = 0;
      return true;
    case WM_LIGHTING_CHANGED:
      SetTimer(hwnd(), kLightingRefreshTimer, 0, nullptr);
      result = 0;
      return true;
    case WM_PROFILE_SWITCHED: {
      RefreshProfileLabel();
      std::lock_guard guard(Working().lock);
      RefreshKeyGrid();
      result = 0;
      return true;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != IDM_ABOUTBOX) break;
      ShowAboutBox();
      result = 0;
      return true;
    case WM_DEVICE_GONE:
      SetKeyboardReading(false);
      CancelChildDialogs();
      HideMainWindow();
      result = 0;
      return true;
    case WM_TIMER:
      if (wParam == kLightingRefreshTimer) KillTimer(hwnd(), kLightingRefreshTimer);
      if (wParam == kWaitTimer) ShowNextWaitPicture();
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
