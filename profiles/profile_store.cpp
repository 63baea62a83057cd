#include "profiles/profile_store.h"

#include <cstring>
#include <new>

#include "localisation/text_slots.h"
#include "profiles/file_io.h"
#include "app/user_interface.h"

namespace {

// The message that names a file: the one "%s" of the text becomes the path.
std::u16string WithPath(std::u16string_view format, const std::u16string& path) {
  std::u16string text(format);
  const std::size_t at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, path);
  return text;
}

std::span<const std::uint8_t> BytesOf(const void* data, std::size_t size) {
  return {static_cast<const std::uint8_t*>(data), size};
}

// The file straight from the profile's own buffers, its strings packed first.
int WriteProfile(WorkingProfile& profile, const std::u16string& path) {
  if (!profile.block) return 0;
  std::vector<std::uint8_t> pool;
  try {
    pool = PackStrings(*profile.block, profile.text);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  RebuildFileHeader(profile.block->header, profile.macros.count(), static_cast<std::uint32_t>(pool.size()));
  const std::span<const MacroRecord> macros = profile.macros.records;
  return ReplaceFile(path, {BytesOf(profile.block.get(), kHeaderBlockBytes),
                            BytesOf(macros.data(), macros.size_bytes()), pool})
             ? 1
             : 0;
}

}  // namespace

WorkingProfile& Working() {
  static WorkingProfile profile;
  return profile;
}

AppliedProfile& Applied() {
  static AppliedProfile profile;
  return profile;
}

void FreeWorkingProfile(WorkingProfile& profile) {
  ClearAssignmentText(profile.text);
  FreeMacroList(profile.macros);
  profile.block.reset();
}

void FreeAppliedProfile(AppliedProfile& profile) {
  std::lock_guard guard(profile.lock);
  profile.pool.clear();
  profile.pool.shrink_to_fit();
  FreeMacroList(profile.macros);
  profile.block.reset();
}

int NewDefaultProfileFile(const std::u16string& path) {
  const std::unique_ptr<HeaderBlock> block = NewDefaultHeaderBlock();
  if (!block) return 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.get());
  return ReplaceFile(path, std::span(bytes, kHeaderBlockBytes)) ? 1 : 0;
}

int NewDefaultProfile(WorkingProfile& profile) {
  std::unique_ptr<HeaderBlock> block = NewDefaultHeaderBlock();
  if (!block) return 0;
  profile.block = std::move(block);
  return 1;
}

int ValidateProfileFile(const std::u16string& path) {
  // Only the header decides; the rest of the file is never read here.
  std::vector<std::uint8_t> header;
  const int read = ReadFileStart(path, sizeof(ProfileFileHeader), kHeaderBlockBytes, header);
  if (read != 1) return read;
  ProfileFileHeader fields;
  std::memcpy(&fields, header.data(), sizeof fields);
  if (IsValidFileHeader(fields)) return 1;
  UI().ShowMessage(WithPath(Text(TextKey::PROFILE_FORMAT_ERROR), path));
  return 0;
}

int LoadProfileFile(WorkingProfile& profile, const std::u16string& path) {
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(path, bytes) != 1) return 0;
  ProfileContents contents;
  try {
    if (ParseProfileFile(bytes, contents) != 1) return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  profile.block = std::move(contents.block);
  profile.macros = std::move(contents.macros);
  profile.text = std::move(contents.text);
  return 1;
}

int SaveProfileFile(WorkingProfile& profile, const std::u16string& path, bool takeLock) {
  std::unique_lock guard(profile.lock, std::defer_lock);
  if (takeLock) guard.lock();
  if (!FileExists(path)) return 0;  // saving never creates the profile file
  return WriteProfile(profile, path);
}

int ExportProfileFile(WorkingProfile& profile, const std::u16string& path, bool takeLock) {
  std::unique_lock guard(profile.lock, std::defer_lock);
  if (takeLock) guard.lock();
  return WriteProfile(profile, path);
}

int CopyToAppliedProfile(WorkingProfile& working, AppliedProfile& applied) {
  if (!working.block) return 0;
  std::lock_guard guard(applied.lock);
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
    return 0;
  }
  return 1;
}
