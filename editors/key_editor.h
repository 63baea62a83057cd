// The key editor's decisions, without the window: what it opens on, what a
// page button and Clear do, the assignment its Apply hands on (KeyEdit,
// editors/key_edit.h) and where the window goes beside the key's button. The
// macro page's own decisions are in editors/macro_page.h; the dialog shows
// what these functions decide. The profile they read is the editor's own copy.
#pragma once

#include <cstdint>
#include <optional>

#include "keyboard/key_assignment.h"
#include "keyboard/key_codes.h"
#include "profiles/profile_store.h"

// The editor's four pages. The single-key page also shows the types the
// editor does not offer (Default, Disabled, a program, a text...).
enum class EditorPage { kSingleKey, kMacro, kMedia, kFunction };

// The page that shows an assignment of `type`.
EditorPage PageOfType(AssignmentType type);

struct KeyEditorState {
  int bank = -1;                  // the current profile index the editor opened on
  int entry = 0;                  // the key's entry in that bank: its slot, or 256-273 for the extra keys
  bool macroRole = false;         // the key may only carry a macro (the macro button)
  AssignmentType type = AssignmentType::Default;  // the assignment being edited; PageOfType gives the page shown
  std::uint32_t storedParam = 0;  // the key's param and gkey when the editor opened
  std::uint16_t storedGKey = 0;
  KeyCode capturedKey = kNoKey;   // the single-key page's key
  bool firstMacroPage = true;     // until the macro page is first reached by its button
  bool modified = false;          // the editor's Apply button is enabled
};

// Reads the key's entry from the current bank under the profile's lock: its
// type (Macro in the macro role), param and gkey; the captured key is the
// param of a Key. Nothing opens (nullopt)
// while the bank is unknown, the entry lies outside the bank or no profile is
// loaded.
std::optional<KeyEditorState> OpenKeyEditor(WorkingProfile& profile, int bank, int entry, bool macroRole);

// What a page button did.
struct PageSwitch {
  bool switched = false;          // false: the page was already shown (or may not be), nothing changed
  bool selectFirstMacro = false;  // the macro page, first reached while the key played no macro: select the first
};

// A page button: the type becomes the page's (Key, Macro, Media, Function)
// and the editor is modified, unless that page is shown already (the
// single-key button also does nothing while the type is Default, which that
// page shows) or the editor is in the macro role.
PageSwitch ShowPageByButton(KeyEditorState& state, EditorPage page);

// Clear: as the single-key button; then a Key type goes back to Default, the
// captured key is forgotten and the editor is modified. True when the
// single-key field is to be emptied. Nothing in the macro role.
bool ClearKey(KeyEditorState& state);

// The single-key page took `key`: the type becomes Key and the editor is
// modified. Nothing in the macro role.
void CaptureKey(KeyEditorState& state, KeyCode key);

// What the pages hold when Apply builds the assignment.
struct PageChoices {
  int mediaIndex = 0;              // the multimedia list's selection
  int functionIndex = 0;           // the function list's selection
  bool macroListEmpty = true;
  std::uint16_t selectedMacroId = 0;  // 0 when no macro is selected
  int cycles = 1;                  // the cycles field
};

// The key's new type, gkey and param (the two reserved words are the old
// ones: the first is the key's colour mark). A Key equal to none or to the
// edited key itself is Default; a Macro with an empty list is Default, else
// the selected macro (0 when none: the commit of the macro list turns it into
// the first) with the cycles in gkey; a G key keeps its GKeyId otherwise.
// Nothing for a type the editor does not offer (Disabled, a program, a
// text...) that the user left as it was: the key keeps its entry whole.
std::optional<KeyAssignment> BuildKeyAssignment(const KeyEditorState& state, const PageChoices& choices,
                                                const KeyAssignment& old);

// The key's entry in the editor's bank (under the profile's lock); nothing
// while the bank is unknown or no profile is loaded.
std::optional<KeyAssignment> ReadEditedEntry(WorkingProfile& profile, const KeyEditorState& state);

// Where the editor's top-left corner goes beside the key's button (screen
// coordinates): below-right, above-right, below-left, above-left, whichever
// fits the screen first; below-right when none does.
struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
struct ScreenPoint {
  int x = 0, y = 0;
};
ScreenPoint PlaceBesideKey(const ScreenRect& key, int width, int height, int screenWidth, int screenHeight);
