#include "editors/macro_page.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "app/decimal_text.h"
#include "editors/key_edit.h"
#include "keyboard/key_codes.h"
#include "localisation/text_slots.h"

namespace {

// A number typed into a field: blanks, a sign, then the digits up to the
// first other character (no digits read as 0). Saturates far above any limit
// a field has, so that a long run of digits is simply too large.
long long ReadTypedNumber(std::u16string_view text) {
  constexpr long long kSaturated = 1'000'000'000'000LL;
  std::size_t at = 0;
  while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) negative = text[at++] == u'-';
  long long value = 0;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
    value = std::min(value * 10 + (text[at] - u'0'), kSaturated);
  return negative ? -value : value;
}

bool IsMacro(const MacroPage& page, int position) {
  return position >= 0 && static_cast<std::size_t>(position) < page.macros.size();
}

bool IsRow(const MacroPage& page, int row) {
  return row >= 0 && static_cast<std::size_t>(row) < page.rows.size();
}

int ClampCycles(long long value) {
  return static_cast<int>(std::clamp<long long>(value, kMinCycles, kMaxCycles));
}

// A typed delay as the row keeps it: capped at 40 000, then in the keyboard's 10 ms steps.
struct TypedDelay {
  long long typed;     // the number typed, 0 or more
  std::uint32_t kept;  // what the row keeps and the keyboard plays
};
TypedDelay ReadTypedDelay(std::u16string_view text) {
  const long long typed = std::max(ReadTypedNumber(text), 0LL);
  const auto capped = static_cast<std::uint32_t>(std::min<long long>(typed, kMaxTypedDelayMs));
  return {typed, capped / kDelayStepMs * kDelayStepMs};
}

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

// Whether `text` begins with `prefix`, ASCII letters compared without case
// (default names are the prefix and digits).
bool BeginsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char16_t a, char16_t b) { return FoldAscii(a) == FoldAscii(b); });
}

bool AnyNameBeginsWith(const MacroPage& page, std::u16string_view name) {
  return std::any_of(page.macros.begin(), page.macros.end(),
                     [&](const MacroRecord& record) { return BeginsWithIgnoringCase(MacroName(record), name); });
}

// Add's steps after the name: a new macro with the smallest free id appended,
// selected and loaded. False, with nothing added, when no id is free or
// memory runs out.
bool AppendNewMacro(MacroPage& page, std::u16string_view name) {
  std::vector<std::uint16_t> ids;
  ids.reserve(page.macros.size());
  for (const MacroRecord& record : page.macros) ids.push_back(record.id);
  const std::uint16_t id = SmallestFreeMacroId(ids);
  if (id == 0) return false;
  SaveMacroActions(page);
  try {
    page.macros.emplace_back();
  } catch (const std::bad_alloc&) {
    return false;
  }
  FillNewMacroRecord(page.macros.back(), name, id);
  page.selected = static_cast<int>(page.macros.size()) - 1;
  LoadMacroActions(page);
  page.modified = true;
  return true;
}

}  // namespace

bool FillMacroList(MacroPage& page, WorkingProfile& profile) {
  page.selected = -1;
  page.rows.clear();
  try {
    page.macros = profile.macros.records;
  } catch (const std::bad_alloc&) {
    page.macros.clear();
    return false;
  }
  ClearNewFlags(page.macros);
  return true;
}

void SelectMacroById(MacroPage& page, std::uint16_t id) {
  const auto found = std::find_if(page.macros.begin(), page.macros.end(),
                                  [id](const MacroRecord& record) { return record.id == id; });
  if (id != 0 && found != page.macros.end()) {
    page.selected = static_cast<int>(found - page.macros.begin());
  } else {
    page.selected = page.macros.empty() ? -1 : 0;
  }
  LoadMacroActions(page);
}

void SelectMacro(MacroPage& page, int position) {
  SaveMacroActions(page);
  page.selected = IsMacro(page, position) ? position : -1;
  LoadMacroActions(page);
}

void LoadMacroActions(MacroPage& page) {
  page.rows.clear();
  if (!IsMacro(page, page.selected)) return;
  const MacroRecord& macro = page.macros[static_cast<std::size_t>(page.selected)];
  page.cycles = ClampCycles(macro.cycles);
  const std::span<const MacroAction> actions = MacroActions(macro);
  page.rows.reserve(actions.size());
  for (MacroAction action : actions) {
    if (action.direction != kMacroRelease) action.direction = kMacroPress;
    page.rows.push_back(action);
  }
}

void SaveMacroActions(MacroPage& page) {
  if (!IsMacro(page, page.selected)) return;
  MacroRecord& macro = page.macros[static_cast<std::size_t>(page.selected)];
  macro.cycles = static_cast<std::uint8_t>(page.cycles);
  const std::size_t count = std::min<std::size_t>(page.rows.size(), kMaxMacroActions);
  std::copy_n(page.rows.begin(), count, macro.actions);
  macro.actionCount = static_cast<std::uint16_t>(count);
}

bool ActionButtonsEnabled(const MacroPage& page) { return IsMacro(page, page.selected); }

PageResult AddMacro(MacroPage& page) {
  if (page.macros.size() >= kMaxMacros) return {false, FormatText(Text(TextKey::MACRO_ERR_MAX), kMaxMacros)};
  if (page.macros.empty()) page.nameCounter = 0;
  std::u16string name = DefaultMacroName(++page.nameCounter);
  while (AnyNameBeginsWith(page, name)) name = DefaultMacroName(++page.nameCounter);
  return {AppendNewMacro(page, name), {}};
}

bool SelectedMacroInUse(const MacroPage& page, WorkingProfile& profile) {
  if (!IsMacro(page, page.selected)) return false;
  const MacroRecord& macro = page.macros[static_cast<std::size_t>(page.selected)];
  if (macro.newFlag != 0 || macro.id == 0) return false;  // the commit never clears these references
  if (!profile.block) return false;
  const AssignmentArea& area = profile.block->area;
  return std::any_of(area.begin(), area.end(), [&](const KeyAssignment& entry) {
    return entry.type == AssignmentType::Macro && PlayedMacroId(entry) == macro.id;
  });
}

bool DeleteSelectedMacro(MacroPage& page) {
  if (!IsMacro(page, page.selected)) return false;
  page.macros.erase(page.macros.begin() + page.selected);
  page.selected = page.macros.empty() ? -1 : std::max(page.selected - 1, 0);
  LoadMacroActions(page);
  page.modified = true;
  return true;
}

NameEdit TypeMacroName(MacroPage& page, std::u16string_view text) {
  if (page.macros.empty()) return AppendNewMacro(page, text) ? NameEdit::kCreated : NameEdit::kIgnored;
  if (!IsMacro(page, page.selected)) return NameEdit::kIgnored;
  SetMacroName(page.macros[static_cast<std::size_t>(page.selected)], text);
  page.modified = true;
  return NameEdit::kRenamed;
}

bool DeleteAction(MacroPage& page, int row) {
  if (!IsRow(page, row)) return false;
  page.rows.erase(page.rows.begin() + row);
  page.modified = true;
  return true;
}

bool ClearActions(MacroPage& page) {
  if (page.rows.empty()) return false;
  page.rows.clear();
  page.modified = true;
  return true;
}

int MoveAction(MacroPage& page, int row, ActionMove move) {
  if (!IsRow(page, row)) return -1;
  const int last = static_cast<int>(page.rows.size()) - 1;
  int target = row;
  switch (move) {
    case ActionMove::kTop: target = 0; break;
    case ActionMove::kUp: target = std::max(row - 1, 0); break;
    case ActionMove::kDown: target = std::min(row + 1, last); break;
    case ActionMove::kBottom: target = last; break;
  }
  if (target == row) return row;
  const auto from = page.rows.begin() + row;
  const auto to = page.rows.begin() + target;
  if (target < row) {
    std::rotate(to, from, from + 1);
  } else {
    std::rotate(from, from + 1, to + 1);
  }
  page.modified = true;
  return target;
}

bool SetActionKey(MacroPage& page, int row, int listPosition) {
  if (!IsRow(page, row) || listPosition < 0 || listPosition >= kPickerListPositionCount) return false;
  MacroAction& action = page.rows[static_cast<std::size_t>(row)];
  if (KeyCodeToListPosition(action.keyCode) == listPosition) return false;
  action.keyCode = ListPositionToKeyCode(listPosition);
  page.modified = true;
  return true;
}

bool SetActionDirection(MacroPage& page, int row, std::uint16_t direction) {
  if (!IsRow(page, row) || (direction != kMacroPress && direction != kMacroRelease)) return false;
  MacroAction& action = page.rows[static_cast<std::size_t>(row)];
  if (action.direction == direction) return false;
  action.direction = direction;
  page.modified = true;
  return true;
}

PageResult SetActionDelay(MacroPage& page, int row, std::u16string_view text) {
  if (!IsRow(page, row)) return {};
  PageResult result;
  const TypedDelay delay = ReadTypedDelay(text);
  if (delay.typed > kMaxTypedDelayMs)
    result.message = FormatText(Text(TextKey::MACRO_ACTION_ERR_DELAY_MAX), kMaxTypedDelayMs);
  const std::uint32_t delayMs = delay.kept;
  MacroAction& action = page.rows[static_cast<std::size_t>(row)];
  result.changed = action.delayMs != delayMs;
  action.delayMs = delayMs;
  if (result.changed) page.modified = true;
  return result;
}

std::u16string TypedDelayHint(std::u16string_view text) {
  const TypedDelay delay = ReadTypedDelay(text);
  if (delay.typed == delay.kept) return {};
  return FormatText(Text(TextKey::MACRO_DELAY_PLAYS), delay.kept);
}

std::optional<std::u16string> ChangeCyclesText(MacroPage& page, std::u16string_view text) {
  const long long typed = ReadTypedNumber(text);
  page.cycles = ClampCycles(typed);
  page.modified = true;
  if (typed == page.cycles) return std::nullopt;
  return DecimalText(page.cycles);
}

int NextRecordDelayOption(int option) { return option == 1 ? 0 : 1; }

std::optional<std::vector<MacroRecord>> MacroListToCommit(MacroPage& page) {
  SaveMacroActions(page);
  std::optional<std::vector<MacroRecord>> list;
  try {
    list.emplace(page.macros);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  ClearNewFlags(page.macros);
  return list;
}

void FreeMacroPage(MacroPage& page) {
  std::vector<MacroRecord>().swap(page.macros);
  std::vector<MacroAction>().swap(page.rows);
  page.selected = -1;
  page.cycles = kMinCycles;
}
