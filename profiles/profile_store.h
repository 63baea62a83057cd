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

// A new profile into a file (created or replaced) or into the WorkingProfile
// (whose macros and strings stay as the caller left them). 1 done, 0 not.
int NewDefaultProfileFile(const std::u16string& path);
int NewDefaultProfile(WorkingProfile& profile);

// Checks a file before it is imported. 1 valid; 0 missing, too short, 4 GiB
// or larger, or invalid (an invalid header is also reported to the user with
// the file's path); -2 cannot be opened; -3 no memory.
int ValidateProfileFile(const std::u16string& path);

// Loads a file into the WorkingProfile (the caller holds its lock and has
// freed it). 1 loaded; 0 otherwise, with the profile left as it was.
int LoadProfileFile(WorkingProfile& profile, const std::u16string& path);

// Writes the WorkingProfile to its profile file, which must already exist
// (else 0 and nothing written), or exports it to any path.
int SaveProfileFile(WorkingProfile& profile, const std::u16string& path, bool takeLock);
int ExportProfileFile(WorkingProfile& profile, const std::u16string& path, bool takeLock);

// The first half of applying: the WorkingProfile (its lock held by the caller)
// copied into the AppliedProfile (under its lock), the header rebuilt and the
// strings packed. 1 done, 0 when memory runs out or there is nothing to copy.
int CopyToAppliedProfile(WorkingProfile& working, AppliedProfile& applied);
