// COstrak_DlgGames: the per-game profiles, from the button menu. It opens on
// the stored rules and hands what the user made of them to the window on
// Apply and OK: the rules (program, profile), Add from the programs that have
// a window or by browsing, Remove, what happens when no rule matches, the
// feature's switch and its notice.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "app/window_program_win.h"
#include "controls/base_dialog_win.h"
#include "controls/file_dialog_win.h"
#include "controls/kit_controls_win.h"
#include "controls/png_button_win.h"
#include "profiles/game_rules.h"

class COstrak_DlgGames : public CBaseDialog {
 public:
  struct Host {
    std::function<GameRuleSettings()> load;
    std::function<void(const GameRuleSettings&)> store;  // Apply and OK
    // The window in front last that could not be examined (empty: none).
    std::function<std::u16string()> unseenWindow;
    std::function<void()> openHelp;
  };
  // Chooses one of the programs with windows; the program's image path, or
  // nothing. Tests stand in for the menu the user picks from.
  using RunningPicker =
      std::function<std::optional<std::u16string>(HWND owner, const std::vector<ProgramWindow>& windows)>;

  explicit COstrak_DlgGames(Host host);
  ~COstrak_DlgGames() override;

  void Run(HWND owner) { RunModal(owner); }
  bool OpenModeless(HWND owner) { return CreateModeless(owner); }
  bool IsOpen() const { return hwnd() != nullptr; }
  // Tests stand in for the system's file dialog, the menu of running
  // programs and the list of windows.
  void SetFileChooser(FileChooser chooser) { choose_ = std::move(chooser); }
  void SetRunningPicker(RunningPicker picker) { pickRunning_ = std::move(picker); }
  void SetWindowLister(std::function<std::vector<ProgramWindow>()> lister) { listWindows_ = std::move(lister); }

  // What the dialog shows now.
  const GameRuleSettings& Settings() const { return settings_; }
  CReportCtrl& List() { return list_; }

 protected:
  void BindControls() override;
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool PreTranslateMessage(MSG& message) override;
  void OnOK() override;

 private:
  void PlaceControls();
  void SetTexts();
  void FillList(int selected);
  void AddProgram(const std::u16string& program);
  void AddRunning();
  void Browse();
  void RemoveSelected();
  void ShowSelectedProfile();
  void TakeChoices();  // the check boxes and lists into settings_
  void Apply();
  void SetPending(bool pending);

  Host host_;
  FileChooser choose_;
  RunningPicker pickRunning_;
  std::function<std::vector<ProgramWindow>()> listWindows_;
  GameRuleSettings settings_;
  bool filling_ = false;
  CReportCtrl list_;
  CComboBox profile_, noMatch_;
  Control enabled_, notices_;
  CColourStatic title_, enabledLabel_, noMatchLabel_, noticesLabel_, hint_;
  CPngButton add_, browse_, remove_, ok_, cancel_, apply_;
};

// The menu of programs with windows at the cursor: each window's title and its
// program's file name; those that could not be examined are shown, greyed.
std::optional<std::u16string> PickRunningProgram(HWND owner, const std::vector<ProgramWindow>& windows);
