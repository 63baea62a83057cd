// COstrak_DlgUpdate: the firmware update. The user backs the profile up,
// picks the maker's updater program, and Update puts the keyboard into its
// boot mode and starts the updater, which does the rest. The program sends no
// firmware itself.
#pragma once

#include <functional>
#include <string>

#include "controls/base_dialog_win.h"
#include "controls/file_dialog_win.h"
#include "controls/kit_controls_win.h"
#include "controls/png_button_win.h"
#include "profiles/file_io.h"

// How the request for the keyboard's update mode went; the user is told
// what to do about each that failed.
enum class BootRequest {
  kSent,        // the keyboard took it
  kNoKeyboard,  // none is connected
  kBusy,        // its settings are being read or sent: it must not leave now
  kRefused,     // sent, and the keyboard did not take it
};

class COstrak_DlgUpdate : public CBaseDialog {
 public:
  // What the dialog needs from the window: the boot request sent, the
  // profile backed up to a file and a program started (true when it started).
  struct Host {
    std::function<BootRequest()> sendBootRequest;
    std::function<FileWrite(const std::u16string& path)> backUp;
    std::function<bool(const std::u16string& program)> launch;
  };
  explicit COstrak_DlgUpdate(Host host);
  ~COstrak_DlgUpdate() override;

  void Run(HWND owner) { RunModal(owner); }
  bool OpenModeless(HWND owner) { return CreateModeless(owner); }

  // Stands for the system's file dialogs (tests): kOpen asks for the updater,
  // kSave for the backup file.
  void SetFileChooser(FileChooser chooser) { choose_ = std::move(chooser); }
  // Stands for the shell's start of the updater (tests).
  void SetLauncher(std::function<bool(const std::u16string& program)> launch) { host_.launch = std::move(launch); }
  // Starts a program with the shell's "open".
  static bool LaunchProgram(const std::u16string& program);

  const std::u16string& UpdateFile() const { return updateFile_; }

 protected:
  void BindControls() override;
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode, HWND control) override;

 private:
  void ChooseUpdateFile();
  void Update();
  void Backup();
  void ShowUpdateFile();
  void SetTexts();
  void Message(std::u16string_view text);

  Host host_;
  FileChooser choose_;
  std::u16string updateFile_;  // the chosen updater, kept while the program runs
  CColourStatic fileField_, title_;
  Control combo_;
  CPngButton open_, update_, cancelUpdate_, backup_;
};
