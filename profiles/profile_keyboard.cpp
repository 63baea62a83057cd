#include "profiles/profile_keyboard.h"

#include <array>
#include <mutex>

#include "macros/macro_image.h"
#include "profiles/profile_store.h"
#include "profiles/file_io.h"
#include "app/user_interface.h"

namespace {

constexpr std::size_t kImageHeaderBytes = 16;

// True while the question about pending changes is on screen.
bool askingToSave = false;

}  // namespace

int ReadProfileFromKeyboard(DeviceLink& link, const std::u16string& path) {
  const int current = link.CurrentProfile();
  if (!IsKeyboardProfile(current)) return 0;

  std::array<DeviceKeyTable, kKeyboardProfileCount> tables;
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    if (link.ReadKeyTable(profile, tables[profile]) != 1) return 0;

  std::vector<std::uint8_t> image(kImageHeaderBytes);
  if (link.ReadMacroImage(image) != 1) return 0;
  MacroImageHeader header{};
  if (ReadMacroImageHeader(image, header) == 1 && header.macroCount > 0) {
    image.resize(header.imageSize);
    if (link.ReadMacroImage(image) != 1) return 0;
  } else {
    image.clear();  // no macros on the keyboard
  }

  // What the keyboard cannot hold (program paths, text blocks, the spare bank)
  // is kept from the profile file on disk, when that is valid.
  ProfileContents onDisk;
  std::vector<std::uint8_t> bytes;
  const bool kept = ReadWholeFile(path, bytes) == 1 && ParseProfileFile(bytes, onDisk) == 1 &&
                    IsValidFileHeader(onDisk.block->header);
  bytes.clear();
  const std::vector<std::uint8_t> file = ProfileFileFromKeyboard(tables, DefaultKeyTable(), image, kept ? &onDisk : nullptr);
  if (file.empty()) return 0;
  return ReplaceFile(path, file) ? 1 : 0;
}

int LoadProfileFromKeyboard(WorkingProfile& working, const std::u16string& path, int /*readResult*/) {
  bool loaded;
  {
    std::lock_guard guard(working.lock);
    FreeWorkingProfile(working);
    loaded = LoadProfileFile(working, path) == 1;
    // A file that does not load leaves a default profile, never none.
    if (!loaded) {
      FreeWorkingProfile(working);
      NewDefaultProfile(working);
    }
    UI().RefreshKeyGrid();
  }
  UI().SetPendingChanges(false);
  return loaded ? 1 : 0;
}

int ApplyProfile(DeviceLink& link, DeviceMessages& messages, WorkingProfile& working, AppliedProfile& applied,
                 bool allKeyMaps) {
  std::lock_guard guard(applied.lock);
  if (CopyToAppliedProfile(working, applied) != 1) return 0;
  return DownloadProfiles(link, messages, allKeyMaps, DownloadSource{applied.block->area, applied.macros.records});
}

std::u16string ApplyNotePath(const std::u16string& profilePath) { return profilePath + u".applying"; }

namespace {

// The key map index an unfinished Apply was for; -1 when there is no note, or
// it cannot be used.
int ReadApplyNote(const std::u16string& note) {
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(note, bytes) != 1 || bytes.size() != 1 || bytes[0] < '0' || bytes[0] > '2') return -1;
  return bytes[0] - '0';
}

bool WriteApplyNote(const std::u16string& note, int profile) {
  const std::uint8_t digit = static_cast<std::uint8_t>('0' + profile);
  return ReplaceFile(note, std::span(&digit, 1));
}

// Downloads key map `profile` and the macros of `applied`, noted from just
// before the first command until the keyboard confirmed the end.
int DownloadNoted(DeviceLink& link, DeviceMessages& messages, AppliedProfile& applied, int profile,
                  const std::u16string& note) {
  const DownloadSource source{applied.block->area, applied.macros.records};
  // Nothing is sent when the macros do not fit: nothing to note then.
  const bool sends = link.MacroCapacity() >= ComputeMacroImageSizes(source.macros).baseSize;
  if (sends) WriteApplyNote(note, profile);
  const int result = DownloadKeyMaps(link, messages, profile, profile, source);
  if (result == 1) RemoveFile(note);
  return result;
}

}  // namespace

int SaveAndApplyProfile(DeviceLink& link, DeviceMessages& messages, WorkingProfile& working,
                        AppliedProfile& applied, const std::u16string& path) {
  const int profile = link.CurrentProfile();
  if (!IsKeyboardProfile(profile)) return 0;
  int saved;
  {
    std::lock_guard guard(working.lock);
    saved = SaveProfileFile(working, path, false);
    if (CopyToAppliedProfile(working, applied) != 1) return 0;
  }
  std::lock_guard guard(applied.lock);
  const int downloaded = DownloadNoted(link, messages, applied, profile, ApplyNotePath(path));
  return saved == 1 && downloaded == 1 ? 1 : 0;
}

int FinishInterruptedApply(DeviceLink& link, DeviceMessages& messages, const std::u16string& profilePath) {
  const std::u16string note = ApplyNotePath(profilePath);
  const int profile = ReadApplyNote(note);
  if (profile < 0) {
    RemoveFile(note);
    return 1;
  }
  WorkingProfile saved;
  AppliedProfile copy;
  if (LoadProfileFile(saved, profilePath) != 1 || CopyToAppliedProfile(saved, copy) != 1) {
    RemoveFile(note);  // nothing left to finish it from
    return 1;
  }
  std::lock_guard guard(copy.lock);
  const int result = DownloadNoted(link, messages, copy, profile, note);
  if (result == 1) return 1;
  if (result == 0 && link.DeviceCount() > 0 && !link.TransfersCancelled()) {
    RemoveFile(note);  // the macros never fitted: nothing was ever sent
    return 1;
  }
  return 0;  // tried again at the next arrival
}

int SwitchProfile(TransferThread& transfers, DeviceLink& link, WorkingProfile& working, const std::u16string& path,
                  int index) {
  if (index >= kKeyboardProfileCount) index = 0;
  if (UI().KeyEditorOpen()) {
    UI().ShowMessage(Text(TextKey::PROFILE_SEELCT_PROMPT2));
    return 0;
  }
  if (UI().PendingChanges() || UI().ProfileManagerPending()) {
    if (askingToSave) return 0;
    askingToSave = true;
    const bool save = UI().AskYesNo(Text(TextKey::PROFILE_SELECT_PROMPT));
    askingToSave = false;
    if (save) {
      UI().SendApplyCommand();  // queued on the transfer thread before the switch
    } else {
      UI().SetPendingChanges(false);
      if (link.CachedProfile() >= 0) {
        std::lock_guard guard(working.lock);
        FreeWorkingProfile(working);
        if (LoadProfileFile(working, path) != 1) NewDefaultProfile(working);
      }
    }
  }
  transfers.Post([&link, index] {
    if (index >= 0) link.SetCurrentProfile(index);
    UI().ProfileSwitched(index);
  });
  return 1;
}

std::vector<ProfileMenuItem> ProfileMenuItems(int currentIndex, const std::u16string& profileFileName) {
  std::vector<ProfileMenuItem> items;
  items.push_back({std::u16string(Text(TextKey::DEFAULT_PROFILE_NAME)), kProfileMenuFirstCommand, false});
  items.push_back({u"", 0, false});
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    items.push_back({profileFileName, kProfileMenuFirstCommand + 1 + profile, false});
  const std::size_t checked = currentIndex >= 0 ? static_cast<std::size_t>(currentIndex) + 2 : 0;
  if (checked < items.size()) items[checked].checked = true;
  return items;
}
