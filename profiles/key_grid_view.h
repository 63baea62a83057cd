// What the key grid of the main window shows, without the window: which
// assignment entry each button edits, whether the button is checked (its key
// carries an assignment), its tooltip and its colour word, all read from one
// bank of the WorkingProfile; and the Default button's reset of the keys.
//
// The grid's buttons are named by index here: extra key j (G1 to G9, 0 to 8)
// and key button i (the key at position i of KeyboardKeys). The panel maps its
// control ids to these indexes. A layer is the G-key layer the keyboard shows,
// 0 or 1; a bank is a profile of the keyboard, 0 to 2 (the current profile
// index, which is -1 while unknown).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "keyboard/key_assignment.h"
#include "keyboard/key_codes.h"
#include "macros/macro_record.h"
#include "profiles/profile_store.h"

inline constexpr int kExtraKeyCount = kGKeysPerLayer;  // G1 to G9
// The macro button edits G9 of the current layer, in the editor's macro role.
inline constexpr int kMacroButtonExtraKey = 8;

// The entry extra key j edits in `layer`: 256 + j, plus 9 in the second
// layer. -1 for an index or layer out of range.
int ExtraKeyEntry(int index, int layer);

// The entry key button i edits: the KeySlot of its key. -1 out of range.
int KeyButtonEntry(int index);

// The button that shows `entry` while `layer` is shown: an extra key of that
// layer or the key button whose KeySlot it is; none for any other entry.
struct GridButton {
  enum class Kind { kExtraKey, kKey };
  Kind kind;
  int index;

  friend bool operator==(const GridButton&, const GridButton&) = default;
};
std::optional<GridButton> ButtonOfEntry(int entry, int layer);

// The names the tooltips start with: "G1" to "G9", and the key's name.
std::u16string ExtraKeyName(int index);
std::u16string KeyButtonName(int index);

// A button's tooltip: the name alone for a key at its default; otherwise the
// name, "Keys, Set: " and what the key does: "Key(name)", "Macro(name)" (the
// name of the macro in `macros` with the entry's id, empty when it is gone),
// "Media(name)" or "Function(name)"; for any other type nothing more. The
// texts are the localised ones.
std::u16string KeyTooltip(std::u16string_view name, const KeyAssignment& entry, const MacroList& macros);

// What a screen reader says of a key: its name, and what it does when that is
// not its own function: "A, sends B", "G1, plays macro Reload", "A, does Copy",
// "A, turned off". The texts are the localised ones.
std::u16string KeySpokenName(std::u16string_view name, const KeyAssignment& entry, const MacroList& macros);

struct GridButtonView {
  bool checked = false;  // the key carries an assignment (type other than Default)
  std::u16string tooltip;
  std::uint32_t colour = 0;  // the colour word the grid's colour display follows
  std::u16string spoken;     // the button's window text, which screen readers speak
};

struct KeyGridView {
  std::array<GridButtonView, kExtraKeyCount> extraKeys;
  std::array<GridButtonView, kKeyboardKeyCount> keys;  // in the order of KeyboardKeys
};

// Every extra key of `layer` and every key button from `bank`. The colour
// words are read by position, not by entry: key button i shows the word of
// entry i, extra key j that of entry j (first layer) or j + 9 (second), so
// the extra keys share the words of the first eighteen key buttons. A bank
// that is not the keyboard's (or a profile without its block) shows every
// button unchecked, named only, with colour word 0.
KeyGridView BuildKeyGridView(const WorkingProfile& profile, int bank, int layer);

// Only the checked states of the nine extra keys (after a layer change).
std::array<bool, kExtraKeyCount> ExtraKeysChecked(const WorkingProfile& profile, int bank, int layer);

// The Default button: every key of `bank` and every extra key of `layer` back
// to its default, each entry zeroed whole (a program path or text block it
// held is dropped with it); the other layer's extra keys and all other
// entries stay. True when the keys were reset, so that the caller marks
// changes pending; false, and nothing touched, for a bank that is not the keyboard's.
bool ResetKeysToDefault(WorkingProfile& profile, int bank, int layer);
