#include "console/macro_json.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

namespace {

// A code in the code space that names no key.
KeyCode UnnamedKey() {
  for (int slot = 1; slot < kKeySlotCount; ++slot)
    if (KeyTable[slot].name == nullptr && KeyTable[slot].mediaIndex < 0) return SlotToKeyCode(slot);
  return kNoKey;
}

TEST(MacroJson, AMacroGoesToJsonAndBack) {
  const KeyCode unnamed = UnnamedKey();
  ASSERT_NE(unnamed, kNoKey);
  char code[8];
  std::snprintf(code, sizeof code, "0x%03x", unsigned{unnamed});
  auto macro = std::make_unique<MacroRecord>();
  FillNewMacroRecord(*macro, u"Jump \u6ce2", 4);
  macro->cycles = 5;
  macro->actionCount = 3;
  macro->actions[0] = {50, 0x039, kMacroPress};
  macro->actions[1] = {40000, 0x039, kMacroRelease};
  macro->actions[2] = {0, unnamed, kMacroPress};  // a key without a name goes by its code
  const std::string text = MacroJson(*macro).dump();
  EXPECT_NE(text.find(R"({"key":"Space","direction":"press","delay":50})"), std::string::npos) << text;
  EXPECT_NE(text.find(std::string("\"key\":\"") + code + "\""), std::string::npos) << text;

  auto back = std::make_unique<MacroRecord>();
  std::string error;
  ASSERT_TRUE(MacroFromJson(text, *back, error)) << error;
  EXPECT_EQ(MacroName(*back), MacroName(*macro));
  EXPECT_EQ(back->cycles, 5);
  ASSERT_EQ(back->actionCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(back->actions[i], macro->actions[i]);
  EXPECT_EQ(back->id, 0);  // the import gives it one
}

TEST(MacroJson, BadMacrosAreRefusedWithTheReason) {
  const std::string longName(250, 'x');
  const struct {
    std::string text;
    const char* says;
  } cases[] = {
      {"[1, 2]", "not a JSON object"},
      {"{\"name\": \"a\", ", "not a JSON object"},
      {R"({"cycles": 1})", "needs a \"name\""},
      {R"({"name": ""})", "needs a \"name\""},
      {R"({"name": ")" + longName + R"("})", "longer than 249"},
      {R"({"name": "a", "cycles": 0})", "cycles must be from 1 to 255"},
      {R"({"name": "a", "cycles": 256})", "cycles must be from 1 to 255"},
      {R"({"name": "a", "actions": {}})", "must be a list"},
      {R"({"name": "a", "actions": [{"key": "Spcae"}]})", "action 1: unknown key 'Spcae' (did you mean Space?)"},
      {R"({"name": "a", "actions": [{"key": "A"}, {"key": "A", "direction": "up"}]})", "action 2: direction"},
      {R"({"name": "a", "actions": [{"key": "A", "delay": 40001}]})", "action 1: delay must be"},
      {R"({"name": "a", "actions": [{"key": "A", "delay": -1}]})", "action 1: delay must be"},
      {R"({"name": "a", "actions": [{"key": "A", "delay": 1.5}]})", "action 1: delay must be"},
  };
  for (const auto& c : cases) {
    auto macro = std::make_unique<MacroRecord>();
    std::string error;
    EXPECT_FALSE(MacroFromJson(c.text, *macro, error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text.substr(0, 60) << ": " << error;
  }
}

TEST(MacroJson, TwoThousandActionsAreAMacroAndOneMoreIsNot) {
  nlohmann::json actions = nlohmann::json::array();
  for (int i = 0; i < kMaxMacroActions; ++i) actions.push_back({{"key", "A"}, {"delay", 10}});
  auto macro = std::make_unique<MacroRecord>();
  std::string error;
  EXPECT_TRUE(MacroFromJson(nlohmann::json{{"name", "Big"}, {"actions", actions}}.dump(), *macro, error)) << error;
  EXPECT_EQ(macro->actionCount, kMaxMacroActions);
  actions.push_back({{"key", "A"}});
  EXPECT_FALSE(MacroFromJson(nlohmann::json{{"name", "Big"}, {"actions", actions}}.dump(), *macro, error));
  EXPECT_NE(error.find("2001 actions"), std::string::npos) << error;
}

}  // namespace
