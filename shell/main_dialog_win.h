// COstrakDlg, the one main window. It starts hidden, lives in the notification
// area and routes every command and private message to the code that owns it.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <vector>

#include "controls/base_dialog_win.h"
#include "controls/png_button_win.h"
#include "controls/skin_place_win.h"
#include "device/device_link.h"
#include "device/keyboard_notices.h"
#include "device/transfer_thread.h"
#include "keyboard/key_codes.h"
#include "shell/about_dialog_win.h"
#include "shell/named_events_win.h"
#include "shell/tray_icon_win.h"
#include "app/user_interface.h"

class COstrakDlg : public CBaseDialog, public UserInterface, public DeviceMessages {
 public:
  // Without the device, the window runs with no keyboard at all (tests of the
  // window alone); the program always starts it.
  explicit COstrakDlg(bool withDevice = true);
  ~COstrakDlg() override;

  // Shows the window with its taskbar button, or tells the user that no
  // keyboard is present.
  void ShowMainWindow();
  // Hides the window; its extended styles stay as they are.
  void HideMainWindow();
  // The exit sequence: everything the running instance holds is given back and
  // the modal loop ends.
  void ExitApplication();
  // Closes every open child dialog as if the user had cancelled it.
  void CancelChildDialogs();

  // What the portable core asks of the window.
  void ShowMessage(std::u16string_view text) override;
  bool AskYesNo(std::u16string_view text) override;
  void RefreshKeyGrid() override;
  void SetPendingChanges(bool pending) override;
  bool PendingChanges() const override { return pendingChanges_; }
  void SetTrayState(int kind, int iconId) override;
  void DeviceReady(int readResult) override;
  void DeviceGone() override;
  void ReadingKeyboard(bool reading) override;
  bool InitDone() const override { return initDone_; }
  void ShowLayer() override;
  void RefreshLightingSoon() override;
  bool KeyEditorOpen() const override { return false; }
  bool ProfileManagerPending() const override { return false; }
  void SendApplyCommand() override;
  void ProfileSwitched(int profileIndex) override;
  void ShowDeviceMessage(TextKey key) override;

  DeviceLink* link() const { return link_; }
  // Whether a transfer runs or waits, or the window still shows one running
  // (its wait animation). For tests and the fault soak.
  bool KeyboardBusy() const { return (transfers_ && transfers_->Busy()) || busy_ > 0; }
  // How many keyboard counts the link has noticed.
  unsigned KeyboardCountsNoticed() const { return notices_ ? notices_->CountsNoticed() : 0; }

  HICON applicationIcon() const { return applicationIcon_; }

  // Child dialogs register while they are open, so that the exit sequence and
  // the keyboard's removal can cancel them.
  void AddChildDialog(Dialog* child);
  void RemoveChildDialog(Dialog* child);

  // The single-instance mutex that this process holds as the running instance.
  void TakeInstanceMutex(HANDLE mutex) { instanceMutex_ = mutex; }

  CTrayIcon& tray() { return tray_; }
  CAboutDlg& aboutBox() { return about_; }
  void ShowAboutBox() { about_.Show(linkAddress_); }

  // The profile button shows the checked entry of the profile menu.
  void RefreshProfileLabel();

  // Puts the start-time hiding back (each process starts with it armed).
  static void ArmHideAtStart();

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
  void ApplyLanguageTexts();
  void ShowButtonMenu();
  void LanguageCommand(int choice);
  // The Apply: the save and the download run on the transfer thread while the
  // wait animation runs here; the pending changes end when it succeeded and
  // nothing was edited since it began.
  void ApplyPendingChanges();
  void ApplyFinished(unsigned version, int result);
  // The wait animation runs while an Apply or the reading of an arrived
  // keyboard is under way.
  void BeginBusy();
  void EndBusy();
  int busy_ = 0;
  bool keyboardReading_ = false;
  // False while the working profile is a default made up because the keyboard
  // could not be read and no profile file loaded: it is never applied.
  bool profileKnown_ = false;
  // The link's messages, shown one at a time, each once while it waits.
  std::deque<TextKey> deviceMessages_;
  bool showingDeviceMessage_ = false;
  void ShowDeviceMessagesInTurn(TextKey key);
  void SetKeyboardReading(bool reading);

  HICON applicationIcon_ = nullptr;
  HANDLE instanceMutex_ = nullptr;
  bool pendingChanges_ = false;
  unsigned pendingVersion_ = 0;  // counts the edits that made changes pending
  bool exiting_ = false;
  std::atomic<bool> initDone_{false};
  std::vector<Dialog*> childDialogs_;
  CTrayIcon tray_;
  CAboutDlg about_;
  void ShowProfileMenu();
  NamedEvents events_;
  bool withDevice_;
  DeviceLink* link_ = nullptr;
  std::unique_ptr<TransferThread> transfers_;  // every transfer with the keyboard
  std::unique_ptr<KeyboardNotices> notices_;
  // Gives up the transfer under way and ends the threads that may still call
  // the window (before anything they use is freed).
  void StopKeyboardThreads();

  void PlaceSkinnedControls();
  void SetControlTexts();

  // The skinned controls of the window itself (the key grid and the lighting
  // panel have their own).
  CPngButton applyButton_, okButton_, cancelButton_, helpButton_, minimizeButton_, menuButton_, closeButton_;
  CPngButton profilesButton_, macroButton_, linkButton_, versionLabel_;
  // The key grid and the buttons around it, laid out from the skin with the
  // window; what their clicks do comes with the grid.
  std::array<CPngButton, kKeyboardKeyCount> keyButtons_;
  std::array<CPngButton, 9> extraKeys_;
  std::array<CPngButton, 4> reportRateButtons_;
  CPngButton fnKey_, lockCaps_, lockNum_, lockScroll_, layerIndicator_, flipIndicator_, flip1_, flip2_;
  CPngButton leftArrow_, rightArrow_, profile1_, profile2_, profile3_, defaultButton_, switchButton_;
  struct GridButton {
    std::u16string skinKey;
    int id;
    CPngButton* button;
  };
  // Every button above with its skin key and control id, in building order.
  std::vector<GridButton> GridButtons();
  // Makes, binds and places the next `count` of them; false when all are there.
  bool BuildGridButtons(std::size_t count);
  std::size_t gridButtonsBuilt_ = 0;
  // The skin file's placement sections, read once when the window initialises.
  SkinPlacement placement_;
  std::u16string linkAddress_;
  // The wait animation's ten pictures ("jdt1.bmp" to "jdt10.bmp") and the next one to show.
  HBITMAP waitPictures_[10] = {};
  int waitPicturesRead_ = 0;
  int waitFrame_ = 0;
  void ShowNextWaitPicture();

  // What the window needs only once it is seen is done after start-up, a
  // step per message while it is still hidden, so that the keyboard is read
  // and the notification icon added without waiting: decoding the skin's
  // pictures, building the key grid, reading the wait pictures. Showing the
  // window or the wait animation finishes whatever is left first.
  bool LateStartStep();
  void FinishLateStart();
};

// The main window of this process, once it has initialised (else null).
COstrakDlg* MainDialog();
HWND MainWindow();

// The exit sequence of the running instance (tray "Exit", close button, "/Kill").
void ExitApplication();
