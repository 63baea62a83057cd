// Key codes: the one number by which every part of the program names a key,
// the static tables that describe each key, and the conversions between key
// codes, Windows virtual-key codes and key messages, and the HID usages of the
// keyboard's own records.
//
// A key code is a PC/AT scan code set 1 value: 0x001-0x07F for keys sent
// without prefix, 0x100-0x17F for keys sent after E0 (0x100 plus the byte that
// follows E0). Pause (E1 1D 45) is 0x045 and Num Lock (a plain 45) is 0x145.
// 0x16E-0x17E are pseudo keys for mouse and application functions. 0 is no key.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using KeyCode = std::uint16_t;

// The row of a key code in KeyTable (0 to 255): slots 0-127 hold codes
// 0x000-0x07F, slots 128-255 hold codes 0x100-0x17F.
using KeySlot = int;

// A key's place in the key pickers: 0-105 for the keys offered there,
// 0x8001-0x8030 for other named keys, kNoListPosition for an empty row.
using KeyListPosition = std::uint16_t;

// The keyboard's own code for a key: 0x81-0x83 Generic Desktop usages (power
// down, sleep, wake up), 0xC0-0xDF consumer usages through ConsumerUsageTable,
// 0x00 and 0xFF none, anything else a usage of the Keyboard/Keypad page.
using DeviceKeyCode = std::uint8_t;

inline constexpr KeyCode kNoKey = 0;
inline constexpr int kKeySlotCount = 256;
inline constexpr KeyListPosition kNoListPosition = 0xFFFF;
inline constexpr int kPickerListPositionCount = 106;  // list positions 0 to 105
inline constexpr int kMediaKeyCount = 18;
inline constexpr int kKeyboardKeyCount = 104;

// The HID usage pages the keyboard's records use.
enum HidPage : std::uint16_t {
  kHidPageNone = 0,
  kHidPageGenericDesktop = 1,
  kHidPageKeyboard = 7,
  kHidPageConsumer = 12,
};

struct HidUsagePair {
  std::uint16_t page;   // HidPage
  std::uint16_t usage;

  friend bool operator==(const HidUsagePair&, const HidUsagePair&) = default;
};
static_assert(sizeof(HidUsagePair) == 4);

// One row of KeyTable. A media key has no fixed name: its name is the
// localised text of its media function (mediaIndex 0-17, else -1).
struct KeyTableRow {
  KeyListPosition listPosition;
  const char16_t* name;          // nullptr for an empty row and for media keys
  std::int8_t mediaIndex;
  std::uint8_t virtualKey;        // Windows VK; Num Lock on value for the number pad
  std::uint8_t secondVirtualKey;  // Num Lock off value for the number pad, else = virtualKey
  DeviceKeyCode deviceCode;
};

struct MediaKey {
  KeyCode keyCode;
  std::uint16_t consumerUsage;
};

// The static tables (key_table.cpp).
extern const std::array<KeyTableRow, kKeySlotCount> KeyTable;               // by slot
extern const std::array<std::uint16_t, 32> ConsumerUsageTable;              // by device code - 0xC0
extern const std::array<MediaKey, kMediaKeyCount> MediaKeyTable;            // by media index
extern const std::array<std::uint8_t, 256> VirtualKeyTable;                 // slot by VK, 0 none
extern const std::array<KeyCode, kKeyboardKeyCount> KeyboardKeys;           // the key buttons' order

// Slot conversions. A code outside the code space (0x080-0x0FF, 0x180 and up)
// has slot 0, the empty row; a slot outside 0-255 has no key.
KeySlot KeyCodeToSlot(KeyCode code);
KeyCode SlotToKeyCode(int slot);

// The row of a key code; the empty row for a code outside the code space.
const KeyTableRow& KeyRow(KeyCode code);

// The key's name: its fixed name, its media function's localised name, or the
// localised "Unknown Key: %03x" formatted with the code.
std::u16string KeyName(KeyCode code);

// Writes KeyName into `buffer`, cut to capacity - 1 characters and terminated.
// A capacity of 0 writes nothing. Callers pass 260.
void GetKeyName(KeyCode code, char16_t* buffer, std::size_t capacity);

// The first row (lowest slot) with the list position: its name (empty if
// none) and its key code (0 if none). Position 103 is Right Shift 0x036.
std::u16string GetListKeyName(int listPosition);
KeyCode ListPositionToKeyCode(int listPosition);
KeyListPosition KeyCodeToListPosition(KeyCode code);

// The usage the keyboard sends for a key, from the device code of its row:
// (0, 0) for none.
HidUsagePair KeyCodeToHidUsage(KeyCode code);

// The key with that usage: the lowest slot whose device code matches, so that
// keyboard usage 0x48 gives Pause (0x045), not Break (0x146). 0 if none.
KeyCode HidUsageToKeyCode(HidUsagePair usage);

// Virtual-key code to key code through VirtualKeyTable; 0 if none.
KeyCode VirtualKeyToKeyCode(int virtualKey);

// The key of a key message (WM_KEYDOWN and the like, or a hook's copy of one):
// the scan code and extended bit of lParam where they agree with the
// virtual-key code, else the virtual-key code's key. 0 if none.
KeyCode KeyMessageToKeyCode(int virtualKey, std::intptr_t lParam);

// Keys for which Windows reports only the release: Sys Req, the two language
// keys 0x071 and 0x072, and Print Screen.
bool IsUpOnlyKey(KeyCode code);

// The media index of a consumer usage (-1 if none), and of a key code (-1 if
// the key is not a media key).
int MediaIndexOfConsumerUsage(std::uint16_t usage);
int MediaIndexOfKeyCode(KeyCode code);
