#include "profiles/game_rules.h"

#include <algorithm>
#include <array>

#include "app/decimal_text.h"
#include "keyboard/key_assignment.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// File names on Windows compare without regard to case; the scripts a game's
// folder is likely named in fold here as the system folds them.
char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 0x20;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 0x20;  // Latin-1, but for the multiplication sign
  if (c >= 0x100 && c <= 0x17F) {                   // Latin Extended-A: pairs
    if (c == 0x178) return 0xFF;
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == (oddPairs ? 1 : 0)) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

enum class MatchKind { kNone, kFolder, kFileName, kFullPath };

struct Match {
  MatchKind kind = MatchKind::kNone;
  std::size_t length = 0;  // a folder's: deeper wins
};

Match MatchOf(std::u16string_view rule, std::u16string_view image, std::u16string_view imageName) {
  const std::u16string wanted = NormalisedProgram(rule);
  if (wanted.empty()) return {};
  if (!IsPathRule(rule)) return wanted == imageName ? Match{MatchKind::kFileName, 0} : Match{};
  if (wanted == image) return {MatchKind::kFullPath, wanted.size()};
  // A folder holds the image when the image continues it with a separator
  // ("C:\Games" holds "C:\Games\x.exe", not "C:\GamesOld\x.exe").
  if (image.size() > wanted.size() && image.starts_with(wanted) &&
      (image[wanted.size()] == u'\\' || wanted.back() == u'\\'))
    return {MatchKind::kFolder, wanted.size()};
  return {};
}

bool Better(const Match& a, const Match& b) {
  if (a.kind != b.kind) return a.kind > b.kind;
  return a.length > b.length;
}

std::u16string RuleValueName(int number) {
  std::u16string name = u"RULE";
  if (number < 10) name += u'0';
  return name + DecimalText(number);
}

constexpr char16_t kEnabledValue[] = u"Enabled";
constexpr char16_t kNoticesValue[] = u"Notices";
constexpr char16_t kNoMatchValue[] = u"NoMatch";  // 0 back to before, 1 leave, 2 a chosen profile
constexpr char16_t kNoMatchProfileValue[] = u"NoMatchProfile";  // 1 to 3
// A rule's value: its profile (1 to 3), '|', its program. '|' is never part
// of a Windows path.
constexpr char16_t kRuleSeparator = u'|';

bool ValidProfile(int profile) { return profile >= 0 && profile < kKeyboardProfileCount; }

}  // namespace

std::u16string NormalisedProgram(std::u16string_view program) {
  // Blanks around it are the user's typing, not the name's.
  while (!program.empty() && program.front() == u' ') program.remove_prefix(1);
  while (!program.empty() && program.back() == u' ') program.remove_suffix(1);
  if (program.starts_with(u"\\\\?\\") || program.starts_with(u"//?/")) program.remove_prefix(4);
  std::u16string result;
  result.reserve(program.size());
  for (std::size_t i = 0; i < program.size(); ++i) {
    const char16_t c = program[i];
    if (IsSeparator(c)) {
      // A share's "\\server" keeps its pair; elsewhere a run is one separator.
      if (!result.empty() && result.back() == u'\\' && i != 1) continue;
      result += u'\\';
    } else {
      result += FoldCase(c);
    }
  }
  // A trailing separator says "folder", which every path rule may be; a
  // drive's root keeps its own ("c:\").
  while (result.size() > 1 && result.back() == u'\\' && !(result.size() == 3 && result[1] == u':'))
    result.pop_back();
  return result;
}

bool IsPathRule(std::u16string_view program) {
  return std::any_of(program.begin(), program.end(), IsSeparator) ||
         (program.size() >= 2 && program[1] == u':');
}

std::u16string_view ProgramFileName(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

const GameRule* MatchingRule(const std::vector<GameRule>& rules, std::u16string_view imagePath) {
  const std::u16string image = NormalisedProgram(imagePath);
  if (image.empty()) return nullptr;
  const std::u16string_view imageName = ProgramFileName(image);
  const GameRule* best = nullptr;
  Match bestMatch;
  for (const GameRule& rule : rules) {
    const Match match = MatchOf(rule.program, image, imageName);
    if (match.kind != MatchKind::kNone && (!best || Better(match, bestMatch))) {
      best = &rule;
      bestMatch = match;
    }
  }
  return best;
}

bool AddGameRule(GameRuleSettings& settings, std::u16string_view program, int profile) {
  const std::u16string wanted = NormalisedProgram(program);
  if (wanted.empty() || !ValidProfile(profile) || program.find(kRuleSeparator) != program.npos) return false;
  for (GameRule& rule : settings.rules)
    if (NormalisedProgram(rule.program) == wanted && IsPathRule(rule.program) == IsPathRule(program)) {
      rule.profile = profile;
      return true;
    }
  std::u16string_view trimmed = program;
  while (!trimmed.empty() && trimmed.front() == u' ') trimmed.remove_prefix(1);
  while (!trimmed.empty() && trimmed.back() == u' ') trimmed.remove_suffix(1);
  settings.rules.push_back({std::u16string(trimmed), profile});
  return true;
}

bool RemoveGameRule(GameRuleSettings& settings, std::u16string_view program) {
  const std::u16string wanted = NormalisedProgram(program);
  const auto same = [&](const GameRule& rule) {
    return NormalisedProgram(rule.program) == wanted && IsPathRule(rule.program) == IsPathRule(program);
  };
  const auto found = std::find_if(settings.rules.begin(), settings.rules.end(), same);
  if (wanted.empty() || found == settings.rules.end()) return false;
  settings.rules.erase(found);
  return true;
}

GameRuleSettings LoadGameRules(const SettingValues& values) {
  GameRuleSettings settings;
  settings.enabled = values.Read(kEnabledValue, u"1") != u"0";
  settings.notices = values.Read(kNoticesValue, u"1") != u"0";
  const int noMatch = ParseDecimalSetting(values.Read(kNoMatchValue, u"0"));
  settings.noMatch = noMatch == 1 ? NoMatch::kLeave : noMatch == 2 ? NoMatch::kChosen : NoMatch::kBackToBefore;
  const int chosen = ParseDecimalSetting(values.Read(kNoMatchProfileValue, u"1")) - 1;
  settings.noMatchProfile = ValidProfile(chosen) ? chosen : 0;
  const int count = ParseDecimalSetting(values.Read(RuleValueName(0), u"0"));
  for (int number = 1; number <= count; ++number) {
    const std::u16string value = values.Read(RuleValueName(number), u"");
    const std::size_t bar = value.find(kRuleSeparator);
    if (bar == value.npos) continue;
    const int profile = ParseDecimalSetting(std::u16string_view(value).substr(0, bar)) - 1;
    AddGameRule(settings, std::u16string_view(value).substr(bar + 1), profile);  // a damaged one is refused
  }
  return settings;
}

bool SaveGameRules(SettingValues& values, const GameRuleSettings& settings) {
  bool written = values.Write(kEnabledValue, settings.enabled ? u"1" : u"0");
  written &= values.Write(kNoticesValue, settings.notices ? u"1" : u"0");
  written &= values.Write(kNoMatchValue, DecimalText(static_cast<int>(settings.noMatch)));
  written &= values.Write(kNoMatchProfileValue, DecimalText(settings.noMatchProfile + 1));
  // The rules first, their count last: a write cut short leaves the old count,
  // which names rules that are all whole.
  int number = 0;
  for (const GameRule& rule : settings.rules)
    written &= values.Write(RuleValueName(++number), DecimalText(rule.profile + 1) + kRuleSeparator + rule.program);
  written &= values.Write(RuleValueName(0), DecimalText(number));
  return written;
}

bool IsShellWindow(std::u16string_view windowClass, std::u16string_view imagePath) {
  // The desktop, the taskbars, the notification area's overflow, the task
  // switcher and the shell's own hosts.
  static constexpr std::array<std::u16string_view, 11> kShellClasses = {
      u"Progman",          u"WorkerW",           u"Shell_TrayWnd",
      u"Shell_SecondaryTrayWnd", u"NotifyIconOverflowWindow", u"TopLevelWindowForOverflowXamlIsland",
      u"MultitaskingViewFrame", u"TaskSwitcherWnd", u"XamlExplorerHostIslandWindow",
      u"ForegroundStaging", u"#32768"};  // the last: a menu
  for (std::u16string_view shellClass : kShellClasses)
    if (windowClass == shellClass) return true;
  static constexpr std::array<std::u16string_view, 5> kShellPrograms = {
      u"startmenuexperiencehost.exe", u"shellexperiencehost.exe", u"searchhost.exe", u"searchapp.exe",
      u"searchui.exe"};
  const std::u16string image = NormalisedProgram(imagePath);
  const std::u16string_view name = ProgramFileName(image);
  return std::find(kShellPrograms.begin(), kShellPrograms.end(), name) != kShellPrograms.end();
}
