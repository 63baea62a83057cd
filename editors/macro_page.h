// The macro page of the key editor, without the window: its own copies of the
// profile's macros, the action rows of the selected macro, and one function
// per thing the user does on the page. The dialog calls the function and then
// shows what the page holds; a function that needs a message or a question
// returns it (or says so) instead of showing it.
//
// The page edits copies: the profile's macros change only when the editor's
// Apply hands the list on (MacroListToCommit, then ApplyKeyEdit). Cancel is
// FreeMacroPage and nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/key_assignment.h"
#include "macros/macro_record.h"
#include "profiles/profile_store.h"

// Typed delays are capped so that they fit the keyboard's 12-bit delay field
// and kept to its 10 ms steps.
inline constexpr std::uint32_t kMaxTypedDelayMs = 40000;
inline constexpr std::uint32_t kDelayStepMs = 10;
inline constexpr int kMinCycles = 1;
inline constexpr int kMaxCycles = 255;

struct MacroPage {
  std::vector<MacroRecord> macros;  // the page's copies, in the profile's order
  int selected = -1;                // position in `macros` of the selected macro, -1 none
  // The action list: the selected macro's actions, one row each with the
  // delay that follows it. The recorder inserts into it (AddRecordedAction).
  std::vector<MacroAction> rows;
  int cycles = kMinCycles;  // the cycles field; reaches the macro at SaveMacroActions
  int nameCounter = 0;      // numbers the default names; kept between openings
  int recordDelay = 0;      // the record-delay option, as stored in the settings
  bool modified = false;    // set by every change; the editor clears it after opening and after Apply
};

// What a command did, and the message the dialog shows (a box with OK), empty
// when there is none.
struct PageResult {
  bool changed = false;
  std::u16string message;
};

// Copies the profile's macros into the page, each copy an
// old macro (newFlag 0); nothing selected, no rows. False when memory runs
// out (the page is then empty).
bool FillMacroList(MacroPage& page, WorkingProfile& profile);

// Selects the macro with `id`, or the first one when `id` is 0 or no macro has
// it (none when the list is empty), and loads its actions. The editor's
// opening uses it; it saves nothing.
void SelectMacroById(MacroPage& page, std::uint16_t id);

// The user picked the macro at `position` (-1 or out of range: none): the rows
// go back into the macro selected before, then the new one's actions load.
void SelectMacro(MacroPage& page, int position);

// The rows become the selected macro's actions, each with its own delay (a
// direction other than release reads as a press), and the cycles field its
// play count; no macro selected gives no rows. One pass over the actions, so
// 2000 of them cost 100 times 20: the list control should be filled the same
// way, with redrawing off.
void LoadMacroActions(MacroPage& page);

// The rows (at most 2000) and the cycles field go into the selected macro.
void SaveMacroActions(MacroPage& page);

// Whether the record, delete, clear and move buttons work: a macro is selected.
bool ActionButtonsEnabled(const MacroPage& page);

// Add: a new macro named after the prefix and the name counter (the next
// number whose name no macro's name begins with, ignoring ASCII case; the
// counter starts again when the list is empty), with the smallest free id,
// appended and selected. A full list gives the limit's message and adds
// nothing; so does a lack of memory, without a message.
PageResult AddMacro(MacroPage& page);

// Whether deleting the selected macro needs the user's Yes to
// MACRO_DELETE_CONFIRM_OF_KEYS: it is an old macro (newFlag 0) and some key
// entry, in any of the four banks, plays it. Looks at exactly the entries that ApplyKeyEdit would clear.
bool SelectedMacroInUse(const MacroPage& page, WorkingProfile& profile);

// Removes the selected macro (the question already answered); the one before
// it is selected (the new first one when it was first) and loaded. Keys that
// play it are cleared by the next commit. False when nothing is selected.
bool DeleteSelectedMacro(MacroPage& page);

// The user typed `text` into the macro list's edit field: it renames the
// selected macro (cut to 249 characters), or, on an empty list, makes a new
// macro of that name, selected. With macros but none selected there is no
// macro to rename and the text is ignored.
enum class NameEdit { kIgnored, kRenamed, kCreated };
NameEdit TypeMacroName(MacroPage& page, std::u16string_view text);

// The action list's commands on row `row`; a row out of range does nothing.
bool DeleteAction(MacroPage& page, int row);
// The dialog asks MACRO_ACTION_CLEAR_CONFIRM first when there are rows.
bool ClearActions(MacroPage& page);

// Moves a row, its delay with it, clamped to the list. Returns the row's new
// position (the dialog selects it and scrolls it into view), or -1 for a row
// out of range. A move onto its own position changes nothing.
enum class ActionMove { kTop, kUp, kDown, kBottom };
int MoveAction(MacroPage& page, int row, ActionMove move);

// A key picked in the key cell's drop-down (a list position 0 to 105); true
// when it is another key than the row's.
bool SetActionKey(MacroPage& page, int row, int listPosition);
// A direction picked in the direction cell (kMacroPress or kMacroRelease).
bool SetActionDirection(MacroPage& page, int row, std::uint16_t direction);

// A delay typed into the delay cell: read as a decimal number, capped at
// 40 000 (with MACRO_ACTION_ERR_DELAY_MAX as the message), rounded down to
// 10 ms and stored in the row.
PageResult SetActionDelay(MacroPage& page, int row, std::u16string_view text);

// What the delay cell shows beside its editor while the user types: the
// delay the keyboard will play for the number typed so far (MACRO_DELAY_PLAYS)
// when it is not that number (the keyboard counts in tens), else nothing.
std::u16string TypedDelayHint(std::u16string_view text);

// The cycles field's text changed (the page's own changes included): read as a
// decimal number and kept to 1..255. Returns the text the field is rewritten
// with when it was out of range.
std::optional<std::u16string> ChangeCyclesText(MacroPage& page, std::u16string_view text);

// The record-delay check box was clicked: the option to store (1 unless it
// was 1).
int NextRecordDelayOption(int option);

// The editor's Apply, the page's half: the rows go into the selected macro
// and the page's macros are handed on, in order, as the list to commit
// (KeyEdit): newFlag 1 on those made since the page was filled or last handed
// on, which from now on count as old in the page too. Nothing when memory runs
// out: the profile then keeps its list.
std::optional<std::vector<MacroRecord>> MacroListToCommit(MacroPage& page);

// Drops the page's copies and rows (Cancel, or closing after Apply). The name
// counter and the record-delay option stay.
void FreeMacroPage(MacroPage& page);
