#include "profiles/profile_download.h"

#include <algorithm>
#include <vector>

#include "macros/macro_image.h"

DownloadOutcome DownloadProfiles(DeviceLink& link, bool all, const DownloadSource& source) {
  if (all) return DownloadKeyMaps(link, 0, kKeyboardProfileCount - 1, source);
  const int current = link.CurrentProfile();
  if (current < 0) return {DeviceResult::kAbsent};  // its status could not be read
  if (!IsKeyboardProfile(current)) return {DeviceResult::kBadProfile};
  return DownloadKeyMaps(link, current, current, source);
}

namespace {

std::span<const std::uint8_t> BytesOf(const DeviceKeyTable& table) {
  return {reinterpret_cast<const std::uint8_t*>(table.data()), sizeof table};
}

// Whether the mirror knows that the keyboard holds all of `bytes` from its start.
bool Holds(std::span<const std::uint8_t> known, std::span<const std::uint8_t> bytes) {
  return bytes.size() <= known.size() && std::equal(bytes.begin(), bytes.end(), known.begin());
}

}  // namespace

DownloadOutcome DownloadKeyMaps(DeviceLink& link, int first, int last, const DownloadSource& source,
                                KeyboardMirror* mirror) {
  if (!IsKeyboardProfile(first) || !IsKeyboardProfile(last) || first > last) return {DeviceResult::kBadProfile};
  const MacroImageSizes sizes = ComputeMacroImageSizes(source.macros);
  const std::uint32_t capacity = link.MacroCapacity();
  if (source.withMacroImage && capacity < sizes.baseSize) return {DeviceResult::kMacrosDoNotFit};
  const bool withNames = sizes.fullSize <= capacity;
  const std::uint32_t imageSize = withNames ? sizes.fullSize : sizes.baseSize;
  std::vector<std::uint8_t> image;
  if (source.withMacroImage) {
    image.resize(imageSize);
    if (!BuildMacroImage(source.macros, image, imageSize, withNames)) return {DeviceResult::kMacrosDoNotFit};
  }

  const DeviceKeyTable defaults = DefaultKeyTable();
  const MacroIndexLookup indexOfId = [&](std::uint16_t id) { return MacroIndexOfId(source.macros, id); };
  DeviceKeyTable tables[kKeyboardProfileCount];
  for (int p = first; p <= last; ++p)
    tables[p] = BuildDeviceKeyTable(EntriesOfProfile(source.area, p), defaults, indexOfId);

  // What the keyboard holds already is not sent again; when it holds all of
  // it, there is no configuration to make.
  KeyboardMirror nothingKnown;
  KeyboardMirror& known = mirror ? *mirror : nothingKnown;
  const auto knownTable = [&](int p) {
    return known.tables[p] ? BytesOf(*known.tables[p]) : std::span<const std::uint8_t>();
  };
  bool anyChange = source.withMacroImage && !Holds(known.macroImage, image);
  for (int p = first; p <= last; ++p) anyChange = anyChange || !Holds(knownTable(p), BytesOf(tables[p]));
  if (mirror && !anyChange) return {DeviceResult::kOk, source.withMacroImage && !withNames};

  // A failed begin, image or table write ends the download with its result: the
  // keyboard would otherwise hold a half-written profile reported as applied.
  // Whatever failed, a keyboard that may have seen command 1 gets command 2,
  // or it could stay in configuration mode; and only a configuration that the
  // keyboard confirmed ending counts as applied.
  DownloadOutcome outcome{link.BeginConfiguration()};
  if (outcome.result == DeviceResult::kAbsent) return outcome;  // nothing reached a keyboard
  outcome.macroNamesLeftOut = source.withMacroImage && !withNames;
  if (outcome.result == DeviceResult::kOk && source.withMacroImage)
    outcome.result = link.WriteMacroImage(image, known.macroImage);
  for (int p = first; p <= last && outcome.result == DeviceResult::kOk; ++p)
    outcome.result = link.WriteKeyTable(p, tables[p], knownTable(p));
  const DeviceResult ended = link.EndConfiguration();
  if (outcome.result == DeviceResult::kOk) outcome.result = ended;

  if (mirror && outcome.result != DeviceResult::kOk) {
    *mirror = {};  // the keyboard may hold any part of it
  } else if (mirror) {
    for (int p = first; p <= last; ++p) mirror->tables[p] = tables[p];
    if (source.withMacroImage) {  // the image's first bytes replaced; what lies beyond is as it was
      if (mirror->macroImage.size() < image.size()) mirror->macroImage.resize(image.size());
      std::copy(image.begin(), image.end(), mirror->macroImage.begin());
    }
  }
  return outcome;
}

std::optional<TextKey> DownloadMessage(const DownloadOutcome& outcome) {
  if (outcome.result == DeviceResult::kCancelled) return std::nullopt;
  if (outcome.result == DeviceResult::kMacrosDoNotFit) return TextKey::EXTRA_MACRO_TOO_LONG;
  if (outcome.macroNamesLeftOut) return TextKey::EXTRA_PROFILE_SPACE_TIGHT;
  return std::nullopt;
}
