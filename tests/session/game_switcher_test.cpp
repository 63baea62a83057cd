#include "session/game_switcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One thing that happens, at a time in milliseconds, and the switch the
// switcher then asks for (-1: none). A switch it asks for is made: the
// keyboard's profile changes as the session would report.
struct Step {
  enum Op { kFront, kUnknown, kWait, kHold, kRelease, kArrive, kLeave, kUserSwitch } op;
  SwitchClock at;
  std::u16string program = {};
  int value = 0;  // kHold/kRelease: a SwitchHold; kArrive/kUserSwitch: the profile
  int expect = -1;
};

struct Script {
  const char* name;
  GameRuleSettings settings;
  std::vector<Step> steps;
};

GameRuleSettings Rules(NoMatch noMatch = NoMatch::kBackToBefore, int chosen = 0) {
  GameRuleSettings settings;
  settings.noMatch = noMatch;
  settings.noMatchProfile = chosen;
  settings.rules = {{u"alpha.exe", 1}, {u"C:\\Games\\", 2}};
  return settings;
}

constexpr char16_t kAlpha[] = u"C:\\Tools\\alpha.exe";
constexpr char16_t kBeta[] = u"C:\\Games\\beta\\beta.exe";
constexpr char16_t kEditor[] = u"C:\\Windows\\notepad.exe";
constexpr int kEditorHold = static_cast<int>(SwitchHold::kEditor);
constexpr int kKeyHold = static_cast<int>(SwitchHold::kKeyHeld);
constexpr int kTransferHold = static_cast<int>(SwitchHold::kTransfer);

void Play(const Script& script) {
  GameSwitcher switcher(script.settings);
  int profile = -1;
  for (std::size_t i = 0; i < script.steps.size(); ++i) {
    const Step& step = script.steps[i];
    switch (step.op) {
      case Step::kFront: switcher.ForegroundChanged(step.program, step.at); break;
      case Step::kUnknown: switcher.ForegroundUnknown(step.at); break;
      case Step::kWait: break;
      case Step::kHold: switcher.Hold(static_cast<SwitchHold>(step.value), true); break;
      case Step::kRelease: switcher.Hold(static_cast<SwitchHold>(step.value), false); break;
      case Step::kArrive:
        profile = step.value;
        switcher.KeyboardArrived(profile);
        break;
      case Step::kLeave:
        profile = -1;
        switcher.KeyboardLeft();
        break;
      case Step::kUserSwitch:
        profile = step.value;
        switcher.ProfileChanged(profile);
        break;
    }
    const std::optional<ProfileSwitchDue> due = switcher.TakeSwitch(step.at);
    EXPECT_EQ(due ? due->profile : -1, step.expect) << script.name << ", step " << i;
    if (due) {
      profile = due->profile;
      switcher.ProfileChanged(profile);
    }
  }
}

TEST(GameSwitcher, SwitchesByTheProgramInFrontOnceItSettled) {
  const Script scripts[] = {
      {"a rule's program, then one without a rule: back to the profile before",
       Rules(),
       {{Step::kArrive, 0, {}, 0},
        {Step::kFront, 100, kAlpha},
        {Step::kWait, 399},
        {Step::kWait, 400, {}, 0, 1},
        {Step::kFront, 1000, kEditor},
        {Step::kWait, 1300, {}, 0, 0}}},
      {"from one game to another and out: back to the profile before the first",
       Rules(),
       {{Step::kArrive, 0, {}, 0},
        {Step::kFront, 0, kAlpha},
        {Step::kWait, 300, {}, 0, 1},
        {Step::kFront, 500, kBeta},
        {Step::kWait, 800, {}, 0, 2},
        {Step::kFront, 900, kEditor},
        {Step::kWait, 1200, {}, 0, 0}}},
      {"a quick alt-tab through a game never switches",
       Rules(),
       {{Step::kArrive, 0, {}, 0},
        {Step::kFront, 0, kEditor},
        {Step::kFront, 100, kAlpha},
        {Step::kFront, 250, kEditor},
        {Step::kWait, 350},
        {Step::kWait, 1000}}},
      {"leave: the keyboard stays on the game's profile",
       Rules(NoMatch::kLeave),
       {{Step::kArrive, 0, {}, 0},
        {Step::kFront, 0, kBeta},
        {Step::kWait, 300, {}, 0, 2},
        {Step::kFront, 400, kEditor},
        {Step::kWait, 800}}},
      {"a chosen profile once a game left the front, not before",
       Rules(NoMatch::kChosen, 2),
       {{Step::kArrive, 0, {}, 0},
        {Step::kFront, 0, kEditor},
        {Step::kWait, 300},
        {Step::kFront, 400, kAlpha},
        {Step::kWait, 700, {}, 0, 1},
        {Step::kFront, 800, kEditor},
        {Step::kWait, 1100, {}, 0, 2}}},
      {"the keyboard on the game's profile already: nothing to send",
       Rules(),
       {{Step::kArrive, 0, {}, 1}, {Step::kFront, 0, kAlpha}, {Step::kWait, 300}, {Step::kFront, 400, kEditor},
        {Step::kWait, 700}}},
      {"a window that cannot be examined changes nothing",
       Rules(),
       {{Step::kArrive, 0, {}, 0},
        {Step::kFront, 0, kAlpha},
        {Step::kWait, 300, {}, 0, 1},
        {Step::kUnknown, 400},
        {Step::kWait, 1000},
        {Step::kFront, 1100, kAlpha},
        {Step::kWait, 1400}}},
      {"the profile the user chose in the game is not the one to go back to",
       Rules(),
       {{Step::kArrive, 0, {}, 2},
        {Step::kFront, 0, kAlpha},
        {Step::kWait, 300, {}, 0, 1},
        {Step::kUserSwitch, 350, {}, 0},
        {Step::kFront, 400, kEditor},
        {Step::kWait, 700, {}, 0, 2}}},
  };
  for (const Script& script : scripts) Play(script);
}

TEST(GameSwitcher, AWantedSwitchWaitsForWhatHoldsItAndTheNewestWins) {
  const Script scripts[] = {
      {"an open editor defers the switch until it closes",
       Rules(),
       {{Step::kArrive, 0, {}, 0},
        {Step::kHold, 0, {}, kEditorHold},
        {Step::kFront, 0, kAlpha},
        {Step::kWait, 300},
        {Step::kWait, 5000},
        {Step::kRelease, 5001, {}, kEditorHold, 1}}},
      {"the newest wanted switch runs once the holds end",
       Rules(),
       {{Step::kArrive, 0, {}, 0},
        {Step::kHold, 0, {}, kKeyHold},
        {Step::kFront, 0, kAlpha},
        {Step::kWait, 300},
        {Step::kHold, 310, {}, kTransferHold},
        {Step::kFront, 400, kBeta},
        {Step::kWait, 700},
        {Step::kRelease, 800, {}, kKeyHold},
        {Step::kRelease, 900, {}, kTransferHold, 2}}},
      {"a game that left while held leaves nothing to do",
       Rules(),
       {{Step::kArrive, 0, {}, 0},
        {Step::kHold, 0, {}, kKeyHold},
        {Step::kFront, 0, kAlpha},
        {Step::kWait, 300},
        {Step::kFront, 400, kEditor},
        {Step::kWait, 700},
        {Step::kRelease, 800, {}, kKeyHold}}},
      {"an absent keyboard gets the switch at its arrival while the game is in front",
       Rules(),
       {{Step::kFront, 0, kAlpha},
        {Step::kWait, 300},
        {Step::kArrive, 2000, {}, 0, 1},
        {Step::kLeave, 3000},
        {Step::kArrive, 4000, {}, 0, 1},  // it came back on another profile
        {Step::kFront, 5000, kEditor},
        {Step::kWait, 5300, {}, 0, 0}}},
      {"a game gone before the keyboard came: nothing at its arrival",
       Rules(NoMatch::kLeave),
       {{Step::kFront, 0, kAlpha}, {Step::kWait, 300}, {Step::kFront, 400, kEditor}, {Step::kWait, 700},
        {Step::kArrive, 2000, {}, 0}}},
  };
  for (const Script& script : scripts) Play(script);
}

TEST(GameSwitcher, TurnedOffItAsksForNothingAndNewRulesAreWeighedAtOnce) {
  GameRuleSettings off = Rules();
  off.enabled = false;
  GameSwitcher switcher(off);
  switcher.KeyboardArrived(0);
  switcher.ForegroundChanged(kAlpha, 0);
  EXPECT_FALSE(switcher.TakeSwitch(1000));

  switcher.SetSettings(Rules());
  const std::optional<ProfileSwitchDue> due = switcher.TakeSwitch(1001);
  ASSERT_TRUE(due);
  EXPECT_EQ(due->profile, 1);
  EXPECT_EQ(due->reason, SwitchReason::kRule);
  EXPECT_EQ(due->program, kAlpha);

  // Refused by the session: it stays wanted, unless a newer wish came.
  switcher.SwitchRefused(*due);
  EXPECT_TRUE(switcher.SwitchWaiting());
  ASSERT_TRUE(switcher.TakeSwitch(1002));
  switcher.ProfileChanged(1);

  // The rule removed while its game is in front: back to the profile before.
  GameRuleSettings fewer = Rules();
  fewer.rules.erase(fewer.rules.begin());
  switcher.SetSettings(fewer);
  const std::optional<ProfileSwitchDue> back = switcher.TakeSwitch(1003);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->profile, 0);
  EXPECT_EQ(back->reason, SwitchReason::kBackToBefore);
}

TEST(GameSwitcher, TheNextCheckIsWhenTheProgramInFrontSettles) {
  GameSwitcher switcher(Rules());
  EXPECT_FALSE(switcher.NextCheck());
  switcher.ForegroundChanged(kAlpha, 1000);
  EXPECT_EQ(switcher.NextCheck(), 1000 + kSettleMs);
  switcher.ForegroundChanged(kEditor, 1100);
  EXPECT_EQ(switcher.NextCheck(), 1100 + kSettleMs);
  switcher.TakeSwitch(1100 + kSettleMs);
  EXPECT_FALSE(switcher.NextCheck());
  EXPECT_EQ(switcher.SettledProgram(), kEditor);
}

}  // namespace
