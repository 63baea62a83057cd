#include "session/game_switcher.h"

void GameSwitcher::SetSettings(GameRuleSettings settings) {
  settings_ = std::move(settings);
  Weigh();
}

void GameSwitcher::ForegroundChanged(std::u16string_view imagePath, SwitchClock now) {
  candidate_ = std::u16string(imagePath);
  candidateSince_ = now;
}

void GameSwitcher::ForegroundUnknown(SwitchClock now) {
  candidate_ = std::u16string();
  candidateSince_ = now;
}

void GameSwitcher::Hold(SwitchHold hold, bool on) {
  const unsigned bit = static_cast<unsigned>(hold);
  holds_ = on ? holds_ | bit : holds_ & ~bit;
}

void GameSwitcher::KeyboardArrived(int profile) {
  present_ = true;
  current_ = profile;
  // A switch that waited for the keyboard is wanted still only if its
  // program is still in front: weighed afresh against what the keyboard holds.
  Weigh();
}

void GameSwitcher::KeyboardLeft() {
  present_ = false;
  current_ = -1;
}

void GameSwitcher::ProfileChanged(int profile) { current_ = profile; }

void GameSwitcher::Settle(SwitchClock now) {
  if (!candidate_ || now - candidateSince_ < kSettleMs) return;
  const std::u16string program = std::move(*candidate_);
  candidate_.reset();
  // A window whose program is unknown changes nothing: it may well be the
  // game itself, run with more rights.
  if (program.empty()) return;
  settled_ = program;
  Weigh();
}

void GameSwitcher::Weigh() {
  if (!settings_.enabled) {
    wanted_.reset();
    ruleActive_ = false;
    return;
  }
  if (settled_.empty()) return;
  if (const GameRule* rule = MatchingRule(settings_.rules, settled_)) {
    if (!ruleActive_) before_ = current_;  // unknown while the keyboard is away: taken when the switch runs
    ruleActive_ = true;
    wanted_ = ProfileSwitchDue{rule->profile, SwitchReason::kRule, settled_};
    return;
  }
  // Another program that matches no rule leaves a switch that waits as it is.
  if (!ruleActive_) return;
  ruleActive_ = false;
  wanted_.reset();
  if (settings_.noMatch == NoMatch::kBackToBefore && before_ >= 0)
    wanted_ = ProfileSwitchDue{before_, SwitchReason::kBackToBefore, settled_};
  else if (settings_.noMatch == NoMatch::kChosen)
    wanted_ = ProfileSwitchDue{settings_.noMatchProfile, SwitchReason::kChosen, settled_};
}

std::optional<ProfileSwitchDue> GameSwitcher::TakeSwitch(SwitchClock now) {
  Settle(now);
  if (!wanted_ || !present_ || holds_ != 0) return std::nullopt;
  if (wanted_->reason == SwitchReason::kRule && before_ < 0) before_ = current_;
  std::optional<ProfileSwitchDue> due = std::move(wanted_);
  wanted_.reset();
  if (due->profile == current_) return std::nullopt;  // the keyboard is there already
  return due;
}

void GameSwitcher::SwitchRefused(const ProfileSwitchDue& refused) {
  if (!wanted_) wanted_ = refused;  // a newer wish wins
}

std::optional<SwitchClock> GameSwitcher::NextCheck() const {
  if (!candidate_) return std::nullopt;
  return candidateSince_ + kSettleMs;
}
