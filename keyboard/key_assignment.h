// Key assignments: what each key of each profile does instead of its default,
// the shared area that holds them, and their packing to and from the
// keyboard's own 3-byte key records.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/key_codes.h"

enum class AssignmentType : std::uint16_t {
  Default = 0,        // param 0: the key's default function
  Disabled = 1,       // param 0: nothing
  Key = 2,            // param: key code to send instead
  LaunchProgram = 3,  // param: text reference; the keyboard keeps the default
  Macro = 4,          // param: macro id (u16)
  StopMacro = 5,      // param 0
  TextBlock = 6,      // param: text reference; nothing on the keyboard
  Media = 7,          // param: media index 0-17
  Function = 8,       // param: function number, see KeyFunction
};
inline constexpr int kAssignmentTypeCount = 9;

// One entry of the assignment area: 16 bytes, little-endian in profile files.
struct KeyAssignment {
  AssignmentType type;
  std::uint16_t gkey;    // GKeyId of a G-key entry, 0 for a key; a macro's play count
  std::uint32_t param;
  std::uint32_t colour;  // the key's mark in the key grid's colour display, 0 or 1
  std::uint32_t reserved;

  friend bool operator==(const KeyAssignment&, const KeyAssignment&) = default;
};
static_assert(sizeof(KeyAssignment) == 16);

inline constexpr std::size_t kKeyAssignmentBytes = 16;

// Byte-exact little-endian form of an entry, whatever the host's byte order.
KeyAssignment ReadKeyAssignment(const std::uint8_t* bytes);
void WriteKeyAssignment(const KeyAssignment& assignment, std::uint8_t* bytes);

// The editing functions of type Function, numbered as the keyboard knows them.
enum KeyFunction : int {
  kFunctionOpen = 0,
  kFunctionNew = 1,
  kFunctionUndo = 2,
  kFunctionSave = 3,
  kFunctionCopy = 4,
  kFunctionCut = 5,
  kFunctionPaste = 6,
  kFunctionFind = 7,
  kFunctionSelectAll = 8,
  kFunctionZoomOut = 9,
  kFunctionZoomIn = 10,
};
inline constexpr int kFunctionCount = 11;

// The localised name of a function number ("Open" ... "Zoom+"); empty if none.
std::u16string_view FunctionName(int function);

// ---- AssignmentArea: 4 profiles x 512 entries ----------------------------

using GKeyId = std::uint16_t;

inline constexpr int kAreaProfileCount = 4;      // profiles 0-2 and a spare bank
inline constexpr int kKeyboardProfileCount = 3;  // the profiles the keyboard holds
inline constexpr bool IsKeyboardProfile(int profile) { return profile >= 0 && profile < kKeyboardProfileCount; }
inline constexpr int kEntriesPerProfile = 512;
inline constexpr int kAreaEntryCount = kAreaProfileCount * kEntriesPerProfile;
inline constexpr std::size_t kAssignmentAreaBytes = kAreaEntryCount * kKeyAssignmentBytes;
static_assert(kAssignmentAreaBytes == 32768);

// Entries 0-255 are the keys by KeySlot; then G1-G9 of the first layer and
// G1-G9 of the second layer; entries 274-511 are unused and zero.
inline constexpr int kGKeysPerLayer = 9;
inline constexpr int kGKeyLayerCount = 2;
inline constexpr int kFirstGKeyEntry = 256;
inline constexpr int kGKeyEntryEnd = kFirstGKeyEntry + kGKeyLayerCount * kGKeysPerLayer;  // 274
inline constexpr GKeyId kFirstLayerGKeyBase = 0x0300;   // G1 is 0x0301
inline constexpr GKeyId kSecondLayerGKeyBase = 0x1300;  // G1 is 0x1301

using AssignmentArea = std::array<KeyAssignment, kAreaEntryCount>;
using ProfileEntries = std::span<KeyAssignment, kEntriesPerProfile>;
using ConstProfileEntries = std::span<const KeyAssignment, kEntriesPerProfile>;

// Index of entry `entry` of profile `profile` in the area; -1 out of range.
int AssignmentIndex(int profile, int entry);

// The entry of G key `number` (1-9) of `layer` (0 or 1); -1 out of range.
int GKeyEntry(int layer, int number);

// The GKeyId an entry carries (0 for entries that are not G keys).
GKeyId GKeyIdOfEntry(int entry);

// The 512 entries of one profile of the area.
ProfileEntries EntriesOfProfile(AssignmentArea& area, int profile);
ConstProfileEntries EntriesOfProfile(const AssignmentArea& area, int profile);

// Zeroes a profile's entries and writes the G-key ids into its G-key entries.
void ClearProfileEntries(ProfileEntries entries);

// ---- AssignmentText: the program paths and text blocks -------------------

inline constexpr int kAssignmentTextCount = kAreaEntryCount;  // index profile * 512 + entry

// One text slot: the text and its byte length including the terminator
// (0 when empty).
struct AssignmentTextSlot {
  std::u16string text;
  std::uint32_t byteLength = 0;
};

// The slots of the records that have a text, by record number. A profile has
// none or a few, so only those are kept: a table then costs next to nothing to
// make, move and free, which every load and every copy of a profile does
// (a slot for each of the 2048 records made each of them cost as much as
// reading the file). A record without a text reads as an empty slot.
class AssignmentTextSlots {
 public:
  const AssignmentTextSlot& operator[](int index) const;
  // The slot of `index`, made empty when the record has none yet.
  AssignmentTextSlot& Make(int index);
  void Erase(int index);
  void Clear() { kept_.clear(); }

 private:
  struct Kept {
    int index;
    AssignmentTextSlot slot;
  };
  // Where the slot of `index` is or would go.
  std::size_t Position(int index) const;
  std::vector<Kept> kept_;  // in record order
};

struct AssignmentText {
  AssignmentTextSlots slots;
  std::uint32_t totalBytes = 0;  // sum of the slots' byte lengths
};

// Puts `text` in slot `index`, or empties it for an empty text, keeping the
// total. False for an index out of range.
bool SetAssignmentText(AssignmentText& table, int index, std::u16string_view text);

// Empties every slot; the total becomes 0.
void ClearAssignmentText(AssignmentText& table);

// ---- The keyboard's key records -------------------------------------------

// The keyboard's description of one key position.
struct DeviceKeyRecord {
  std::uint8_t bytes[3];

  friend bool operator==(const DeviceKeyRecord&, const DeviceKeyRecord&) = default;
};
static_assert(sizeof(DeviceKeyRecord) == 3);

// Byte 0 of a record.
enum DeviceRecordKind : std::uint8_t {
  kRecordNone = 0,
  kRecordKeyboard = 2,        // byte 1: kKeyboardModifiers or kKeyboardUsage
  kRecordConsumer = 3,        // bytes 1-2: consumer usage, low byte first
  kRecordGenericDesktop = 4,  // bytes 1-2: Generic Desktop usage, low byte first
  kRecordAction = 5,          // byte 1: kActionPlayMacro, kActionStopMacro or kActionFunction
};
inline constexpr std::uint8_t kKeyboardModifiers = 1;  // byte 2: modifier mask
inline constexpr std::uint8_t kKeyboardUsage = 2;      // byte 2: keyboard-page usage
inline constexpr std::uint8_t kActionPlayMacro = 1;    // byte 2: macro number
inline constexpr std::uint8_t kActionStopMacro = 2;
inline constexpr std::uint8_t kActionFunction = 5;     // byte 2: function number

inline constexpr int kDeviceKeyPositionCount = 160;
// Positions 136-159 hold a data block of the keyboard (it begins AA 55), not
// key positions: they are always sent back as the default table holds them.
inline constexpr int kDeviceKeyDataFirstPosition = 136;

using DeviceKeyTable = std::array<DeviceKeyRecord, kDeviceKeyPositionCount>;
static_assert(sizeof(DeviceKeyTable) == 480);

// The built-in default table, standing in until the keyboard's own is read.
extern const DeviceKeyTable kBuiltInDefaultKeyTable;

// The keyboard's default table, read from the keyboard each time it attaches.
// Process-wide; written by the attach worker, read by the download.
DeviceKeyTable DefaultKeyTable();
void SetDefaultKeyTable(const DeviceKeyTable& table);
void ResetDefaultKeyTable();  // back to the built-in table

// The key code of the lowest set bit of a modifier mask; 0 for 0.
KeyCode ModifierBitToKeyCode(std::uint8_t mask);

// The modifier bit of one of the eight modifier keys; 0 for any other key.
std::uint8_t KeyCodeToModifierBit(KeyCode code);

// The key a record sends, 0 if it sends no key.
KeyCode DeviceRecordToKeyCode(const DeviceKeyRecord& record);

// The position (0-based) in the profile's macro list of the macro with an id;
// 0 when no macro has that id.
using MacroIndexLookup = std::function<std::uint16_t(std::uint16_t macroId)>;

// The record the keyboard is given for an assignment at a position whose
// default record is `defaultRecord`. An unknown type or a media index of 18
// or more gives 00 00 00, no function.
DeviceKeyRecord PackAssignment(const KeyAssignment& assignment, const DeviceKeyRecord& defaultRecord,
                               const MacroIndexLookup& macroIndexOfId);

// The assignment a record read back from the keyboard stands for.
KeyAssignment UnpackDeviceRecord(const DeviceKeyRecord& record, const DeviceKeyRecord& defaultRecord);

// The keyboard's table for one profile: each key position of `defaults` with
// the profile's entry for its key packed into it. Positions that map to no key
// and the data block from position 136 keep their default records.
DeviceKeyTable BuildDeviceKeyTable(ConstProfileEntries entries, const DeviceKeyTable& defaults,
                                   const MacroIndexLookup& macroIndexOfId);

// Reads a profile's table back into its entries: the entries are cleared and
// their G-key ids set, then each key position that differs from its default
// record gives its key's assignment. The data block from position 136 is skipped.
void ReadDeviceKeyTable(const DeviceKeyTable& table, const DeviceKeyTable& defaults, ProfileEntries entries);
