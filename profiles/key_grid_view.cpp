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
  if (!entries || entry < 0) return {false, std::move(name), 0};
  const KeyAssignment& assignment = entries[entry];
  return {assignment.type != AssignmentType::Default, KeyTooltip(name, assignment, macros),
          entries[colourEntry].colour};
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
  const std::uint16_t low = static_cast<std::uint16_t>(entry.param);
  switch (entry.type) {
    case AssignmentType::Key:
      return text + Described(TextKey::KEY_PROMPT_SINGLE, KeyName(low));
    case AssignmentType::Macro:
      return text + Described(TextKey::KEY_PROMPT_MACRO, MacroNameOfId(macros, low));
    case AssignmentType::Media:
      // A media index the table does not have names nothing.
      return text + Described(TextKey::KEY_PROMPT_MEDIA,
                              entry.param < MediaKeyTable.size() ? KeyName(MediaKeyTable[entry.param].keyCode) : u"");
    case AssignmentType::Function:
      return text + Described(TextKey::KEY_PROMPT_FUNCTION, FunctionName(static_cast<int>(entry.param)));
    default:
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
