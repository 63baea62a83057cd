#include "console/console_names.h"

#include <gtest/gtest.h>

#include "app/utf8_text.h"
#include "keyboard/key_codes.h"
#include "profiles/key_grid_view.h"

namespace {

TEST(Utf8Text, RoundTripsAndReplacesWhatIsNotText) {
  const std::u16string text = u"G\u00e9ant \u6ce2\U0001F3AE";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b");  // a lone surrogate
  EXPECT_EQ(FromUtf8("a\xC0\xAF" "b"), u"a\uFFFD\uFFFD" u"b");  // an overlong slash
  EXPECT_EQ(FromUtf8("\xE6\xB3"), u"\uFFFD\uFFFD");            // cut short
}

TEST(ConsoleNames, KeysAreFoundByTheirNamesInAnyCaseAndSpacing) {
  EXPECT_EQ(FindKeyEntry("A", 0), KeyCodeToSlot(0x01E));
  EXPECT_EQ(FindKeyEntry("num 7", 0), KeyCodeToSlot(0x047));
  EXPECT_EQ(FindKeyEntry("NUM_7", 0), KeyCodeToSlot(0x047));
  EXPECT_EQ(FindKeyEntry("g3", 0), kFirstGKeyEntry + 2);
  EXPECT_EQ(FindKeyEntry("G3", 1), kFirstGKeyEntry + kGKeysPerLayer + 2);
  EXPECT_EQ(FindKeyEntry("F13", 0), std::nullopt);  // not a key of this keyboard
  EXPECT_EQ(EntryName(kFirstGKeyEntry + kGKeysPerLayer + 2), "G3 (layer 2)");
  EXPECT_EQ(EntryName(KeyCodeToSlot(0x047)), "Num 7");
}

TEST(ConsoleNames, AnUnknownNameOffersTheNearestOnes) {
  EXPECT_EQ(UnknownName("key", "Spcae", KeyboardKeyNames()), "unknown key 'Spcae' (did you mean Space?)");
  EXPECT_EQ(NearestNames("volume", MediaNames()), (std::vector<std::string>{"Volume Down", "Volume Up"}));
  EXPECT_EQ(UnknownName("key", "Qwertyuiop", KeyboardKeyNames()), "unknown key 'Qwertyuiop'");
}

std::vector<MacroRecord> OneMacro() {
  std::vector<MacroRecord> macros(1);
  FillNewMacroRecord(macros[0], u"Reload", 7);
  macros[0].cycles = 3;
  return macros;
}

TEST(ConsoleNames, AssignmentsParseAndPrintTheSameWay) {
  const std::vector<MacroRecord> macros = OneMacro();
  const struct {
    const char* text;
    AssignmentType type;
    std::uint32_t param;
  } cases[] = {
      {"key:B", AssignmentType::Key, 0x030},
      {"key:num 7", AssignmentType::Key, 0x047},
      {"media:Volume Up", AssignmentType::Media, 6},
      {"function:Copy", AssignmentType::Function, kFunctionCopy},
      {"macro:Reload", AssignmentType::Macro, 7},
      {"default", AssignmentType::Default, 0},
      {"disabled", AssignmentType::Disabled, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const std::optional<AssignmentChoice> choice = ParseAssignment(c.text, macros, error);
    ASSERT_TRUE(choice) << error;
    EXPECT_EQ(choice->type, c.type);
    EXPECT_EQ(choice->param, c.param);
    const KeyAssignment entry = AssignmentOfChoice(*choice, KeyCodeToSlot(0x01E), KeyAssignment{});
    const std::string printed = DescribeAssignment(entry, macros, {});
    std::string again;
    EXPECT_EQ(ParseAssignment(printed, macros, again)->param, c.param) << printed;
  }
}

TEST(ConsoleNames, BadAssignmentsSayWhy) {
  const std::vector<MacroRecord> macros = OneMacro();
  const struct {
    const char* text;
    const char* says;
  } cases[] = {
      {"key:Spcae", "unknown key 'Spcae' (did you mean Space?)"},
      {"media:Volume", "unknown media key 'Volume' (did you mean Volume Down or Volume Up?)"},
      {"function:Coyp", "unknown function 'Coyp' (did you mean Copy?)"},
      {"macro:Relaod", "unknown macro 'Relaod' (did you mean Reload?)"},
      {"launch:calc.exe", "unknown assignment 'launch:calc.exe'"},
      {"default:A", "unknown assignment 'default:A'"},
      {"key:Fn", "unknown key 'Fn'"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseAssignment(c.text, macros, error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text << ": " << error;
  }
}

TEST(ConsoleNames, TheEntryKeepsWhatTheKeyEditorKeeps) {
  const int g3 = kFirstGKeyEntry + 2;
  const KeyAssignment old{AssignmentType::Default, GKeyIdOfEntry(g3), 0, 1, 0};
  // A G key keeps its id and its colour mark; a macro's play count takes the id's place.
  const KeyAssignment key = AssignmentOfChoice({AssignmentType::Key, 0x030, 1}, g3, old);
  EXPECT_EQ(key, (KeyAssignment{AssignmentType::Key, GKeyIdOfEntry(g3), 0x030, 1, 0}));
  const KeyAssignment macro = AssignmentOfChoice({AssignmentType::Macro, 7, 3}, g3, old);
  EXPECT_EQ(macro, (KeyAssignment{AssignmentType::Macro, 3, 7, 1, 0}));
  const KeyAssignment disabled = AssignmentOfChoice({AssignmentType::Disabled, 0, 1}, g3, macro);
  EXPECT_EQ(disabled, (KeyAssignment{AssignmentType::Disabled, GKeyIdOfEntry(g3), 0, 1, 0}));
  // A key sending itself does what it does anyway.
  const int a = KeyCodeToSlot(0x01E);
  EXPECT_EQ(AssignmentOfChoice({AssignmentType::Key, 0x01E, 1}, a, KeyAssignment{}).type, AssignmentType::Default);
}

TEST(ConsoleNames, EffectsByNumberOrName) {
  EXPECT_EQ(FindEffect("3"), 3);
  EXPECT_EQ(FindEffect("breathing"), 11);
  EXPECT_EQ(FindEffect("15"), std::nullopt);
  EXPECT_EQ(FindEffect("0"), std::nullopt);
  EXPECT_EQ(FindEffect(""), std::nullopt);
}

}  // namespace
