#include "console/console_names.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "app/utf8_text.h"
#include "editors/key_editor.h"
#include "profiles/key_grid_view.h"

std::optional<std::uint32_t> WholeNumber(std::string_view text, int base) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::string MatchForm(std::string_view name) {
  std::string form;
  for (const char c : name)
    if (c != ' ' && c != '_') form += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return form;
}

namespace {

// Edits between two names: insertions, deletions, changes and swaps of two
// neighbours ("Spcae" is one swap from "Space").
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// Splits "kind:rest" at the first colon; no colon gives the whole text as the kind.
std::pair<std::string_view, std::string_view> SplitKind(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return {text, {}};
  return {text.substr(0, colon), text.substr(colon + 1)};
}

bool HasName(const KeyTableRow& row) { return row.name != nullptr || row.mediaIndex >= 0; }

}  // namespace

std::vector<std::string> NearestNames(std::string_view wanted, const std::vector<std::string>& names,
                                      std::size_t most) {
  const std::string form = MatchForm(wanted);
  // Close means a few edits, fewer for a short name; a name that begins with
  // what was typed is always close.
  const std::size_t limit = std::max<std::size_t>(1, form.size() / 3);
  std::vector<std::pair<std::size_t, std::string>> scored;
  for (const std::string& name : names) {
    const std::string other = MatchForm(name);
    std::size_t distance = EditDistance(form, other);
    if (!form.empty() && other.starts_with(form)) distance = std::min<std::size_t>(distance, 1);
    if (distance <= limit) scored.emplace_back(distance, name);
  }
  std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (const auto& [distance, name] : scored) {
    if (out.size() == most) break;
    if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
  }
  return out;
}

std::string UnknownName(std::string_view what, std::string_view wanted, const std::vector<std::string>& names) {
  std::string message = "unknown " + std::string(what) + " '" + std::string(wanted) + "'";
  const std::vector<std::string> nearest = NearestNames(wanted, names);
  for (std::size_t i = 0; i < nearest.size(); ++i)
    message += (i == 0 ? " (did you mean " : i + 1 == nearest.size() ? " or " : ", ") + nearest[i];
  if (!nearest.empty()) message += "?)";
  return message;
}

std::optional<int> FindName(std::string_view name, const std::vector<std::string>& names) {
  const std::string form = MatchForm(name);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (MatchForm(names[i]) == form) return static_cast<int>(i);
  return std::nullopt;
}

std::vector<std::string> KeyboardKeyNames() {
  std::vector<std::string> names;
  for (int i = 0; i < kKeyboardKeyCount; ++i) names.push_back(ToUtf8(KeyButtonName(i)));
  for (int j = 0; j < kExtraKeyCount; ++j) names.push_back(ToUtf8(ExtraKeyName(j)));
  return names;
}

std::optional<int> FindKeyEntry(std::string_view name, int layer) {
  const std::optional<int> found = FindName(name, KeyboardKeyNames());
  if (!found) return std::nullopt;
  if (*found < kKeyboardKeyCount) return KeyButtonEntry(*found);
  const int entry = ExtraKeyEntry(*found - kKeyboardKeyCount, layer);
  if (entry < 0) return std::nullopt;
  return entry;
}

std::string EntryName(int entry) {
  if (entry >= kFirstGKeyEntry && entry < kGKeyEntryEnd) {
    const int layer = (entry - kFirstGKeyEntry) / kGKeysPerLayer;
    const std::string name = ToUtf8(ExtraKeyName((entry - kFirstGKeyEntry) % kGKeysPerLayer));
    return layer == 0 ? name : name + " (layer 2)";
  }
  return KeyCodeName(SlotToKeyCode(entry));
}

std::string KeyCodeName(KeyCode code) {
  if (code != kNoKey && HasName(KeyRow(code)) && SlotToKeyCode(KeyCodeToSlot(code)) == code)
    return ToUtf8(KeyName(code));
  char text[8];
  std::snprintf(text, sizeof text, "0x%03x", static_cast<unsigned>(code));
  return text;
}

std::vector<std::string> NamedKeys() {
  std::vector<std::string> names;
  for (int slot = 0; slot < kKeySlotCount; ++slot)
    if (HasName(KeyTable[slot])) names.push_back(ToUtf8(KeyName(SlotToKeyCode(slot))));
  return names;
}

std::optional<KeyCode> FindKeyCode(std::string_view name) {
  if (name.starts_with("0x") || name.starts_with("0X")) {
    const std::optional<std::uint32_t> code = WholeNumber(name.substr(2), 16);
    const auto key = static_cast<KeyCode>(code.value_or(0));
    if (!code || *code == 0 || *code > 0xFFFF || SlotToKeyCode(KeyCodeToSlot(key)) != key) return std::nullopt;
    return key;
  }
  const std::string form = MatchForm(name);
  for (int slot = 0; slot < kKeySlotCount; ++slot)
    if (HasName(KeyTable[slot]) && MatchForm(ToUtf8(KeyName(SlotToKeyCode(slot)))) == form)
      return SlotToKeyCode(slot);
  return std::nullopt;
}

std::vector<std::string> MediaNames() {
  std::vector<std::string> names;
  for (const MediaKey& media : MediaKeyTable) names.push_back(ToUtf8(KeyName(media.keyCode)));
  return names;
}

std::vector<std::string> FunctionNames() {
  std::vector<std::string> names;
  for (int f = 0; f < kFunctionCount; ++f) names.push_back(ToUtf8(FunctionName(f)));
  return names;
}

std::vector<std::string> EffectNames() {
  return {"Wave", "Spectrum", "Rainbow", "Reactive", "Custom", "Ripple", "Raindrops",
          "Snake", "Static", "Cross", "Breathing", "Trail", "Neon", "Ribbon"};
}

std::optional<int> FindEffect(std::string_view text) {
  const std::vector<std::string> names = EffectNames();
  if (const std::optional<int> index = FindName(text, names)) return *index + 1;
  const std::optional<std::uint32_t> number = WholeNumber(text, 10);
  if (!number || *number < 1 || *number > names.size()) return std::nullopt;
  return static_cast<int>(*number);
}

std::optional<AssignmentChoice> ParseAssignment(std::string_view text, std::span<const MacroRecord> macros,
                                                std::string& error) {
  const auto [kind, name] = SplitKind(text);
  const std::string form = MatchForm(kind);
  AssignmentChoice choice;
  if (form == "default" && name.empty()) return choice;
  if (form == "disabled" && name.empty()) {
    choice.type = AssignmentType::Disabled;
    return choice;
  }
  if (form == "key") {
    const std::optional<KeyCode> key = FindKeyCode(name);
    if (!key) {
      error = UnknownName("key", name, NamedKeys());
      return std::nullopt;
    }
    const DeviceKeyCode device = KeyRow(*key).deviceCode;
    if (device == 0x00 || device == 0xFF) {
      error = "the keyboard cannot send the key '" + KeyCodeName(*key) + "'";
      return std::nullopt;
    }
    choice.type = AssignmentType::Key;
    choice.param = *key;
    return choice;
  }
  if (form == "media" || form == "function") {
    const bool media = form == "media";
    const std::vector<std::string> names = media ? MediaNames() : FunctionNames();
    const std::optional<int> index = FindName(name, names);
    if (!index) {
      error = UnknownName(media ? "media key" : "function", name, names);
      return std::nullopt;
    }
    choice.type = media ? AssignmentType::Media : AssignmentType::Function;
    choice.param = static_cast<std::uint32_t>(*index);
    return choice;
  }
  if (form == "macro") {
    const std::u16string wanted = FromUtf8(name);
    std::vector<std::string> names;
    for (const MacroRecord& macro : macros) {
      if (MacroName(macro) == wanted) {
        choice.type = AssignmentType::Macro;
        choice.param = macro.id;
        choice.cycles = macro.cycles;
        return choice;
      }
      names.push_back(ToUtf8(MacroName(macro)));
    }
    error = UnknownName("macro", name, names);
    return std::nullopt;
  }
  error = "unknown assignment '" + std::string(text) +
          "' (use key:NAME, media:NAME, function:NAME, macro:NAME, default or disabled)";
  return std::nullopt;
}

std::string DescribeAssignment(const KeyAssignment& entry, std::span<const MacroRecord> macros,
                               std::u16string_view text) {
  const auto named = [](const std::vector<std::string>& names, std::uint32_t index) {
    return index < names.size() ? names[index] : std::to_string(index);
  };
  switch (entry.type) {
    case AssignmentType::Default:
      return "default";
    case AssignmentType::Disabled:
      return "disabled";
    case AssignmentType::Key:
      return "key:" + KeyCodeName(static_cast<KeyCode>(entry.param));
    case AssignmentType::Media:
      return "media:" + named(MediaNames(), entry.param);
    case AssignmentType::Function:
      return "function:" + named(FunctionNames(), entry.param);
    case AssignmentType::Macro:
      for (const MacroRecord& macro : macros)
        if (macro.id == entry.param) return "macro:" + ToUtf8(MacroName(macro));
      return "macro:#" + std::to_string(entry.param);  // its macro is gone
    case AssignmentType::StopMacro:
      return "stop-macro";
    case AssignmentType::LaunchProgram:
      return "program:" + ToUtf8(text);
    case AssignmentType::TextBlock:
      return "text:" + ToUtf8(text);
  }
  return "type-" + std::to_string(static_cast<int>(entry.type));
}

KeyAssignment AssignmentOfChoice(const AssignmentChoice& choice, int entry, const KeyAssignment& old) {
  if (choice.type == AssignmentType::Disabled) {
    KeyAssignment disabled = old;
    disabled.type = AssignmentType::Disabled;
    disabled.gkey = GKeyIdOfEntry(entry);
    disabled.param = 0;
    return disabled;
  }
  // The key editor's own rule for what its Apply stores.
  KeyEditorState state;
  state.entry = entry;
  state.type = choice.type;
  if (choice.type == AssignmentType::Key) state.capturedKey = static_cast<KeyCode>(choice.param);
  PageChoices pages;
  pages.macroListEmpty = false;
  if (choice.type == AssignmentType::Media) pages.mediaIndex = static_cast<int>(choice.param);
  if (choice.type == AssignmentType::Function) pages.functionIndex = static_cast<int>(choice.param);
  if (choice.type == AssignmentType::Macro) {
    pages.selectedMacroId = static_cast<std::uint16_t>(choice.param);
    pages.cycles = choice.cycles;
  }
  return BuildKeyAssignment(state, pages, old).value_or(old);
}
