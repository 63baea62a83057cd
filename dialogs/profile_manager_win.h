// COstrak_DlgProfile: the profile manager, opened by the profile label. It
// lists the keyboard's three profiles (and rows the user adds for other
// profile files), one of them ticked; Apply records the rows, makes the
// ticked profile the keyboard's current one and loads the profile again.
#pragma once

#include <functional>
#include <vector>

#include "controls/base_dialog_win.h"
#include "controls/file_dialog_win.h"
#include "controls/kit_controls_win.h"
#include "controls/png_button_win.h"
#include "profiles/profile_list.h"

class COstrak_DlgProfile : public CBaseDialog {
 public:
  // What the dialog needs from the window: the keyboard's current profile
  // (-1 unknown); making `profile` current (-1: it stays) and loading the
  // profile again, which drops unapplied edits; the help page.
  struct Host {
    std::function<int()> currentProfile;
    std::function<void(int profile)> useProfile;
    std::function<void()> openHelp;
  };
  explicit COstrak_DlgProfile(Host host);
  ~COstrak_DlgProfile() override;

  void Run(HWND owner) { RunModal(owner); }
  bool OpenModeless(HWND owner) { return CreateModeless(owner); }
  // Stands for the system's file dialogs (tests): kSave for Add, kOpen for Load.
  void SetFileChooser(FileChooser chooser) { choose_ = std::move(chooser); }

  // Above 0 while the dialog is open.
  int OpenCount() const { return openCount_; }
  // The rows were edited and not applied (the Apply button is enabled).
  bool Pending() const { return pending_; }
  CReportCtrl& List() { return list_; }

 protected:
  void BindControls() override;
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool PreTranslateMessage(MSG& message) override;
  void OnOK() override;
  void OnDestroy() override;

 private:
  void SetTexts();
  // A row of the list; `shownName` stands for the file's name where one is given.
  void AddRow(const ProfileRow& row, std::u16string_view shownName = {});
  void AddFile(FileDialogKind kind);
  void DeleteSelectedRow();
  void Apply();
  void SetPending(bool pending);
  // A row's tick changed: ticks are single-choice.
  void OnTick(int row);

  Host host_;
  FileChooser choose_;
  int openCount_ = 0;
  bool pending_ = false;
  bool filling_ = false;  // the dialog's own changes of the list
  std::vector<ProfileRow> rows_;  // the list's rows, in order
  CReportCtrl list_;
  CColourStatic title_;
  CPngButton add_, load_, delete_, apply_, ok_, cancel_;
};
