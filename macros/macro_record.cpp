#include "macros/macro_record.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "app/decimal_text.h"
#include "localisation/text_slots.h"

std::u16string_view MacroName(const MacroRecord& record) {
  const char16_t* end = std::find(record.name, record.name + kMaxMacroNameLength, u'\0');
  return {record.name, static_cast<std::size_t>(end - record.name)};
}

void SetMacroName(MacroRecord& record, std::u16string_view name) {
  std::size_t length = std::min<std::size_t>(name.size(), kMaxMacroNameLength);
  // A cut that would leave the first half of a surrogate pair drops it too.
  if (length < name.size() && length > 0 && name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF) {
    --length;
  }
  std::fill(std::begin(record.name), std::end(record.name), u'\0');
  std::copy_n(name.data(), length, record.name);
}

std::span<const MacroAction> MacroActions(const MacroRecord& record) {
  return {record.actions, std::min<std::size_t>(record.actionCount, kMaxMacroActions)};
}

std::u16string DefaultMacroName(int number) {
  std::u16string name(Text(TextKey::MACRO_NEW_PREFIX));
  for (char digit : std::to_string(number)) name.push_back(static_cast<char16_t>(digit));
  return name;
}

std::uint16_t SmallestFreeMacroId(std::span<const std::uint16_t> idsInUse) {
  bool taken[kLastMacroId + 1] = {};
  for (std::uint16_t id : idsInUse) {
    if (id >= kFirstMacroId && id <= kLastMacroId) taken[id] = true;
  }
  for (std::uint16_t id = kFirstMacroId; id <= kLastMacroId; ++id) {
    if (!taken[id]) return id;
  }
  return 0;
}

void FillNewMacroRecord(MacroRecord& record, std::u16string_view name, std::uint16_t id) {
  std::memset(&record, 0, sizeof record);
  SetMacroName(record, name);
  record.cycles = 1;
  record.newFlag = 1;
  record.id = id;
}

std::unique_ptr<MacroRecord> NewMacroRecord(std::u16string_view name,
                                            std::span<const std::uint16_t> idsInUse) {
  const std::uint16_t id = SmallestFreeMacroId(idsInUse);
  if (id == 0) return nullptr;
  std::unique_ptr<MacroRecord> record(new (std::nothrow) MacroRecord);
  if (record) FillNewMacroRecord(*record, name, id);
  return record;
}

void ClearNewFlags(std::span<MacroRecord> records) {
  for (MacroRecord& record : records) record.newFlag = 0;
}

bool AllocateMacroList(MacroList& list, std::size_t count) {
  FreeMacroList(list);
  if (count > kMaxMacros) return false;
  try {
    list.records.resize(count);  // value-initialised: all zero
  } catch (const std::bad_alloc&) {
    FreeMacroList(list);
    return false;
  }
  return true;
}

void FreeMacroList(MacroList& list) {
  std::vector<MacroRecord>().swap(list.records);
}

std::uint16_t MacroIndexOfId(std::span<const MacroRecord> macros, std::uint16_t id) {
  for (std::size_t i = 0; i < macros.size(); ++i) {
    if (macros[i].id == id) return static_cast<std::uint16_t>(i);
  }
  return 0;
}

std::uint16_t MacroIdAtIndex(std::span<const MacroRecord> macros, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= macros.size()) return 0;
  return macros[static_cast<std::size_t>(index)].id;
}

ActionRowTexts ActionTexts(const MacroAction& action) {
  return {KeyName(action.keyCode), action.direction == kMacroRelease ? kReleaseText : kPressText,
          DecimalText(action.delayMs)};
}
