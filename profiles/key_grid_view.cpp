#include "profiles/key_grid_view.h"

#include <mutex>
#include <utility>

#include "localisation/text_slots.h"

namespace {

bool IsExtraKey(int index) { return index >= 0 && index < kExtraKeyCount; }
bool IsKeyButton(int index) { return index >= 0 && index < kKeyboardKeyCount; }

// The entries of a bank, or nothing for a bank the keyboard does not hold.
const KeyAssignment* BankEntries(const WorkingProfile& profile, int bank) {
  if (!IsKeyboardProfile(bank) || !profile.block) return nullptr;
  return EntriesOfProfile(profile.block->area, bank).data();
}

// The entry whose colour word extra key j shows: j, plus 9 in the second layer.
int ExtraKeyColourEntry(int index, int layer) {
  const int entry = ExtraKeyEntry(index, layer);
  return entry < 0 ? -1 : entry - kFirstGKeyEntry;
}

std::u16string_view MacroNameOfId(const MacroList& macros, std::uint16_t id) {
  for (const MacroRecord& record : macros.records)
    if (record.id == id) return MacroName(record);
  return {};
}

// What the key does, inside the parentheses of its kind of assignment.
std::u16string Described(TextKey kind, std::u16string_view what) {
  return std::u16string(Text(kind)) + std::u16string(what) + u")";
}

GridButtonView ButtonView(const KeyAssignment* entries, int entry, int colourEntry, std::u16string name,
                          const MacroList& macros) {
  if (!entries || entry < 0) return {false, name, 0, name};
  const KeyAssignment& assignment = entries[entry];
  return {assignment.type != AssignmentType::Default, KeyTooltip(name, assignment, macros),
          entries[colourEntry].colour, KeySpokenName(name, assignment, macros)};
}

// What an assignment names: the key it sends, the macro it plays (empty when
// the macro is gone), the media key or the function; nothing for the rest.
std::u16string WhatItNames(const KeyAssignment& entry, const MacroList& macros) {
  const std::uint16_t low = static_cast<std::uint16_t>(entry.param);
  switch (entry.type) {
    case AssignmentType::Key:
      return KeyName(low);
    case AssignmentType::Macro:
      return std::u16string(MacroNameOfId(macros, low));
    case AssignmentType::Media:
      // A media index the table does not have names nothing.
      return entry.param < MediaKeyTable.size() ? KeyName(MediaKeyTable[entry.param].keyCode) : u"";
    case AssignmentType::Function:
      return std::u16string(FunctionName(static_cast<int>(entry.param)));
    default:
      return u"";
  }
}

}  // namespace

int ExtraKeyEntry(int index, int layer) { return IsExtraKey(index) ? GKeyEntry(layer, index + 1) : -1; }

int KeyButtonEntry(int index) { return IsKeyButton(index) ? KeyCodeToSlot(KeyboardKeys[index]) : -1; }

std::optional<GridButton> ButtonOfEntry(int entry, int layer) {
  for (int j = 0; j < kExtraKeyCount; ++j)
    if (entry >= 0 && ExtraKeyEntry(j, layer) == entry) return GridButton{GridButton::Kind::kExtraKey, j};
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    if (KeyButtonEntry(i) == entry) return GridButton{GridButton::Kind::kKey, i};
  return std::nullopt;
}

std::u16string ExtraKeyName(int index) { return FormatText(u"G%d", index + 1); }

std::u16string KeyButtonName(int index) { return IsKeyButton(index) ? KeyName(KeyboardKeys[index]) : u""; }

std::u16string KeyTooltip(std::u16string_view name, const KeyAssignment& entry, const MacroList& macros) {
  std::u16string text(name);
  if (entry.type == AssignmentType::Default) return text;
  text += Text(TextKey::KEY_PROMPT_SET);
  const std::u16string what = WhatItNames(entry, macros);
  switch (entry.type) {
    case AssignmentType::Key:
      return text + Described(TextKey::KEY_PROMPT_SINGLE, what);
    case AssignmentType::Macro:
      return text + Described(TextKey::KEY_PROMPT_MACRO, what);
    case AssignmentType::Media:
      return text + Described(TextKey::KEY_PROMPT_MEDIA, what);
    case AssignmentType::Function:
      return text + Described(TextKey::KEY_PROMPT_FUNCTION, what);
    default:
      return text;
  }
}

std::u16string KeySpokenName(std::u16string_view name, const KeyAssignment& entry, const MacroList& macros) {
  std::u16string text(name);
  const std::u16string what = WhatItNames(entry, macros);
  switch (entry.type) {
    case AssignmentType::Key:
    case AssignmentType::Media:
      return text + std::u16string(Text(TextKey::KEY_SPOKEN_SENDS)) + what;
    case AssignmentType::Macro:
      return text + std::u16string(Text(TextKey::KEY_SPOKEN_PLAYS_MACRO)) + what;
    case AssignmentType::Function:
      return text + std::u16string(Text(TextKey::KEY_SPOKEN_DOES)) + what;
    case AssignmentType::Disabled:
      return text + std::u16string(Text(TextKey::KEY_SPOKEN_TURNED_OFF));
    case AssignmentType::StopMacro:
      return text + std::u16string(Text(TextKey::KEY_SPOKEN_STOPS_MACRO));
    default:
      // Its default, or an assignment the keyboard does not carry out: the key does what it says.
      return text;
  }
}

KeyGridView BuildKeyGridView(const WorkingProfile& profile, int bank, int layer) {
  const KeyAssignment* entries = BankEntries(profile, bank);
  KeyGridView view;
  for (int j = 0; j < kExtraKeyCount; ++j)
    view.extraKeys[j] =
        ButtonView(entries, ExtraKeyEntry(j, layer), ExtraKeyColourEntry(j, layer), ExtraKeyName(j), profile.macros);
  for (int i = 0; i < kKeyboardKeyCount; ++i)
    view.keys[i] = ButtonView(entries, KeyButtonEntry(i), i, KeyButtonName(i), profile.macros);
  return view;
}

std::array<bool, kExtraKeyCount> ExtraKeysChecked(const WorkingProfile& profile, int bank, int layer) {
  const KeyAssignment* entries = BankEntries(profile, bank);
  std::array<bool, kExtraKeyCount> checked{};
  for (int j = 0; j < kExtraKeyCount; ++j) {
    const int entry = ExtraKeyEntry(j, layer);
    checked[j] = entries && entry >= 0 && entries[entry].type != AssignmentType::Default;
  }
  return checked;
}

bool ResetKeysToDefault(WorkingProfile& profile, int bank, int layer) {
  if (!BankEntries(profile, bank)) return false;
  const auto reset = [&](int entry) {
    if (entry < 0) return;
    profile.block->area[AssignmentIndex(bank, entry)] = KeyAssignment{};
    // Only a program or text record keeps a string: the key no longer is one.
    SetAssignmentText(profile.text, AssignmentIndex(bank, entry), u"");
  };
  for (int j = 0; j < kExtraKeyCount; ++j) reset(ExtraKeyEntry(j, layer));
  for (int i = 0; i < kKeyboardKeyCount; ++i) reset(KeyButtonEntry(i));
  return true;
}
