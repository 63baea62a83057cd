#include "console/profile_report.h"

#include <nlohmann/json.hpp>

#include "app/utf8_text.h"
#include "console/console_names.h"
#include "console/macro_json.h"

using Json = nlohmann::ordered_json;

namespace {

// The changed keys of one profile, in entry order: keys, then the G keys of
// both layers.
std::vector<std::pair<std::string, std::string>> ChangedKeys(const ProfileContents& contents, int profile) {
  std::vector<std::pair<std::string, std::string>> keys;
  const ConstProfileEntries entries = EntriesOfProfile(contents.block->area, profile);
  for (int entry = 0; entry < kGKeyEntryEnd; ++entry) {
    const KeyAssignment& assignment = entries[entry];
    if (assignment.type == AssignmentType::Default) continue;
    const int index = AssignmentIndex(profile, entry);
    keys.emplace_back(EntryName(entry),
                      DescribeAssignment(assignment, contents.macros.records, contents.text.slots[index].text));
  }
  return keys;
}

}  // namespace

Json ProfileJson(const ProfileContents& contents) {
  Json profiles = Json::array();
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile) {
    Json keys = Json::object();
    for (auto& [name, assignment] : ChangedKeys(contents, profile)) keys[name] = assignment;
    profiles.push_back({{"profile", profile + 1}, {"keys", std::move(keys)}});
  }
  Json macros = Json::array();
  for (const MacroRecord& macro : contents.macros.records) macros.push_back(MacroJson(macro));
  return {{"profiles", std::move(profiles)}, {"macros", std::move(macros)}};
}

std::string ProfileText(const ProfileContents& contents) {
  std::string text;
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile) {
    const auto keys = ChangedKeys(contents, profile);
    text += "Profile " + std::to_string(profile + 1) + ":" + (keys.empty() ? " every key as it is\n" : "\n");
    for (const auto& [name, assignment] : keys) {
      std::string line = "  " + name;
      line.resize(std::max<std::size_t>(line.size() + 1, 18), ' ');
      text += line + assignment + "\n";
    }
  }
  text += "Macros: " + (contents.macros.records.empty() ? std::string("none\n") : std::string("\n"));
  for (const MacroRecord& macro : contents.macros.records) text += "  " + MacroSummary(macro) + "\n";
  return text;
}

std::string MacroSummary(const MacroRecord& macro) {
  return ToUtf8(MacroName(macro)) + " (" + std::to_string(MacroActions(macro).size()) + " actions, " +
         std::to_string(macro.cycles) + (macro.cycles == 1 ? " cycle)" : " cycles)");
}
