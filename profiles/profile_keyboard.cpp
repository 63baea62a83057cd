#include "profiles/profile_keyboard.h"

#include <array>
#include <mutex>

#include "macros/macro_image.h"
#include "profiles/file_io.h"
#include "shell/user_interface.h"

namespace {

constexpr std::size_t kImageHeaderBytes = 16;

// True while the question about pending changes is on screen.
bool askingToSave = false;

}  // namespace

int ReadProfileFromKeyboard(DeviceLink& link, const std::u16string& path) {
  const int current = link.CurrentProfile();
  if (current < 0 || current > 3) return 0;

  std::array<DeviceKeyTable, 3> tables;
  for (int profile = 0; profile < 3; ++profile)
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

  const std::vector<std::uint8_t> file = ProfileFileFromKeyboard(tables, DefaultKeyTable(), image);
  if (file.empty()) return 0;
  return ReplaceFile(path, file) ? 1 : 0;
}

int LoadProfileFromKeyboard(DeviceLink& link, WorkingProfile& working, const std::u16string& path) {
  const bool read = link.CurrentProfile() >= 0 && ReadProfileFromKeyboard(link, path) == 1;
  {
    std::lock_guard guard(working.lock);
    FreeWorkingProfile(working);
    // A file that does not load leaves a default profile, never none.
    if (!read || LoadProfileFile(working, path) != 1) {
      FreeWorkingProfile(working);
      NewDefaultProfile(working);
    }
    UI().RefreshKeyGrid();
  }
  UI().SetPendingChanges(false);
  return 1;
}

int ApplyProfile(DeviceLink& link, DeviceMessages& messages, WorkingProfile& working, AppliedProfile& applied,
                 bool allKeyMaps) {
  std::lock_guard guard(applied.lock);
  if (CopyToAppliedProfile(working, applied) != 1) return 0;
  return DownloadProfiles(link, messages, allKeyMaps, DownloadSource{applied.block->area, applied.macros.records});
}

int SwitchProfile(DeviceLink& link, WorkingProfile& working, const std::u16string& path, int index) {
  if (index >= 3) index = 0;
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
      UI().SendApplyCommand();
    } else {
      UI().SetPendingChanges(false);
      if (link.CachedProfile() >= 0) {
        std::lock_guard guard(working.lock);
        FreeWorkingProfile(working);
        if (LoadProfileFile(working, path) != 1) NewDefaultProfile(working);
      }
    }
    if (index >= 0) link.SetCurrentProfile(index);
  } else if (index >= 0) {
    link.SetCurrentProfile(index);
  }
  UI().ProfileSwitched(index);
  {
    std::lock_guard guard(working.lock);
    UI().RefreshKeyGrid();
  }
  return 1;
}

std::vector<ProfileMenuItem> ProfileMenuItems(int currentIndex, const std::u16string& profileFileName) {
  std::vector<ProfileMenuItem> items;
  items.push_back({std::u16string(Text(TextKey::DEFAULT_PROFILE_NAME)), kProfileMenuFirstCommand, false});
  items.push_back({u"", 0, false});
  for (int profile = 0; profile < 3; ++profile)
    items.push_back({profileFileName, kProfileMenuFirstCommand + 1 + profile, false});
  const std::size_t checked = currentIndex >= 0 ? static_cast<std::size_t>(currentIndex) + 2 : 0;
  if (checked < items.size()) items[checked].checked = true;
  return items;
}
