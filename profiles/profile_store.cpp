#include "profiles/profile_store.h"

#include <cstring>
#include <new>

#include "localisation/text_slots.h"
#include "profiles/file_io.h"

namespace {

std::span<const std::uint8_t> BytesOf(const void* data, std::size_t size) {
  return {static_cast<const std::uint8_t*>(data), size};
}

// The file straight from the profile's own buffers, its strings packed first.
FileWrite WriteProfile(WorkingProfile& profile, const std::u16string& path) {
  if (!profile.block) return FileWrite::kNoMemory;
  std::vector<std::uint8_t> pool;
  try {
    pool = PackStrings(*profile.block, profile.text);
  } catch (const std::bad_alloc&) {
    return FileWrite::kNoMemory;
  }
  RebuildFileHeader(profile.block->header, profile.macros.count(), static_cast<std::uint32_t>(pool.size()));
  const std::span<const MacroRecord> macros = profile.macros.records;
  return WriteWholeFile(path, {BytesOf(profile.block.get(), kHeaderBlockBytes),
                               BytesOf(macros.data(), macros.size_bytes()), pool});
}

}  // namespace

void FreeWorkingProfile(WorkingProfile& profile) {
  ClearAssignmentText(profile.text);
  FreeMacroList(profile.macros);
  profile.block.reset();
}

void ReplaceWorkingProfile(WorkingProfile& working, WorkingProfile& with) {
  std::swap(working.block, with.block);
  std::swap(working.macros, with.macros);
  std::swap(working.text, with.text);
}

bool CopyWorkingProfile(const WorkingProfile& from, WorkingProfile& to) {
  try {
    WorkingProfile copy;
    if (from.block) copy.block = std::make_unique<HeaderBlock>(*from.block);
    copy.macros = from.macros;
    copy.text = from.text;
    ReplaceWorkingProfile(to, copy);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

std::unique_ptr<WorkingProfile> CopyOfWorkingProfile(const WorkingProfile& profile) {
  std::unique_ptr<WorkingProfile> copy;
  try {
    copy = std::make_unique<WorkingProfile>();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (!CopyWorkingProfile(profile, *copy)) return nullptr;
  return copy;
}

void FreeAppliedProfile(AppliedProfile& profile) {
  profile.pool.clear();
  profile.pool.shrink_to_fit();
  FreeMacroList(profile.macros);
  profile.block.reset();
}

bool NewDefaultProfileFile(const std::u16string& path) {
  const std::unique_ptr<HeaderBlock> block = NewDefaultHeaderBlock();
  if (!block) return false;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.get());
  return ReplaceFile(path, std::span(bytes, kHeaderBlockBytes));
}

bool NewDefaultProfile(WorkingProfile& profile) {
  std::unique_ptr<HeaderBlock> block = NewDefaultHeaderBlock();
  if (!block) return false;
  profile.block = std::move(block);
  return true;
}

FileCheck ValidateProfileFile(UserInterface& ui, const std::u16string& path) {
  // Only the header decides; the rest of the file is never read here.
  std::vector<std::uint8_t> header;
  const FileCheck read = ReadFileStart(path, sizeof(ProfileFileHeader), kHeaderBlockBytes, header);
  if (read != FileCheck::kValid) return read;
  ProfileFileHeader fields;
  std::memcpy(&fields, header.data(), sizeof fields);
  if (IsValidFileHeader(fields)) return FileCheck::kValid;
  ui.ShowMessage(FormatText(Text(TextKey::PROFILE_FORMAT_ERROR), path));
  return FileCheck::kInvalid;
}

bool LoadProfileFile(WorkingProfile& profile, const std::u16string& path) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  ProfileContents contents;
  try {
    if (!ParseProfileFile(bytes, contents)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  profile.block = std::move(contents.block);
  profile.macros = std::move(contents.macros);
  profile.text = std::move(contents.text);
  return true;
}

bool SaveProfileFile(WorkingProfile& profile, const std::u16string& path) {
  if (!FileExists(path)) return false;  // saving never creates the profile file
  return WriteProfile(profile, path) == FileWrite::kWritten;
}

FileWrite ExportProfileFile(WorkingProfile& profile, const std::u16string& path) {
  return WriteProfile(profile, path);
}

std::u16string ExportMessage(const std::u16string& path, FileWrite result) {
  if (result == FileWrite::kWritten) return FormatText(Text(TextKey::MAIN_UPDATE_BACKUP_OK), path);
  TextKey reason = TextKey::FILE_WRITE_NO_MEMORY;
  switch (result) {
    case FileWrite::kCannotCreate:
      reason = TextKey::FILE_WRITE_NO_FOLDER;
      break;
    case FileWrite::kIncomplete:
      reason = TextKey::FILE_WRITE_INCOMPLETE;
      break;
    case FileWrite::kNotReplaced:
      reason = TextKey::FILE_WRITE_NOT_REPLACED;
      break;
    case FileWrite::kWritten:
    case FileWrite::kNoMemory:
      break;
  }
  return FormatText(Text(TextKey::MAIN_UPDATE_BACKUP_NG), path) + u"\r\n\r\n" + std::u16string(Text(reason));
}

bool CopyToAppliedProfile(const WorkingProfile& working, AppliedProfile& applied) {
  if (!working.block) return false;
  FreeAppliedProfile(applied);
  try {
    auto block = std::make_unique<HeaderBlock>(*working.block);
    std::vector<std::uint8_t> pool = PackStrings(*working.block, working.text);
    // The copy carries the same string offsets as the working records.
    block->area = working.block->area;
    RebuildFileHeader(block->header, working.macros.count(), static_cast<std::uint32_t>(pool.size()));
    MacroList macros;
    macros.records = working.macros.records;
    applied.block = std::move(block);
    applied.macros = std::move(macros);
    applied.pool = std::move(pool);
  } catch (const std::bad_alloc&) {
    FreeAppliedProfile(applied);
    return false;
  }
  return true;
}
