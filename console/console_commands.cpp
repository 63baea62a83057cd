#include "console/console_commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/utf8_text.h"
#include "console/console_names.h"
#include "console/macro_json.h"
#include "console/profile_report.h"
#include "editors/key_edit.h"
#include "lighting/lighting_transfers.h"
#include "localisation/text_slots.h"
#include "macros/macro_image.h"
#include "profiles/file_io.h"
#include "profiles/key_grid_view.h"
#include "profiles/profile_check.h"
#include "profiles/profile_keyboard.h"

namespace {

std::u16string PathOf(const std::string& file) { return FromUtf8(file); }

std::string Hex(std::uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*llx", digits, static_cast<unsigned long long>(value));
  return text;
}

Json ProblemsJson(const std::vector<FileProblem>& problems) {
  Json list = Json::array();
  for (const FileProblem& p : problems) list.push_back({{"offset", p.offset}, {"problem", p.what}});
  return list;
}

std::string ProblemsText(const std::vector<FileProblem>& problems) {
  std::string text;
  for (const FileProblem& p : problems) text += "  offset 0x" + Hex(p.offset, 8) + ": " + p.what + "\n";
  return text;
}

// A profile file read and checked whole: its problems, or its contents.
struct CheckedFile {
  std::vector<FileProblem> problems;
  ProfileContents contents;
};

// False (printed) when the file cannot be read.
bool ReadCheckedFile(const std::u16string& path, const ConsoleOutput& output, CheckedFile& checked, int& exitCode) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) {
    exitCode = output.Fail(kExitFile, "cannot read " + ToUtf8(path));
    return false;
  }
  checked.problems = FindProfileFileProblems(bytes);
  if (checked.problems.empty()) ParseProfileFile(bytes, checked.contents);
  return true;
}

// The profile file the window program keeps, for the commands that only read
// it; a missing one is said so with the way to make it.
bool ReadProfileContents(const ConsoleOutput& output, ProfileContents& contents, int& exitCode) {
  const std::u16string& path = output.environment.profilePath;
  if (!FileExists(path)) {
    exitCode = output.Fail(kExitFile, "there is no profile file yet (" + ToUtf8(path) +
                                          "): attach the keyboard and run 'ostrak-cli read-back'");
    return false;
  }
  CheckedFile checked;
  if (!ReadCheckedFile(path, output, checked, exitCode)) return false;
  if (!checked.problems.empty()) {
    exitCode = output.Fail(kExitFile, "the profile file " + ToUtf8(path) + " is damaged:\n" +
                                          ProblemsText(checked.problems));
    return false;
  }
  contents = std::move(checked.contents);
  return true;
}

const MacroRecord* FindMacro(std::span<const MacroRecord> macros, const std::string& name) {
  const std::u16string wanted = FromUtf8(name);
  for (const MacroRecord& macro : macros)
    if (MacroName(macro) == wanted) return &macro;
  return nullptr;
}

std::vector<std::string> MacroNames(std::span<const MacroRecord> macros) {
  std::vector<std::string> names;
  for (const MacroRecord& macro : macros) names.push_back(ToUtf8(MacroName(macro)));
  return names;
}

std::string ColourText(Rgb colour) { return Hex(colour.r, 2) + Hex(colour.g, 2) + Hex(colour.b, 2); }

std::optional<Rgb> ParseColour(std::string_view text) {
  if (text.starts_with('#')) text.remove_prefix(1);
  const std::optional<std::uint32_t> rgb = text.size() == 6 ? WholeNumber(text, 16) : std::nullopt;
  if (!rgb) return std::nullopt;
  return Rgb{static_cast<std::uint8_t>(*rgb >> 16), static_cast<std::uint8_t>(*rgb >> 8), static_cast<std::uint8_t>(*rgb)};
}

Json LightingJson(const LightingState& state) {
  const std::vector<std::string> names = EffectNames();
  Json json = {{"effect", state.effectMode},
               {"effectName", IsEffect(state.effectMode) ? Json(names[state.effectMode - 1]) : Json()},
               {"brightness", BrightnessPosition(state)},
               {"speed", SpeedPosition(state)}};
  const EffectGroup* group = GroupOfEffect(state, state.effectMode);
  json["colour"] = group ? Json(ColourText(group->colour)) : Json();
  Json offered = Json::array();
  for (const int effect : state.offeredEffects) offered.push_back(effect);
  json["offeredEffects"] = std::move(offered);
  return json;
}

std::string LightingText(const LightingState& state) {
  const Json json = LightingJson(state);
  std::string text = "effect " + std::to_string(state.effectMode);
  if (json["effectName"].is_string()) text += " (" + json["effectName"].get<std::string>() + ")";
  text += ", brightness " + std::to_string(BrightnessPosition(state)) + " of " + std::to_string(kMaxBrightness) +
          ", speed " + std::to_string(SpeedPosition(state)) + " of " + std::to_string(kMaxSpeed);
  if (json["colour"].is_string()) text += ", colour " + json["colour"].get<std::string>();
  return text + "\n";
}

}  // namespace

// ---- Files -----------------------------------------------------------------

int ValidateCommand(const CommandLine& line, const ConsoleOutput& output) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(PathOf(line.file), bytes)) return output.Fail(kExitFile, "cannot read " + line.file);
  const std::vector<FileProblem> problems = FindProfileFileProblems(bytes);
  const std::string text = problems.empty() ? line.file + ": a valid profile file\n"
                                            : line.file + ": " + std::to_string(problems.size()) +
                                                  (problems.size() == 1 ? " problem\n" : " problems\n") +
                                                  ProblemsText(problems);
  output.Print({{"file", line.file}, {"valid", problems.empty()}, {"problems", ProblemsJson(problems)}}, text);
  return problems.empty() ? kExitOk : kExitFile;
}

int ShowCommand(const CommandLine& line, const ConsoleOutput& output) {
  CheckedFile checked;
  int exitCode = kExitOk;
  if (!ReadCheckedFile(PathOf(line.file), output, checked, exitCode)) return exitCode;
  if (!checked.problems.empty())
    return output.Fail(kExitFile, line.file + " is not a valid profile file:\n" + ProblemsText(checked.problems));
  output.Print(ProfileJson(checked.contents), ProfileText(checked.contents));
  return kExitOk;
}

int ExportCommand(const CommandLine& line, const ConsoleOutput& output) {
  ProfileContents contents;
  int exitCode = kExitOk;
  if (!ReadProfileContents(output, contents, exitCode)) return exitCode;
  WorkingProfile working;
  if (!LoadProfileFile(working, output.environment.profilePath))
    return output.Fail(kExitFile, "the profile file does not load");
  // The window's Export: the same durable write as the profile file.
  if (const FileWrite written = ExportProfileFile(working, PathOf(line.file)); written != FileWrite::kWritten) {
    output.Say(ExportMessage(PathOf(line.file), written));
    return output.Fail(kExitFile, "cannot write " + line.file);
  }
  output.Print({{"file", line.file}, {"macros", contents.macros.count()}},
               "Exported the profile to " + line.file + "\n");
  return kExitOk;
}

int MacroListCommand(const CommandLine&, const ConsoleOutput& output) {
  ProfileContents contents;
  int exitCode = kExitOk;
  if (!ReadProfileContents(output, contents, exitCode)) return exitCode;
  Json list = Json::array();
  std::string text;
  for (const MacroRecord& macro : contents.macros.records) {
    const std::string name = ToUtf8(MacroName(macro));
    const std::size_t actions = MacroActions(macro).size();
    list.push_back({{"name", name}, {"cycles", macro.cycles}, {"actions", actions}});
    text += MacroSummary(macro) + "\n";
  }
  if (contents.macros.records.empty()) text = "no macros\n";
  output.Print(list, text);
  return kExitOk;
}

namespace {

// The macro the command names, from the profile file; null when there is no
// profile file or no such macro (printed, with the exit code in `exitCode`).
const MacroRecord* ReadNamedMacro(const CommandLine& line, const ConsoleOutput& output, ProfileContents& contents,
                                  int& exitCode) {
  if (!ReadProfileContents(output, contents, exitCode)) return nullptr;
  const MacroRecord* macro = FindMacro(contents.macros.records, line.macro);
  if (!macro)
    exitCode = output.Fail(kExitUsage, UnknownName("macro", line.macro, MacroNames(contents.macros.records)));
  return macro;
}

}  // namespace

int MacroShowCommand(const CommandLine& line, const ConsoleOutput& output) {
  ProfileContents contents;
  int exitCode = kExitOk;
  const MacroRecord* macro = ReadNamedMacro(line, output, contents, exitCode);
  if (!macro) return exitCode;
  std::string text = MacroSummary(*macro) + "\n";
  for (const MacroAction& action : MacroActions(*macro))
    text += std::string(action.direction == kMacroRelease ? "  release " : "  press   ") +
            KeyCodeName(action.keyCode) + ", then " + std::to_string(action.delayMs) + " ms\n";
  output.Print(MacroJson(*macro), text);
  return kExitOk;
}

int MacroExportCommand(const CommandLine& line, const ConsoleOutput& output) {
  ProfileContents contents;
  int exitCode = kExitOk;
  const MacroRecord* macro = ReadNamedMacro(line, output, contents, exitCode);
  if (!macro) return exitCode;
  const std::string json = MacroJson(*macro).dump(2) + "\n";
  if (!ReplaceFile(PathOf(line.file), std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size())))
    return output.Fail(kExitFile, "cannot write " + line.file);
  output.Print({{"macro", line.macro}, {"file", line.file}}, "Wrote the macro " + line.macro + " to " + line.file + "\n");
  return kExitOk;
}

// ---- The keyboard -----------------------------------------------------------

int DevicesCommand(const CommandLine&, const ConsoleOutput& output) {
  int exitCode = kExitOk;
  const std::unique_ptr<ConsoleKeyboard> keyboard = ConsoleKeyboard::Open(output, ArrivalRead::kNothing, exitCode);
  if (!keyboard) {
    if (exitCode == kExitNoKeyboard) output.Print({{"keyboards", 0}}, "no keyboard attached\n");
    return exitCode;
  }
  StatusBlock status{};
  const int current = keyboard->Run([&status](DeviceLink& link) {
    const int profile = link.CurrentProfile();
    return profile >= 0 && link.ReadStatus(status) == DeviceResult::kOk ? profile : -1;
  }).value_or(-1);
  if (current < 0) return keyboard->TransferFailed("the keyboard's status could not be read");
  const std::vector<std::string> names = EffectNames();
  Json effects = Json::array();
  std::string effectText;
  for (const int effect : OfferedEffects(status)) {
    const std::string name = IsEffect(effect) ? names[effect - 1] : "effect " + std::to_string(effect);
    effects.push_back({{"effect", effect}, {"name", name}});
    effectText += (effectText.empty() ? "" : ", ") + std::to_string(effect) + " " + name;
  }
  DeviceLink& link = keyboard->Link();
  const int count = link.DeviceCount();
  output.Print({{"keyboards", count},
                {"currentProfile", current + 1},
                {"macroCapacity", link.MacroCapacity()},
                {"effects", std::move(effects)}},
               std::to_string(count) + (count == 1 ? " keyboard attached\n" : " keyboards attached\n") +
                   "current profile: " + std::to_string(current + 1) + "\nmacro memory: " +
                   std::to_string(link.MacroCapacity()) + " bytes\neffects: " + effectText + "\n");
  return kExitOk;
}

int ReadBackCommand(const CommandLine& line, const ConsoleOutput& output) {
  const std::u16string target = line.outFile.empty() ? output.environment.profilePath : PathOf(line.outFile);
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  std::error_code error;
  if (line.outFile.empty())
    std::filesystem::create_directories(folder, error);
  else if (!folder.empty() && !std::filesystem::is_directory(folder, error))
    return output.Fail(kExitFile, "there is no folder " + ToUtf8(folder.u16string()));
  int exitCode = kExitOk;
  const std::unique_ptr<ConsoleKeyboard> keyboard = ConsoleKeyboard::Open(output, ArrivalRead::kNothing, exitCode);
  if (!keyboard) return exitCode;
  if (!keyboard->Run([&target](DeviceLink& link) { return ReadProfileFromKeyboard(link, target); }).value_or(false))
    return keyboard->TransferFailed("the keyboard could not be read into " + ToUtf8(target) +
                                   " (any file there is as it was)");
  CheckedFile written;
  if (!ReadCheckedFile(target, output, written, exitCode)) return exitCode;
  const int macros = written.contents.block ? written.contents.macros.count() : 0;
  output.Print({{"file", ToUtf8(target)}, {"macros", macros}},
               "Read the keyboard's three profiles and " + std::to_string(macros) + " macros into " +
                   ToUtf8(target) + "\n");
  return kExitOk;
}

int ImportCommand(const CommandLine& line, const ConsoleOutput& output) {
  CheckedFile checked;
  int exitCode = kExitOk;
  if (!ReadCheckedFile(PathOf(line.file), output, checked, exitCode)) return exitCode;
  if (!checked.problems.empty()) {
    output.Fail(kExitFile, line.file + " is not a valid profile file:\n" + ProblemsText(checked.problems));
    output.Say(Text(TextKey::MAIN_PROMPT_INPORT));
    return kExitFile;
  }
  const std::unique_ptr<ConsoleKeyboard> keyboard = ConsoleKeyboard::Open(output, ArrivalRead::kNothing, exitCode);
  if (!keyboard) return exitCode;
  // Refused before anything is written: macros the keyboard cannot hold.
  if (ComputeMacroImageSizes(checked.contents.macros.records).baseSize > keyboard->Link().MacroCapacity()) {
    output.Say(Text(TextKey::EXTRA_MACRO_TOO_LONG));
    return kExitNoRoom;
  }
  WorkingProfile imported;
  if (!LoadImportFile(*keyboard, PathOf(line.file), imported)) return kExitFile;
  if (const int sent = keyboard->Import(std::move(imported)); sent != kExitOk) return sent;
  output.Print({{"file", line.file}, {"macros", checked.contents.macros.count()}},
               "Imported " + line.file + ": the keyboard holds its three profiles and " +
                   std::to_string(checked.contents.macros.count()) + " macros\n");
  return kExitOk;
}

int ProfileCommand(const CommandLine& line, const ConsoleOutput& output) {
  int exitCode = kExitOk;
  const std::unique_ptr<ConsoleKeyboard> keyboard = ConsoleKeyboard::Open(output, ArrivalRead::kNothing, exitCode);
  if (!keyboard) return exitCode;
  const int profile = line.profile - 1;
  if (keyboard->Run([profile](DeviceLink& link) { return link.SetCurrentProfile(profile); }) != DeviceResult::kOk)
    return keyboard->TransferFailed("the keyboard did not switch profiles");
  output.Print({{"profile", line.profile}},
               "Profile " + std::to_string(line.profile) + " is now the keyboard's current profile\n");
  return kExitOk;
}

namespace {

// What a key command starts from: the keyboard's session with the profile
// file loaded (read back from the keyboard first when there is none) and the
// key map it changes (--profile, else the keyboard's current one). Null,
// printed with the exit code in `exitCode`, when one of them is not there.
std::unique_ptr<ConsoleKeyboard> StartKeyCommand(const CommandLine& line, const ConsoleOutput& output, int& bank,
                                                 int& exitCode) {
  std::unique_ptr<ConsoleKeyboard> keyboard = ConsoleKeyboard::Open(output, ArrivalRead::kOnlyWithoutFile, exitCode);
  if (!keyboard) return nullptr;
  if (!keyboard->Session().ProfileKnown()) {
    exitCode = output.Fail(kExitFile, "the profile file " + ToUtf8(output.environment.profilePath) + " does not load");
    return nullptr;
  }
  bank = line.profile > 0 ? line.profile - 1
                          : keyboard->Run([](DeviceLink& link) { return link.CurrentProfile(); }).value_or(-1);
  if (IsKeyboardProfile(bank)) return keyboard;
  exitCode = keyboard->TransferFailed("the keyboard's current profile could not be read");
  return nullptr;
}

// Gives a key of `bank` what the choice makes of it (the key editor's rule)
// and returns that.
KeyAssignment StoreChoice(WorkingProfile& working, int bank, int entry, const AssignmentChoice& choice) {
  const KeyAssignment assignment =
      AssignmentOfChoice(choice, entry, working.block->area[AssignmentIndex(bank, entry)]);
  ApplyKeyEdit(working, {.bank = bank, .entry = entry, .assignment = assignment});
  return assignment;
}

// A key map changed: saved, then sent like the window's Apply (the macros
// too when they changed). A download cut short is finished when the
// keyboard is next attached.
int SendKeyMap(ConsoleKeyboard& keyboard, int bank, bool withMacros) {
  return keyboard.Apply({.keyMap = bank, .withMacros = withMacros},
                        "the keyboard did not take the change; the profile file holds it and it is sent again when "
                        "the keyboard is next attached");
}

}  // namespace

int KeySetCommand(const CommandLine& line, const ConsoleOutput& output) {
  const std::optional<int> entry = FindKeyEntry(line.key, line.layer - 1);
  if (!entry) return output.Fail(kExitUsage, UnknownName("key", line.key, KeyboardKeyNames()));
  int bank = -1, exitCode = kExitOk;
  const std::unique_ptr<ConsoleKeyboard> keyboard = StartKeyCommand(line, output, bank, exitCode);
  if (!keyboard) return exitCode;
  KeyboardSession& session = keyboard->Session();
  std::string error;
  const std::optional<AssignmentChoice> choice = session.Read(
      [&](const WorkingProfile& working) { return ParseAssignment(line.assignment, working.macros.records, error); });
  if (!choice) return output.Fail(kExitUsage, error);

  KeyAssignment assignment;
  session.Edit([&](WorkingProfile& working) {
    assignment = StoreChoice(working, bank, *entry, *choice);
    return true;
  });
  // A key given a macro takes the macros along, so that the keyboard surely
  // holds the macro it now plays; any other change sends the key table alone.
  if (const int sent = SendKeyMap(*keyboard, bank, choice->type == AssignmentType::Macro); sent != kExitOk)
    return sent;
  const std::string now = session.Read(
      [&](const WorkingProfile& working) { return DescribeAssignment(assignment, working.macros.records, {}); });
  output.Print({{"profile", bank + 1}, {"key", EntryName(*entry)}, {"assignment", now}},
               "Profile " + std::to_string(bank + 1) + ": " + EntryName(*entry) + " is now " + now + "\n");
  return kExitOk;
}

int KeyResetCommand(const CommandLine& line, const ConsoleOutput& output) {
  std::optional<int> entry;
  if (!line.key.empty()) {
    entry = FindKeyEntry(line.key, line.layer - 1);
    if (!entry) return output.Fail(kExitUsage, UnknownName("key", line.key, KeyboardKeyNames()));
  }
  int bank = -1, exitCode = kExitOk;
  const std::unique_ptr<ConsoleKeyboard> keyboard = StartKeyCommand(line, output, bank, exitCode);
  if (!keyboard) return exitCode;
  keyboard->Session().Edit([&](WorkingProfile& working) {
    if (entry)
      StoreChoice(working, bank, *entry, AssignmentChoice{});
    else
      for (int layer = 0; layer < kGKeyLayerCount; ++layer) ResetKeysToDefault(working, bank, layer);
    return true;
  });
  if (const int sent = SendKeyMap(*keyboard, bank, false); sent != kExitOk) return sent;
  const std::string what = entry ? EntryName(*entry) + " is" : "every key is";
  output.Print({{"profile", bank + 1}, {"key", entry ? Json(EntryName(*entry)) : Json()}, {"assignment", "default"}},
               "Profile " + std::to_string(bank + 1) + ": " + what + " back to its default\n");
  return kExitOk;
}

int MacroImportCommand(const CommandLine& line, const ConsoleOutput& output) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(PathOf(line.file), bytes)) return output.Fail(kExitFile, "cannot read " + line.file);
  auto macro = std::make_unique<MacroRecord>();
  std::string error;
  if (!MacroFromJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), *macro, error))
    return output.Fail(kExitFile, line.file + ": " + error);

  int exitCode = kExitOk;
  const std::unique_ptr<ConsoleKeyboard> keyboard =
      ConsoleKeyboard::Open(output, ArrivalRead::kOnlyWithoutFile, exitCode);
  if (!keyboard) return exitCode;
  KeyboardSession& session = keyboard->Session();
  if (!session.ProfileKnown())
    return output.Fail(kExitFile, "the profile file " + ToUtf8(output.environment.profilePath) + " does not load");

  // The new list is made aside; the profile changes only once it fits.
  std::vector<MacroRecord> macros = session.Read([](const WorkingProfile& working) { return working.macros.records; });
  const std::u16string name(MacroName(*macro));
  auto same = std::find_if(macros.begin(), macros.end(), [&](const MacroRecord& m) { return MacroName(m) == name; });
  const bool replaced = same != macros.end();
  if (replaced) {
    macro->id = same->id;  // the keys that play it keep playing it
    *same = *macro;
  } else {
    std::vector<std::uint16_t> ids;
    for (const MacroRecord& m : macros) ids.push_back(m.id);
    macro->id = macros.size() < static_cast<std::size_t>(kMaxMacros) ? SmallestFreeMacroId(ids) : 0;
    if (macro->id == 0)
      return output.Fail(kExitNoRoom, "the profile holds " + std::to_string(kMaxMacros) + " macros, the most it can");
    macros.push_back(*macro);
  }
  const std::uint32_t needed = ComputeMacroImageSizes(macros).baseSize;
  const std::uint32_t capacity = keyboard->Link().MacroCapacity();
  if (needed > capacity) {
    output.Say(Text(TextKey::EXTRA_MACRO_TOO_LONG));
    return output.Fail(kExitNoRoom, "the macros would take " + std::to_string(needed) + " bytes of the keyboard's " +
                                        std::to_string(capacity) + "; nothing was changed");
  }
  session.Edit([&macros](WorkingProfile& working) {
    working.macros.records = std::move(macros);
    return true;
  });
  // All three key maps go along: any of them may play the macro.
  if (const int sent = keyboard->Apply({.keyMap = kAllKeyMaps, .withMacros = true},
                                       "the keyboard did not take the macros; the profile file holds them and they "
                                       "are sent again when the keyboard is next attached");
      sent != kExitOk)
    return sent;
  const std::string macroName = ToUtf8(name);
  output.Print({{"macro", macroName}, {"actions", macro->actionCount}, {"replaced", replaced}},
               (replaced ? "Replaced the macro " : "Added the macro ") + macroName + " (" +
                   std::to_string(macro->actionCount) + " actions)\n");
  return kExitOk;
}

int LightingCommand(const CommandLine& line, const ConsoleOutput& output) {
  // Every value is checked before the keyboard is asked anything.
  std::optional<int> effect;
  if (line.effect) {
    effect = FindEffect(*line.effect);
    if (!effect) return output.Fail(kExitUsage, UnknownName("effect", *line.effect, EffectNames()));
  }
  std::optional<Rgb> colour;
  if (line.colour) {
    colour = ParseColour(*line.colour);
    if (!colour) return output.Fail(kExitUsage, "the colour '" + *line.colour + "' is not RRGGBB in hexadecimal");
  }
  std::vector<std::string> paintable = KeyboardKeyNames();
  paintable.resize(kKeyboardKeyCount);
  paintable.push_back("Fn");
  std::vector<std::pair<int, Rgb>> keyColours;
  for (const std::string& item : line.keyColours) {
    const std::size_t equals = item.find('=');
    const std::string name = item.substr(0, equals);
    const std::optional<Rgb> rgb = equals == std::string::npos ? std::nullopt : ParseColour(item.substr(equals + 1));
    if (!rgb) return output.Fail(kExitUsage, "--key takes NAME=RRGGBB, not '" + item + "'");
    const std::optional<int> button = FindName(name, paintable);
    if (!button) return output.Fail(kExitUsage, UnknownName("key", name, paintable));
    keyColours.emplace_back(*button, *rgb);
  }

  int exitCode = kExitOk;
  const std::unique_ptr<ConsoleKeyboard> keyboard = ConsoleKeyboard::Open(output, ArrivalRead::kNothing, exitCode);
  if (!keyboard) return exitCode;
  LightingState state;
  const bool withColours = !keyColours.empty();
  if (keyboard->Run([&](DeviceLink& link) { return ReadLighting(link, withColours, state); }) != DeviceResult::kOk)
    return keyboard->TransferFailed("the keyboard's lighting could not be read");

  // The writes the lighting panel makes for the same choices, in its order.
  LightingWrites writes;
  const auto add = [&](LightingWrites more) { writes.insert(writes.end(), more.begin(), more.end()); };
  if (effect) {
    if (!OffersEffect(state, *effect))
      return output.Fail(kExitUsage, "the keyboard does not offer effect " + std::to_string(*effect));
    add(SelectEffect(state, *effect));
  }
  if (line.brightness) add(SetBrightness(state, *line.brightness));
  if (line.speed) add(SetSpeed(state, *line.speed));
  if (colour) {
    if (!GroupOfEffect(state, state.effectMode))
      return output.Fail(kExitUsage, "effect " + std::to_string(state.effectMode) + " has no colour to set");
    add(SetGroupColour(state, state.effectMode, *colour));
  }
  if (!keyColours.empty()) {
    if (state.effectMode != kPerKeyEffect)
      return output.Fail(kExitUsage, "keys have colours of their own only under effect 5 (Custom): add --effect 5");
    state.tool = PaintTool::kSelection;
    for (const auto& [button, rgb] : keyColours) {
      // Each key keeps its own colour: the keys painted before are no
      // longer selected, so the next colour does not repaint them.
      state.selected.fill(false);
      add(SetSelectionColour(state, rgb));
      add(PaintKey(state, button));
    }
  }
  if (keyboard->Run([&writes](DeviceLink& link) { return WriteLighting(link, writes); }) != DeviceResult::kOk)
    return keyboard->TransferFailed("the keyboard did not take the lighting");
  output.Print(LightingJson(state), LightingText(state));
  return kExitOk;
}

namespace {

std::string NoMatchName(NoMatch noMatch) {
  switch (noMatch) {
    case NoMatch::kLeave: return "leave";
    case NoMatch::kChosen: return "profile";
    default: return "back";
  }
}

Json RulesJson(const GameRuleSettings& settings) {
  Json rules = Json::array();
  for (const GameRule& rule : settings.rules) rules.push_back({{"program", ToUtf8(rule.program)}, {"profile", rule.profile + 1}});
  return {{"enabled", settings.enabled},
          {"notices", settings.notices},
          {"noMatch", NoMatchName(settings.noMatch)},
          {"noMatchProfile", settings.noMatchProfile + 1},
          {"rules", rules}};
}

std::string RulesText(const GameRuleSettings& settings) {
  std::string text = std::string("Per-game profiles are ") + (settings.enabled ? "on" : "off") + ".\n";
  switch (settings.noMatch) {
    case NoMatch::kLeave: text += "When no rule matches, the profile stays as it is.\n"; break;
    case NoMatch::kChosen:
      text += "When no rule matches, profile " + std::to_string(settings.noMatchProfile + 1) + ".\n";
      break;
    default: text += "When no rule matches, back to the profile before the rule switched it.\n"; break;
  }
  if (settings.rules.empty()) return text + "no rules\n";
  for (const GameRule& rule : settings.rules)
    text += "profile " + std::to_string(rule.profile + 1) + "  " + ToUtf8(rule.program) + "\n";
  return text;
}

// The rules as stored; false, printed with the exit code in `exitCode`, on a
// system that keeps none.
bool ReadRules(const ConsoleOutput& output, GameRuleSettings& settings, int& exitCode) {
  if (!output.environment.gameRules) {
    exitCode = output.Fail(kExitFile, "the per-game rules are kept by the Windows program; there are none here");
    return false;
  }
  settings = LoadGameRules(*output.environment.gameRules);
  return true;
}

int WriteRules(const ConsoleOutput& output, const GameRuleSettings& settings) {
  if (!SaveGameRules(*output.environment.gameRules, settings))
    return output.Fail(kExitFile, "the per-game rules could not be stored");
  output.Print(RulesJson(settings), RulesText(settings));
  return kExitOk;
}

}  // namespace

int RulesListCommand(const CommandLine&, const ConsoleOutput& output) {
  GameRuleSettings settings;
  int exitCode = kExitOk;
  if (!ReadRules(output, settings, exitCode)) return exitCode;
  output.Print(RulesJson(settings), RulesText(settings));
  return kExitOk;
}

int RulesAddCommand(const CommandLine& line, const ConsoleOutput& output) {
  GameRuleSettings settings;
  int exitCode = kExitOk;
  if (!ReadRules(output, settings, exitCode)) return exitCode;
  if (!AddGameRule(settings, FromUtf8(line.program), line.profile - 1))
    return output.Fail(kExitUsage, "\"" + line.program + "\" is not a program's name, path or folder");
  return WriteRules(output, settings);
}

int RulesRemoveCommand(const CommandLine& line, const ConsoleOutput& output) {
  GameRuleSettings settings;
  int exitCode = kExitOk;
  if (!ReadRules(output, settings, exitCode)) return exitCode;
  if (!RemoveGameRule(settings, FromUtf8(line.program))) {
    std::vector<std::string> programs;
    for (const GameRule& rule : settings.rules) programs.push_back(ToUtf8(rule.program));
    return output.Fail(kExitUsage, UnknownName("rule", line.program, programs));
  }
  return WriteRules(output, settings);
}
