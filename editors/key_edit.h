// What one Apply of the key editor changes, as a plain record: the key's new
// assignment and the edited macro list. The editor makes it from the copy of
// the profile it opened on and hands it on; whoever owns the working profile
// applies it with ApplyKeyEdit. The console's key commands store their keys
// the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "keyboard/key_assignment.h"
#include "macros/macro_record.h"
#include "profiles/profile_store.h"

struct KeyEdit {
  int bank = -1;  // the key map the key belongs to (the current profile index when the editor opened)
  int entry = 0;  // the key's entry in that bank: its slot, or 256-273 for the extra keys
  // The key's new type, gkey and param; its colour mark and reserved word
  // are the entry's own and stay. Nothing when the key keeps its entry whole
  // (a type the editor does not offer, left as it was).
  std::optional<KeyAssignment> assignment = std::nullopt;
  // The edited macro list in its order, newFlag 1 on the macros made since
  // the editor last handed its list on: keys that still play such an id
  // meant the macro that had it before. Nothing when the macro list stays as
  // it is (no memory to copy it, or an edit of the key alone).
  std::optional<std::vector<MacroRecord>> macros = std::nullopt;
};

// Under the profile's lock, first the macro list: every key entry (four
// banks) that plays macro 0 plays the first macro, every one that plays a
// macro the list lacks, or one made since (its id reused), goes back to
// Default; the list, all old now, replaces the profile's (without memory for
// it the profile keeps its list and its keys). Then the key's entry takes the
// assignment; a program path or text block it held goes when that changes it.
// A key outside the bank, an unknown bank or no loaded profile stores nothing.
// On a profile changed since the edit's copy was taken this does what it does
// on any profile: only the key's entry and the macro references change.
void ApplyKeyEdit(WorkingProfile& profile, const KeyEdit& edit);

// The macro an entry of type Macro plays: the low 16 bits of its param, as
// the commit of a macro list compares it.
std::uint16_t PlayedMacroId(const KeyAssignment& entry);
