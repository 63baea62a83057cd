// The decisions of per-game profiles, as a plain state machine: it hears
// what happens (the program in front changed, a hold began or ended, the
// keyboard arrived or left, its profile changed) with the time passed in, and
// says when to switch the keyboard's profile and to which. It never waits and
// never reads a clock: its owner (the resident window) feeds it events, asks
// TakeSwitch after each, and arms a one-shot timer for NextCheck.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "profiles/game_rules.h"

// What keeps a wanted switch waiting: it runs once none is left.
enum class SwitchHold : unsigned {
  kEditor = 1,    // a key editor is open
  kDialog = 2,    // a dialog over the window (the profile manager, Import's file dialog, ...)
  kTransfer = 4,  // a transfer runs (a read-back, an Apply, an Import)
  kKeyHeld = 8,   // a key is held down: a switch under it could leave it stuck
  kPending = 16,  // changes not applied: they belong to the profile on screen
};

// Why the switch is wanted, for the user to be told.
enum class SwitchReason {
  kRule,          // `program` matched a rule
  kBackToBefore,  // no rule matches `program`: back to the profile before
  kChosen,        // no rule matches `program`: the chosen profile
};

struct ProfileSwitchDue {
  int profile = 0;  // the keyboard's profile index
  SwitchReason reason = SwitchReason::kRule;
  std::u16string program;  // the program in front (its image path)
};

// Milliseconds of a steady clock, as the owner reads it.
using SwitchClock = std::int64_t;
// How long a program must stay in front before it counts: alt-tabbing
// through windows never switches the keyboard back and forth.
inline constexpr SwitchClock kSettleMs = 300;

class GameSwitcher {
 public:
  explicit GameSwitcher(GameRuleSettings settings = {}) : settings_(std::move(settings)) {}

  // New settings (the rules window's OK): the program in front is weighed again.
  void SetSettings(GameRuleSettings settings);
  const GameRuleSettings& Settings() const { return settings_; }

  // ---- Events ----
  // A program came to the front (its image path). Windows that never count
  // (the shell's, the program's own) are not told of at all.
  void ForegroundChanged(std::u16string_view imagePath, SwitchClock now);
  // A window came to the front whose process could not be examined (it runs
  // with more rights than this program): nothing is known, nothing changes.
  void ForegroundUnknown(SwitchClock now);
  void Hold(SwitchHold hold, bool on);
  // The keyboard arrived with `profile` current, or left.
  void KeyboardArrived(int profile);
  void KeyboardLeft();
  // The keyboard's current profile changed (by this or by the user).
  void ProfileChanged(int profile);

  // ---- Questions ----
  // The switch to make now, if one is wanted and nothing holds it; it is then
  // counted as made (the owner calls SwitchRefused when the session did not
  // take it). Settles the program in front first when its time has come.
  std::optional<ProfileSwitchDue> TakeSwitch(SwitchClock now);
  // The session did not take the switch: it stays wanted.
  void SwitchRefused(const ProfileSwitchDue& refused);
  // When TakeSwitch should be asked again though no event comes: the program
  // in front settles then. Null when nothing waits for the time.
  std::optional<SwitchClock> NextCheck() const;

  // What the owner shows: a wanted switch that waits, and for what.
  bool SwitchWaiting() const { return wanted_.has_value(); }
  unsigned Holds() const { return holds_; }
  // The program in front as last settled (empty: none yet, or unknown).
  const std::u16string& SettledProgram() const { return settled_; }

 private:
  void Settle(SwitchClock now);
  // What the settled program wants of the keyboard now.
  void Weigh();

  GameRuleSettings settings_;
  std::optional<std::u16string> candidate_;  // in front, not yet settled (empty text: unknown)
  SwitchClock candidateSince_ = 0;
  std::u16string settled_;
  bool ruleActive_ = false;  // a rule's program is in front (and its switch wanted or made)
  int before_ = -1;          // the profile current before a rule switched it
  std::optional<ProfileSwitchDue> wanted_;
  unsigned holds_ = 0;
  bool present_ = false;
  int current_ = -1;  // the keyboard's current profile (-1 unknown)
};
