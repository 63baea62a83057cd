// What the device service does with the keyboard's HID collections when a
// device comes or goes: collections still present keep their open handle and
// their running read, so a reply in flight survives a mouse being plugged in;
// only collections that appeared are opened and only those that vanished are
// closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One HID collection as enumeration describes it.
struct HidCollectionInfo {
  std::u16string path;  // the device interface path
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
};

struct CollectionChanges {
  std::vector<std::size_t> keep;   // indexes into the open collections
  std::vector<std::size_t> close;  // indexes into the open collections
  std::vector<std::size_t> open;   // indexes into the enumerated collections
  int keyboardsBefore = 0;         // control collections open now
  int keyboardsAfter = 0;          // control collections open once the changes are made
};

// One of the keyboard's three collections (its vendor, product and usages).
bool IsKeyboardCollection(const HidCollectionInfo& collection);

// Device paths name the same device whatever their case: Windows spells one
// path differently in enumeration and in notifications. Paths are ASCII.
bool SameDevicePath(std::u16string_view a, std::u16string_view b);

// False only for a path that clearly belongs to another USB device (its
// VID_/PID_ part names other ids): a notification about it needs no new
// enumeration. Paths without those parts may be the keyboard's.
bool MayBeKeyboardPath(std::u16string_view path);

// Compares the collections open now with a fresh enumeration of every HID
// collection present. Only the keyboard's collections are ever opened.
CollectionChanges PlanCollectionChanges(std::span<const HidCollectionInfo> open,
                                        std::span<const HidCollectionInfo> enumerated);
