// COstrakDlg, the one main window. It starts hidden, lives in the notification
// area and hands each command to the panel whose ids hold it: the key grid,
// the profile buttons, the lighting panel; the rest are the window's own.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "app/user_interface.h"
#include "controls/base_dialog_win.h"
#include "controls/file_dialog_win.h"
#include "controls/png_button_win.h"
#include "controls/skin_place_win.h"
#include "controls/wait_animation_win.h"
#include "device/keyboard_claim_win.h"
#include "dialogs/game_rules_dialog_win.h"
#include "dialogs/profile_manager_win.h"
#include "dialogs/update_dialog_win.h"
#include "editors/composite_dialog_win.h"
#include "panels/key_grid_panel_win.h"
#include "lighting_interface/lighting_pipe_server_win.h"
#include "panels/lighting_panel_win.h"
#include "panels/profile_panel_win.h"
#include "profiles/profile_keyboard.h"
#include "profiles/settings_win.h"
#include "session/keyboard_session.h"
#include "shell/about_dialog_win.h"
#include "shell/app_win.h"
#include "shell/game_watcher_win.h"
#include "shell/tray_icon_win.h"

// The window drives the keyboard session: it hands it the user's commands and
// shows what it tells.
class COstrakDlg : public CBaseDialog, public UserInterface, public SessionHost {
 public:
  // Without the device, the window runs with no keyboard at all (tests of the
  // window alone); the program always starts it.
  explicit COstrakDlg(COstrakApp& app, bool withDevice = true);
  ~COstrakDlg() override;

  // Shows the window with its taskbar button, or tells the user that no
  // keyboard is present.
  void ShowMainWindow();
  // Hides the window; its extended styles stay as they are.
  void HideMainWindow();
  // The exit sequence: everything the running instance holds is given back and
  // the modal loop ends.
  void ExitApplication();
  // The user closes the program (close button, tray Exit, the menu's Close):
  // with changes pending, asked first whether to apply them, discard them or
  // stay.
  void CloseAsked();
  // Closes every open child dialog as if the user had cancelled it.
  void CancelChildDialogs();

  // What the portable core asks of the window.
  void ShowMessage(std::u16string_view text) override;
  bool AskYesNo(std::u16string_view text) override;
  // The session has events waiting (any thread).
  void Wake() override;

  KeyboardSession& session() { return session_; }
  bool PendingChanges() const { return session_.Pending(); }
  void SetPendingChanges(bool pending) { session_.SetPending(pending); }
  // The key grid again from the working profile.
  void RefreshKeyGrid() { grid_.RefreshKeyGrid(); }
  bool KeyEditorOpen() const { return keyEditor_.OpenCount() > 0; }
  // Whether the window has finished starting up; whether its exit has begun.
  bool InitDone() const { return initDone_; }
  bool Exiting() const { return exiting_; }
  // A message for the user, shown from the message loop, one at a time.
  void ShowDeviceMessage(TextKey key);

  // Opens the window once start-up is done, as a second start would.
  void OpenOnceStarted() { openOnceStarted_ = true; }

  DeviceLink* link() const { return session_.Link(); }
  // Whether a transfer runs or waits, the session has events to deliver, or
  // the window still shows a transfer running (its wait animation). For tests
  // and the fault soak.
  bool KeyboardBusy() const { return session_.Busy() || wait_.Running(); }
  // How many keyboard counts the link has noticed.
  unsigned KeyboardCountsNoticed() const { return session_.KeyboardCountsNoticed(); }

  HICON applicationIcon() const { return applicationIcon_; }

  // Child dialogs register while they are open, so that the exit sequence and
  // the keyboard's removal can cancel them.
  void AddChildDialog(Dialog* child);
  void RemoveChildDialog(Dialog* child);

  CAboutDlg& aboutBox() { return about_; }
  KeyGridPanel& keyGrid() { return grid_; }
  ProfilePanel& profilePanel() { return profiles_; }
  LightingPanel& lightingPanel() { return lighting_; }
  Ostrak_DlgComposite& keyEditor() { return keyEditor_; }
  COstrak_DlgUpdate& firmwareUpdate() { return firmwareUpdate_; }
  COstrak_DlgProfile& profileManager() { return profileManager_; }
  GameWatcher& gameWatcher() { return games_; }
  COstrak_DlgGames& gameRules() { return gameRules_; }
  void ShowAboutBox() { about_.Show(linkAddress_); }
  // Stands for the system's file dialogs of import and export (tests).
  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

 protected:
  void BindControls() override;
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool PreTranslateMessage(MSG& message) override;
  void OnOK() override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  // The handlers OnMessage hands to: another instance and the start-up steps;
  // what the keyboard's threads post; the timers.
  bool OnInstanceMessage(UINT message, WPARAM wParam, LRESULT& result);
  bool OnKeyboardMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnTimer(UINT_PTR timer);
  // What the session tells the window itself (the panels hear it too).
  void OnSessionEvent(const SessionEvent& event);
  void OnDeviceReady(bool readBack);
  void OnDeviceGone();
  // The window's own commands (those of no panel).
  bool OnWindowCommand(int id);

  void OpenKeyboard();
  // The notice that no keyboard is present: at most one, closed once a keyboard arrives.
  void ShowNoKeyboardNotice();
  void CloseNoKeyboardNotice();
  void ApplyLanguageTexts();
  void ShowButtonMenu();
  void LanguageCommand(int choice);
  // The Apply: the save and the download run on the transfer thread while the
  // wait animation runs here; the pending changes end when it succeeded and
  // nothing was edited since it began.
  void ApplyPendingChanges();
  // Export writes the working profile to a file the user chooses; import
  // replaces it with a file that validated, stores it as the profile file and
  // sends all three key maps, pending until the keyboard confirmed them.
  void ExportProfile();
  void ImportProfile();
  // The firmware update, modal; the keyboard leaves for its boot mode and is
  // read again when it comes back.
  void OpenFirmwareUpdate();
  BootRequest SendBootRequest();
  // The key editor, modal on a copy of the profile, for a key of the grid.
  void EditKey(const KeyEditRequest& request);
  // What the key editor's Apply hands on goes into the working profile: the
  // grid shows it and the changes are pending.
  void TakeKeyEdit(const KeyEdit& edit);
  // The profile manager, modal; its Apply makes a profile current and reads
  // the keyboard back.
  void OpenProfileManager();
  void UseProfile(int profile);
  // The profile buttons' and menu's switch: the user is asked about pending changes first.
  bool SwitchProfile(int index);
  // Per-game profiles: what holds a switch on the window's side, and what
  // the user is told of one (the tray's tooltip, and a notice unless turned off).
  unsigned GameSwitchHolds() const;
  void TellGameSwitch(const ProfileSwitchDue& due);
  void OpenGameRules();
  // Tells the user why an Apply left the changes pending.
  void TellApplyOutcome(const ApplyOutcome& outcome);
  // While a read-back is under way (or the keyboard is lent to a console
  // command) nothing may change the profile: the user is told, and true.
  bool RefusedWhileReadingBack();
  // The device service refused the standing reads at start: the link is
  // started again while a keyboard is there.
  void RetryStandingReads();
  void SetKeyboardReading(bool reading);
  // The window's own line beside OK, Cancel and Apply: what became of the
  // user's last Apply, Import or Export. Empty hides nothing behind it.
  void SetStatusLine(std::u16string_view text);
  void ShowChunkSent(const SessionEvent& event);
  void PlaceStatusLine();
  // The link's messages, shown one at a time, each once while it waits.
  void ShowDeviceMessagesInTurn(TextKey key);
  // A console command asks for the keyboard: lent when nothing of the
  // user's is pending, else refused.
  void AnswerConsoleRequest();
  // The one place where the panels are connected: to the session, and to each
  // other through the window (a panel never holds another).
  void ConnectPanels();
  void PlaceSkinnedControls();
  void SetControlTexts();
  // Makes, binds and places the next `count` panel buttons; false when all are there.
  bool BuildPanelButtons(std::size_t count);
  // What the window needs only once it is seen is done after start-up, a
  // step per message while it is still hidden, so that the keyboard is read
  // and the notification icon added without waiting: decoding the skin's
  // pictures, building the panels' buttons, reading the wait pictures.
  // Showing the window or the wait animation finishes whatever is left first.
  bool LateStartStep();
  void FinishLateStart();

  COstrakApp& app_;
  bool withDevice_;
  HICON applicationIcon_ = nullptr;
  bool exiting_ = false;
  ULONGLONG exitLimit_ = 0;  // when the exit stops waiting for dialogs to return
  int ownModalLoops_ = 0;    // the modal loops the window itself runs in
  bool openOnceStarted_ = false;
  std::atomic<bool> initDone_{false};
  std::vector<Dialog*> childDialogs_;
  CAboutDlg about_;
  FileChooser chooseFile_ = ChooseProfileFile;

  // The keyboard and the profile.
  KeyboardSession session_;
  std::unique_ptr<ConsoleRequestWatcher> consoleRequests_;
  std::atomic<bool> lentToConsole_{false};  // the transfer thread waits for a console command
  bool keyboardReading_ = false;
  bool standingReadsRefused_ = false;
  std::atomic<bool> wakePosted_{false};  // a WM_SESSION_EVENTS is on its way
  bool userJobRunning_ = false;  // an Apply or Import of the user's is on its way to the keyboard
  bool exitAfterApply_ = false;  // the close asked to apply first
  std::deque<TextKey> deviceMessages_;
  bool showingDeviceMessage_ = false;
  // The lighting interface for other programs, over the session, and its pipe.
  std::atomic<bool> lightingClientsPosted_{false};  // a WM_LIGHTING_CLIENTS is on its way
  LightingPipeServer lightingPipe_{[this] {
    if (!lightingClientsPosted_.exchange(true)) PostMessageW(hwnd(), WM_LIGHTING_CLIENTS, 0, 0);
  }};
  LightingInterface lightingInterface_{session_, lightingPipe_};

  // The panels, in the order their ids are looked up.
  KeyGridPanel grid_{*this};
  ProfilePanel profiles_{*this};
  LightingPanel lighting_{*this};
  Panel* const panels_[3] = {&grid_, &profiles_, &lighting_};
  Ostrak_DlgComposite keyEditor_{[this](const KeyEdit& edit) { TakeKeyEdit(edit); }, [] { OpenHelp(); }};
  // The backup is the profile file's own durable write.
  COstrak_DlgUpdate firmwareUpdate_{{[this] { return SendBootRequest(); },
                                     [this](const std::u16string& path) { return session_.ExportProfile(path); },
                                     nullptr}};
  COstrak_DlgProfile profileManager_{{[this] { return session_.CurrentProfile(); },
                                      [this](int profile) { UseProfile(profile); }, [] { OpenHelp(); }}};
  // Per-game profiles: their rules are kept beside the other settings.
  RegistryValues gameRulesStore_{kGamesSection};
  GameWatcher games_{gameRulesStore_};
  COstrak_DlgGames gameRules_{{[this] { return LoadGameRules(gameRulesStore_); },
                               [this](const GameRuleSettings& settings) {
                                 SaveGameRules(gameRulesStore_, settings);
                                 games_.Reload();
                               },
                               [this] { return games_.unseenWindowTitle(); }, [] { OpenHelp(); }}};
  std::vector<PanelButton> panelButtons_;  // every panel's, in building order
  std::size_t panelButtonsBuilt_ = 0;
  bool panelButtonsMade_ = false;

  // The window's own skinned controls.
  CPngButton applyButton_, okButton_, cancelButton_, helpButton_, minimizeButton_, menuButton_, closeButton_;
  CPngButton macroButton_, linkButton_, versionLabel_;
  CColourStatic statusLine_;
  // The skin file's placement sections, read once when the window initialises.
  SkinPlacement placement_;
  std::u16string linkAddress_;
  // Runs while an Apply or the reading of an arrived keyboard is under way.
  WaitAnimation wait_;
};

// The main window of this process, once it has initialised (else null).
COstrakDlg* MainDialog();
HWND MainWindow();

// The button menu in the current language: Import, Export, About, Language
// (Chinese and English, the current one checked), Close. The caller destroys it.
HMENU BuildButtonMenu();

// The exit sequence of the running instance (tray "Exit", close button, "/Kill").
void ExitApplication();
