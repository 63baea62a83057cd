// The largest valid profile file, for the benchmarks: 100 macros of 2000
// actions and a program path on every one of the 2048 records.
#pragma once

#include <filesystem>
#include <string>

#include "profiles/profile_store.h"

// Writes it to `path` (replaced) and returns whether it was written.
inline bool WriteLargestProfileFile(const std::filesystem::path& path) {
  WorkingProfile profile;
  NewDefaultProfile(profile);
  AllocateMacroList(profile.macros, kMaxMacros);
  for (int m = 0; m < kMaxMacros; ++m) {
    MacroRecord& record = profile.macros.records[m];
    FillNewMacroRecord(record, u"Macro " + std::u16string(1, u'A' + m % 26), static_cast<std::uint16_t>(m + 1));
    record.actionCount = kMaxMacroActions;
    for (int a = 0; a < kMaxMacroActions; ++a) record.actions[a] = {10, 0x01E, static_cast<std::uint16_t>(a % 2)};
  }
  for (int r = 0; r < kAreaEntryCount; ++r) {
    profile.block->area[r].type = AssignmentType::LaunchProgram;
    SetAssignmentText(profile.text, r,
                      u"C:\\Program Files\\Games\\Launcher " + std::u16string(8, u'0' + r % 10) + u".exe");
  }
  return ExportProfileFile(profile, path.u16string()) == FileWrite::kWritten;
}
