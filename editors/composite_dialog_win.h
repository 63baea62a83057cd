// Ostrak_DlgComposite: the key editor, where the user decides what one key
// does. Four pages, one per kind of assignment: a single key (the next key
// pressed is taken), a macro (the macro editor: macros named, recorded and
// edited action by action), a multimedia function, an editing function; Clear
// gives the key its default back. The editor works on copies: its Apply
// writes the key's entry and the macro list into the working profile and
// marks the profile's changes pending; Cancel leaves the profile as it was.
// Nothing reaches the keyboard before the main window's Apply.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "app/user_interface.h"
#include "controls/action_list_win.h"
#include "controls/base_dialog_win.h"
#include "controls/kit_controls_win.h"
#include "controls/png_button_win.h"
#include "panels/key_grid_panel_win.h"
#include "editors/key_editor.h"
#include "editors/macro_page.h"

class Ostrak_DlgComposite : public CBaseDialog {
 public:
  // `openHelp` opens the help page (F1).
  Ostrak_DlgComposite(UserInterface& ui, KeyGridPanel& grid, std::function<void()> openHelp);
  ~Ostrak_DlgComposite() override;

  // Runs the editor modally beside the key's button of `owner` for the key
  // of `request` in `bank`. Nothing opens while the bank is unknown.
  void Edit(const KeyEditRequest& request, int bank, HWND owner);
  // The same editor without a loop of its own, for tests to drive.
  bool OpenModeless(const KeyEditRequest& request, int bank, HWND owner);

  // Above 0 while the editor is open; the profile switch waits for it.
  int OpenCount() const { return openCount_; }

  // The editor's Apply: the macro list, then the key's entry.
  void ApplyKeyAssignment();

  // What the editor holds, for tests.
  const KeyEditorState& State() const { return state_; }
  const MacroPage& Page() const { return page_; }
  EditorPage ShownPage() const { return shown_; }
  bool Modified() const { return state_.modified || page_.modified; }
  CActionList& ActionList() { return actions_; }

 protected:
  void BindControls() override;
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool PreTranslateMessage(MSG& message) override;
  void OnOK() override;
  void OnDestroy() override;

 private:
  bool Prepare(const KeyEditRequest& request, int bank, HWND owner);
  void PlaceControls();
  void SetTexts();
  void PlaceBesideKeyButton();
  // Shows a page: its controls, its button pressed, its faces and hooks.
  void ShowPage(EditorPage page, bool initial);
  void ShowPageFaces(EditorPage page);
  void PageButton(EditorPage page);
  void Clear();
  bool OnMacroPageCommand(int id, int notifyCode);
  void ToggleRecording();
  void StopRecordingIfRunning();
  void ShowRecordButton(std::u16string_view caption, bool recording);
  void AddRecordedAction(const MacroAction& action);
  void KeyCaptured(KeyCode key);
  void OnCellChange(const CActionList::CellChange& change);
  // The macro list and the action list again from the page.
  void ShowMacroList();
  void ShowMacroActions();
  void ShowActionButtons();
  void ShowModified();
  void Message(std::u16string_view text);
  bool Ask(std::u16string_view text);

  UserInterface& ui_;
  KeyGridPanel& grid_;
  std::function<void()> openHelp_;
  HWND owner_ = nullptr;
  int keyButtonId_ = 0;
  int openCount_ = 0;
  KeyEditorState state_;
  MacroPage page_;  // kept between openings: its name counter
  EditorPage shown_ = EditorPage::kSingleKey;
  bool settingTexts_ = false;  // the editor's own changes of its fields

  CPngButton title_, osk_, clear_, mask_, apply_, ok_, cancel_;
  std::array<CPngButton, 4> pageButtons_;  // single key, macro, multimedia, function
  CPngButton macroAdd_, macroDelete_, record_, actionDelete_, actionClear_, top_, up_, down_, bottom_;
  CColourStatic heading_, singleKeyLabel_, macroLabel_, mediaLabel_, functionLabel_, recordDelayLabel_, cyclesLabel_;
  Control singleKeyField_, cycles_, recordDelay_;
  CComboBox macroList_, mediaList_, functionList_;
  CActionList actions_;
};
