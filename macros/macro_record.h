// Macros: a named, ordered list of key presses and releases, each with the
// pause that follows it, and a play count. The keyboard plays them by itself;
// the program holds them per profile, stores them in the profile file and
// sends them to the keyboard as its macro image (macro_image.h).
//
// MacroRecord is also the profile file's on-disk record: profile files hold
// these records raw, one after another, in list order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "keyboard/key_codes.h"

inline constexpr int kMaxMacros = 100;         // per profile
inline constexpr int kMaxMacroActions = 2000;  // per macro
inline constexpr int kMacroNameUnits = 250;    // the name field, terminator included
inline constexpr int kMaxMacroNameLength = kMacroNameUnits - 1;
inline constexpr std::uint16_t kFirstMacroId = 1;
inline constexpr std::uint16_t kLastMacroId = 100;

// MacroAction::direction.
inline constexpr std::uint16_t kMacroPress = 0;
inline constexpr std::uint16_t kMacroRelease = 1;

// One key event of a macro (8 bytes).
struct MacroAction {
  std::uint32_t delayMs;    // the pause after this action; the last one of a recording carries 0
  KeyCode keyCode;          // 0 = no key
  std::uint16_t direction;  // kMacroPress or kMacroRelease

  friend bool operator==(const MacroAction&, const MacroAction&) = default;
};
static_assert(sizeof(MacroAction) == 8);

// The direction cell's two choices, in the order its drop-down lists them.
inline constexpr char16_t kPressText[] = u"\u2193";      // ↓
inline constexpr char16_t kReleaseText[] = u"  \u2191";  // ↑

// An action as the macro page's action list shows it: the key's name, the
// direction, the delay.
struct ActionRowTexts {
  std::u16string key;
  std::u16string direction;
  std::u16string delay;
};
ActionRowTexts ActionTexts(const MacroAction& action);

// One macro, exactly as a profile file stores it (16 512 bytes, little-endian).
struct MacroRecord {
  char16_t name[kMacroNameUnits];  // NUL-terminated
  std::uint8_t cycles;             // play count 1..255; a new macro gets 1
  std::uint8_t reserved1;          // 0
  std::uint16_t newFlag;           // 1 from creation in the editor until the editor applies its list
  std::uint16_t reserved2;         // written 0, never read
  std::uint16_t id;                // 1..100, unique in the list; key assignments name macros by it
  std::uint16_t actionCount;       // 0..2000
  std::uint16_t padding;           // 0 in new records
  MacroAction actions[kMaxMacroActions];  // only the first actionCount carry meaning
};
static_assert(sizeof(MacroRecord) == 16512);
static_assert(offsetof(MacroRecord, cycles) == 500);
static_assert(offsetof(MacroRecord, newFlag) == 502);
static_assert(offsetof(MacroRecord, reserved2) == 504);
static_assert(offsetof(MacroRecord, id) == 506);
static_assert(offsetof(MacroRecord, actionCount) == 508);
static_assert(offsetof(MacroRecord, padding) == 510);
static_assert(offsetof(MacroRecord, actions) == 512);
static_assert(std::is_trivially_copyable_v<MacroRecord>);
// Records go to and from files as raw bytes: the host must be little-endian,
// as x86-64 is.
static_assert(std::endian::native == std::endian::little);

// The name: the units before the terminator, at most 249 of them (a field
// from a damaged file may lack its terminator).
std::u16string_view MacroName(const MacroRecord& record);

// Puts a name into the record, cut to 249 units (never between the two halves
// of a surrogate pair), terminated, the rest of the field zeroed.
void SetMacroName(MacroRecord& record, std::u16string_view name);

// The actions that carry meaning: the first actionCount, at most 2000 (a
// record from a damaged file may claim more than its slots).
std::span<const MacroAction> MacroActions(const MacroRecord& record);

// The default name of the macro numbered `number`: the localised prefix
// (MACRO_NEW_PREFIX, "Macro") followed by the number in decimal.
std::u16string DefaultMacroName(int number);

// The smallest id in 1..100 that none of `idsInUse` is; 0 when all are taken.
std::uint16_t SmallestFreeMacroId(std::span<const std::uint16_t> idsInUse);

// Makes `record` a new macro: all zero except the name, cycles 1, newFlag 1
// and the id.
void FillNewMacroRecord(MacroRecord& record, std::u16string_view name, std::uint16_t id);

// A new macro on the heap named `name`, with the smallest id that the editor's
// list (`idsInUse`) leaves free. Null when no id is free or memory runs out.
std::unique_ptr<MacroRecord> NewMacroRecord(std::u16string_view name,
                                            std::span<const std::uint16_t> idsInUse);

// Applying the editor's list turns every macro into an old one.
void ClearNewFlags(std::span<MacroRecord> records);

// A profile's macro list: one contiguous block of records in list order, so
// that it goes to and from the profile file in one piece. The profile that owns
// it guards it with its lock.
struct MacroList {
  std::vector<MacroRecord> records;

  std::uint16_t count() const noexcept { return static_cast<std::uint16_t>(records.size()); }
};

// Replaces the list by `count` zeroed records. False (the list then
// empty) when count is above 100 or memory runs out.
bool AllocateMacroList(MacroList& list, std::size_t count);

// Releases the record block; the count becomes 0. The caller holds the lock of
// the profile that owns the list.
void FreeMacroList(MacroList& list);

// The position of the first macro with `id`; 0 when there is none (the same as
// the first position, so a key whose macro is gone plays the first macro).
std::uint16_t MacroIndexOfId(std::span<const MacroRecord> macros, std::uint16_t id);

// The id of the macro at `index`; 0 when the index is negative or not below the count.
std::uint16_t MacroIdAtIndex(std::span<const MacroRecord> macros, int index);
