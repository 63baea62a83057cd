#include "profiles/profile_keyboard.h"

#include <array>
#include <optional>
#include <utility>

#include "localisation/text_slots.h"
#include "macros/macro_image.h"
#include "profiles/file_io.h"
#include "profiles/profile_download.h"
#include "profiles/profile_store.h"

namespace {

constexpr std::size_t kImageHeaderBytes = 16;

// Tells the user what a download's outcome asks for; returns its result.
DeviceResult Told(DeviceMessages& messages, const DownloadOutcome& outcome) {
  if (const std::optional<TextKey> text = DownloadMessage(outcome)) messages.ShowDeviceMessage(*text);
  return outcome.result;
}

}  // namespace

bool ReadProfileFromKeyboard(DeviceLink& link, const std::u16string& path, KeyboardMirror* mirror) {
  if (mirror) *mirror = {};
  const int current = link.CurrentProfile();
  if (!IsKeyboardProfile(current)) return false;

  std::array<DeviceKeyTable, kKeyboardProfileCount> tables;
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    if (link.ReadKeyTable(profile, tables[profile]) != DeviceResult::kOk) return false;

  std::vector<std::uint8_t> image(kImageHeaderBytes);
  if (link.ReadMacroImage(image) != DeviceResult::kOk) return false;
  MacroImageHeader header{};
  const bool anyMacro = ReadMacroImageHeader(image, header) && header.macroCount > 0;
  if (anyMacro) {
    image.resize(header.imageSize);
    if (link.ReadMacroImage(image) != DeviceResult::kOk) return false;
  }
  if (mirror) {
    for (int profile = 0; profile < kKeyboardProfileCount; ++profile) mirror->tables[profile] = tables[profile];
    mirror->macroImage = image;
  }
  if (!anyMacro) image.clear();  // no macros on the keyboard

  // What the keyboard cannot hold (program paths, text blocks, the G keys, the
  // spare bank) is kept from the profile file on disk, when that is valid.
  ProfileContents onDisk;
  std::vector<std::uint8_t> bytes;
  const bool kept =
      ReadWholeFile(path, bytes) && ParseProfileFile(bytes, onDisk) && IsValidFileHeader(onDisk.block->header);
  bytes.clear();
  const std::vector<std::uint8_t> file = ProfileFileFromKeyboard(tables, DefaultKeyTable(), image, kept ? &onDisk : nullptr);
  return !file.empty() && ReplaceFile(path, file);
}

std::u16string ApplyNotePath(const std::u16string& profilePath) { return profilePath + u".applying"; }

namespace {

// The key maps an unfinished Apply was for: one index, or kAllKeyMaps (an
// import sends all three); -1 when there is no note, or it cannot be used.
constexpr std::uint8_t kAllKeyMapsNote = 'A';

int ReadApplyNote(const std::u16string& note) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(note, bytes) || bytes.size() != 1) return -1;
  if (bytes[0] == kAllKeyMapsNote) return kAllKeyMaps;
  if (bytes[0] < '0' || bytes[0] > '2') return -1;
  return bytes[0] - '0';
}

bool WriteApplyNote(const std::u16string& note, int profile) {
  const std::uint8_t digit = profile == kAllKeyMaps ? kAllKeyMapsNote : static_cast<std::uint8_t>('0' + profile);
  return ReplaceFile(note, std::span(&digit, 1));
}

// Downloads key map `profile` (or all three) and the macros of `applied`,
// noted from just before the first command until the keyboard confirmed the end.
DeviceResult DownloadNoted(DeviceLink& link, DeviceMessages& messages, const AppliedProfile& applied, int profile,
                           const std::u16string& note, bool withMacros, KeyboardMirror* mirror) {
  const DownloadSource source{applied.block->area, applied.macros.records, withMacros};
  // Nothing is sent when the macros do not fit: nothing to note then.
  const bool sends = !withMacros || link.MacroCapacity() >= ComputeMacroImageSizes(source.macros).baseSize;
  if (sends) WriteApplyNote(note, profile);
  const int first = profile == kAllKeyMaps ? 0 : profile, last = profile == kAllKeyMaps ? kAllKeyMaps - 1 : profile;
  const DeviceResult result = Told(messages, DownloadKeyMaps(link, first, last, source, mirror));
  if (result == DeviceResult::kOk) RemoveFile(note);
  return result;
}

}  // namespace

bool LoadImportFile(UserInterface& ui, const std::u16string& from, WorkingProfile& imported) {
  if (ValidateProfileFile(ui, from) == FileCheck::kInvalid || !LoadProfileFile(imported, from)) {
    ui.ShowMessage(Text(TextKey::MAIN_PROMPT_INPORT));
    return false;
  }
  return true;
}

bool ApplyImportedProfile(DeviceLink& link, DeviceMessages& messages, WorkingProfile& working,
                          AppliedProfile& applied, const std::u16string& profilePath, KeyboardMirror* mirror) {
  return CopyToAppliedProfile(working, applied) &&
         DownloadNoted(link, messages, applied, kAllKeyMaps, ApplyNotePath(profilePath), true, mirror) ==
             DeviceResult::kOk;
}

DeviceResult DownloadAppliedProfile(DeviceLink& link, DeviceMessages& messages, const AppliedProfile& applied,
                                    int profile, const std::u16string& profilePath, bool withMacros,
                                    KeyboardMirror* mirror) {
  if (!IsKeyboardProfile(profile) && profile != kAllKeyMaps) return DeviceResult::kBadProfile;
  return DownloadNoted(link, messages, applied, profile, ApplyNotePath(profilePath), withMacros, mirror);
}

bool FinishInterruptedApply(DeviceLink& link, DeviceMessages& messages, const std::u16string& profilePath,
                            KeyboardMirror* mirror) {
  const std::u16string note = ApplyNotePath(profilePath);
  const int profile = ReadApplyNote(note);
  if (profile < 0) {
    RemoveFile(note);
    return true;
  }
  WorkingProfile saved;
  AppliedProfile copy;
  if (!LoadProfileFile(saved, profilePath) || !CopyToAppliedProfile(saved, copy)) {
    RemoveFile(note);  // nothing left to finish it from
    return true;
  }
  const DeviceResult result = DownloadNoted(link, messages, copy, profile, note, true, mirror);
  if (result == DeviceResult::kOk) return true;
  // A capacity read from a keyboard that is still there: the macros never
  // fitted it, so nothing was ever sent.
  if (result == DeviceResult::kMacrosDoNotFit && link.DeviceCount() > 0 && !link.TransfersCancelled()) {
    RemoveFile(note);
    return true;
  }
  return false;  // tried again at the next arrival
}

std::vector<ProfileMenuItem> ProfileMenuItems(int currentIndex) {
  std::vector<ProfileMenuItem> items;
  items.push_back({std::u16string(Text(TextKey::DEFAULT_PROFILE_NAME)), kProfileMenuFirstCommand, false});
  items.push_back({u"", 0, false});
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    items.push_back({std::u16string(Text(ProfileNameText(profile))), kProfileMenuFirstCommand + 1 + profile, false});
  const std::size_t checked = currentIndex >= 0 ? static_cast<std::size_t>(currentIndex) + 2 : 0;
  if (checked < items.size()) items[checked].checked = true;
  return items;
}
