// Setting up and reading the working profile of a keyboard session in tests.
#pragma once

#include "session/keyboard_session.h"

// Changes the working profile as a test sets it up: as if the profile file
// had held it, so nothing is marked pending and no one is told.
template <class SetUp>
void SetUpProfile(KeyboardSession& session, SetUp setUp) {
  session.Edit([&](WorkingProfile& profile) {
    setUp(profile);
    return false;
  });
}

// The entry `index` of the working profile's assignment area.
inline KeyAssignment EntryOf(const KeyboardSession& session, int index) {
  return session.Read([&](const WorkingProfile& profile) { return profile.block->area[index]; });
}

// The working profile itself, for a test on the session's owner thread while
// no job runs (nothing else then reaches it).
inline const WorkingProfile& ProfileOf(const KeyboardSession& session) {
  return session.Read([](const WorkingProfile& profile) -> const WorkingProfile& { return profile; });
}
