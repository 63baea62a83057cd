// Ostrak_DlgComposite: the key editor, where the user decides what one key
// does. Four pages, one per kind of assignment: a single key (the next key
// pressed is taken), a macro (the macro editor: macros named, recorded and
// edited action by action), a multimedia function, an editing function; Clear
// gives the key its default back. The editor works on a copy of the profile
// that it is given when it opens and never writes the profile itself: each
// Apply (and OK) hands the key's new assignment and the edited macro list on
// as a KeyEdit to the function it was made with, and the editor stays open
// for more; Cancel hands nothing on. Nothing reaches the keyboard before the
// main window's Apply.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "controls/action_list_win.h"
#include "controls/base_dialog_win.h"
#include "controls/kit_controls_win.h"
#include "controls/png_button_win.h"
#include "editors/key_edit.h"
#include "editors/key_editor.h"
#include "editors/macro_page.h"
#include "panels/key_edit_request.h"
#include "profiles/profile_store.h"

class Ostrak_DlgComposite : public CBaseDialog {
 public:
  // Takes what each Apply hands on; the owner of the profile applies it.
  using KeyEditCommit = std::function<void(const KeyEdit&)>;

  // `commit` takes each Apply's edit; `openHelp` opens the help page (F1).
  Ostrak_DlgComposite(KeyEditCommit commit, std::function<void()> openHelp);
  ~Ostrak_DlgComposite() override;

  // Runs the editor modally beside the key's button of `owner` for the key
  // of `request` in `bank`, on `profile`, a copy of the working profile that
  // the editor keeps until it closes. Nothing opens while the bank is
  // unknown or without the copy.
  void Edit(const KeyEditRequest& request, int bank, std::unique_ptr<WorkingProfile> profile, HWND owner);
  // The same editor without a loop of its own, for tests to drive.
  bool OpenModeless(const KeyEditRequest& request, int bank, std::unique_ptr<WorkingProfile> profile,
                    HWND owner);

  // Above 0 while the editor is open; the profile switch waits for it.
  int OpenCount() const { return openCount_; }

  // The editor's Apply: the macro list and the key's entry handed on, and
  // the editor's own copy brought up to them.
  void ApplyKeyAssignment();

  // What the editor holds, for tests.
  const KeyEditorState& State() const { return state_; }
  const MacroPage& Page() const { return page_; }
  EditorPage ShownPage() const { return shown_; }
  bool Modified() const { return state_.modified || page_.modified; }
  CActionList& ActionList() { return actions_; }
  const CPngButton& ClearButton() const { return clear_; }

 protected:
  void BindControls() override;
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool PreTranslateMessage(MSG& message) override;
  void OnOK() override;
  void OnDestroy() override;

 private:
  bool Prepare(const KeyEditRequest& request, int bank, std::unique_ptr<WorkingProfile> profile, HWND owner);
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

  KeyEditCommit commit_;
  std::function<void()> openHelp_;
  std::unique_ptr<WorkingProfile> profile_;  // the copy the editor opened on, with its own Applies
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
