// The two in-memory profile copies: the WorkingProfile that the editors change
// and the AppliedProfile last sent to the keyboard, each with its re-entrant
// lock (taken in that order when both are needed), and the file operations
// over them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/user_interface.h"
#include "profiles/file_io.h"
#include "profiles/profile_file.h"

struct WorkingProfile {
  std::recursive_mutex lock;
  std::unique_ptr<HeaderBlock> block;  // null once freed, until the next load
  MacroList macros;
  AssignmentText text;                 // program paths and text blocks, by record number
};

struct AppliedProfile {
  std::recursive_mutex lock;
  std::unique_ptr<HeaderBlock> block;
  MacroList macros;
  std::vector<std::uint8_t> pool;      // the packed strings
};

// The process's two copies.
WorkingProfile& Working();
AppliedProfile& Applied();

// Gives back the strings, the macros and the header block. The caller holds
// the WorkingProfile's lock; FreeAppliedProfile takes the AppliedProfile's.
void FreeWorkingProfile(WorkingProfile& profile);
void FreeAppliedProfile(AppliedProfile& profile);

// Replaces `working`'s contents by `with`'s (both locks held by the caller);
// `with` is left with what `working` held.
void ReplaceWorkingProfile(WorkingProfile& working, WorkingProfile& with);
// A copy of `from`'s contents into `to` (both locks held by the caller),
// replacing what `to` held. False when memory runs out (`to` unchanged).
bool CopyWorkingProfile(const WorkingProfile& from, WorkingProfile& to);
// A copy of `profile`, taken under its lock, for a dialog to work on while it
// is open; null when memory runs out.
std::unique_ptr<WorkingProfile> CopyOfWorkingProfile(WorkingProfile& profile);

// A new profile into a file (created or replaced) or into the WorkingProfile
// (whose macros and strings stay as the caller left them). False when it
// could not be made.
bool NewDefaultProfileFile(const std::u16string& path);
bool NewDefaultProfile(WorkingProfile& profile);

// Checks a file before it is imported: kInvalid when it is missing, too short,
// 4 GiB or larger, or its header is not valid. An invalid header is also
// shown to the user, with the file's path.
FileCheck ValidateProfileFile(UserInterface& ui, const std::u16string& path);

// Loads a file into the WorkingProfile (the caller holds its lock and has
// freed it). False when it does not load, with the profile left as it was.
bool LoadProfileFile(WorkingProfile& profile, const std::u16string& path);

// Writes the WorkingProfile to its profile file, which must already exist
// (else false and nothing written), or exports it to any path. Both take the
// profile's lock, which a caller may already hold (it is re-entrant).
bool SaveProfileFile(WorkingProfile& profile, const std::u16string& path);
bool ExportProfileFile(WorkingProfile& profile, const std::u16string& path);

// The first half of applying: the WorkingProfile (its lock held by the caller)
// copied into the AppliedProfile (under its lock), the header rebuilt and the
// strings packed. False when memory runs out or there is nothing to copy.
bool CopyToAppliedProfile(WorkingProfile& working, AppliedProfile& applied);
