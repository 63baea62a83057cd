// The two in-memory profile copies: the WorkingProfile that the editors change
// and the AppliedProfile last sent to the keyboard, and the file operations
// over them. They are plain records: whoever shares one between threads (the
// keyboard session) guards it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/user_interface.h"
#include "profiles/file_io.h"
#include "profiles/profile_file.h"

struct WorkingProfile {
  std::unique_ptr<HeaderBlock> block;  // null once freed, until the next load
  MacroList macros;
  AssignmentText text;                 // program paths and text blocks, by record number
};

struct AppliedProfile {
  std::unique_ptr<HeaderBlock> block;
  MacroList macros;
  std::vector<std::uint8_t> pool;      // the packed strings
};

// Gives back the strings, the macros and the header block.
void FreeWorkingProfile(WorkingProfile& profile);
void FreeAppliedProfile(AppliedProfile& profile);

// Replaces `working`'s contents by `with`'s; `with` is left with what
// `working` held.
void ReplaceWorkingProfile(WorkingProfile& working, WorkingProfile& with);
// A copy of `from`'s contents into `to`, replacing what `to` held. False when
// memory runs out (`to` unchanged).
bool CopyWorkingProfile(const WorkingProfile& from, WorkingProfile& to);
// A copy of `profile` for a dialog to work on while it is open; null when
// memory runs out.
std::unique_ptr<WorkingProfile> CopyOfWorkingProfile(const WorkingProfile& profile);

// A new profile into a file (created or replaced) or into the WorkingProfile
// (whose macros and strings stay as the caller left them). False when it
// could not be made.
bool NewDefaultProfileFile(const std::u16string& path);
bool NewDefaultProfile(WorkingProfile& profile);

// Checks a file before it is imported: kInvalid when it is missing, too short,
// 4 GiB or larger, or its header is not valid. An invalid header is also
// shown to the user, with the file's path.
FileCheck ValidateProfileFile(UserInterface& ui, const std::u16string& path);

// Loads a file into the WorkingProfile (the caller has freed it). False when it does not load, with the profile left as it was.
bool LoadProfileFile(WorkingProfile& profile, const std::u16string& path);

// Writes the WorkingProfile to its profile file, which must already exist
// (else false and nothing written), or exports it to any path. Both bring the
// profile's file header up to date first.
bool SaveProfileFile(WorkingProfile& profile, const std::u16string& path);
FileWrite ExportProfileFile(WorkingProfile& profile, const std::u16string& path);

// What the user is told of an export (or a backup) to `path`: where the
// profile went, or that it did not, why, and what to do about it.
std::u16string ExportMessage(const std::u16string& path, FileWrite result);

// The first half of applying: the WorkingProfile copied into the
// AppliedProfile, the header rebuilt and the strings packed. False when
// memory runs out or there is nothing to copy.
bool CopyToAppliedProfile(const WorkingProfile& working, AppliedProfile& applied);
