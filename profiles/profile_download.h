// The download of a profile into the keyboard: the macro image built and the
// key maps packed into the keyboard's key tables, then sent between commands 1
// and 2 through the device link. It shows nothing itself: its outcome says
// what the user must be told, and the caller tells it (DownloadMessage).
#pragma once

#include <optional>
#include <span>

#include "device/device_link.h"
#include "keyboard/key_assignment.h"
#include "localisation/text_slots.h"
#include "macros/macro_record.h"
#include "profiles/keyboard_mirror.h"

// What a download sends: the applied key maps and their macro list.
struct DownloadSource {
  const AssignmentArea& area;
  std::span<const MacroRecord> macros;
  // False sends the key tables alone, for a change that left the macros as
  // the keyboard holds them.
  bool withMacroImage = true;
};

// How a download ended. `macroNamesLeftOut`: the configuration was begun with
// a macro image without the macros' names, which did not fit the keyboard
// beside the macros (the keyboard plays them; it cannot give their names back).
struct DownloadOutcome {
  DeviceResult result = DeviceResult::kAbsent;
  bool macroNamesLeftOut = false;
};

// Downloads the macro image and the key tables (all three profiles, or the
// current one) between commands 1 and 2. kOk when the keyboard confirmed the
// end of the configuration; kMacrosDoNotFit, with nothing sent, when the macro
// image does not fit the keyboard; kAbsent when the current profile cannot be
// read; else the failure of the first command that failed.
DownloadOutcome DownloadProfiles(DeviceLink& link, bool all, const DownloadSource& source);
// The same for the key maps `first` to `last` (0 to 2). With a `mirror`, only
// the chunks that differ from what it knows are sent, and nothing at all
// (not even commands 1 and 2) when none does; the keyboard ends with the same
// bytes as after a full download. The mirror then knows what was sent, or is
// forgotten when the download did not end as confirmed.
DownloadOutcome DownloadKeyMaps(DeviceLink& link, int first, int last, const DownloadSource& source,
                                KeyboardMirror* mirror = nullptr);

// What the user is told after a download: EXTRA_MACRO_TOO_LONG when the macros
// did not fit, EXTRA_PROFILE_SPACE_TIGHT when their names were left out, and
// nothing otherwise, nor after a download given up by CancelTransfers (the
// program is closing).
std::optional<TextKey> DownloadMessage(const DownloadOutcome& outcome);
