// Per-game profiles: rules that name a program (its file name, a full path or
// a folder) and the keyboard profile it wants, what happens when no rule
// matches the program in front, and how they are stored with the program's
// other settings (never in the profile file).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One rule: `program` as the user gave it, `profile` the keyboard's profile
// index (0 to kKeyboardProfileCount - 1).
struct GameRule {
  std::u16string program;
  int profile = 0;
  bool operator==(const GameRule&) const = default;
};

// What happens when the program in front matches no rule after one did.
enum class NoMatch {
  kBackToBefore,  // the profile current before a rule switched it
  kLeave,         // the keyboard stays on the rule's profile
  kChosen,        // the profile `noMatchProfile`
};

struct GameRuleSettings {
  bool enabled = true;  // the whole feature
  bool notices = true;  // a short notice beside the tray icon when a rule switched
  NoMatch noMatch = NoMatch::kBackToBefore;
  int noMatchProfile = 0;
  std::vector<GameRule> rules;
  bool operator==(const GameRuleSettings&) const = default;
};

// How a rule's program is compared: separators as '\', runs of them as one
// (a network share's leading pair kept), no trailing separator, a "\\?\"
// prefix dropped, letters folded without regard to case.
std::u16string NormalisedProgram(std::u16string_view program);
// A rule's program is a path (a full path or a folder) when it holds a separator.
bool IsPathRule(std::u16string_view program);

// The rule for the program whose image is `imagePath` (a full path), or null.
// A full path of the program itself wins over a file name, which wins over a
// folder; of two folders the deeper one wins; of equals, the first.
const GameRule* MatchingRule(const std::vector<GameRule>& rules, std::u16string_view imagePath);

// Adds the rule, or gives the rule of the same program (compared as
// MatchingRule compares) the new profile. False when `program` is empty or
// `profile` is out of range.
bool AddGameRule(GameRuleSettings& settings, std::u16string_view program, int profile);
// Removes the rule of `program` (compared likewise); false when there is none.
bool RemoveGameRule(GameRuleSettings& settings, std::u16string_view program);

// Where the settings are kept: a section of string values (the registry's
// GAMES section beside PROFILES on Windows, a map in tests).
class SettingValues {
 public:
  virtual ~SettingValues() = default;
  virtual std::u16string Read(std::u16string_view name, std::u16string_view defaultValue) const = 0;
  virtual bool Write(std::u16string_view name, std::u16string_view value) = 0;
};

inline constexpr char16_t kGamesSection[] = u"GAMES";

// Reads the settings; a missing or damaged value gives its default, a damaged
// rule is skipped.
GameRuleSettings LoadGameRules(const SettingValues& values);
// Writes every value; false when one could not be written.
bool SaveGameRules(SettingValues& values, const GameRuleSettings& settings);

// Whether the window of class `windowClass` in the program `imagePath` is the
// system's own (the desktop, the taskbar, the Start menu, the notification
// area, the task switcher): such a window coming to the front never counts.
bool IsShellWindow(std::u16string_view windowClass, std::u16string_view imagePath);

// The file name part of a path ("game.exe" of "C:\Games\game.exe").
std::u16string_view ProgramFileName(std::u16string_view path);
