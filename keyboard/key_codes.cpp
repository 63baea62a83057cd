// Conversions between key codes, slots, names, virtual-key codes, key
// messages and HID usages, over the tables of key_table.cpp.
#include "keyboard/key_codes.h"

#include <algorithm>

#include "localisation/text_slots.h"

namespace {

bool InCodeSpace(KeyCode code) { return code <= 0x7F || (code >= 0x100 && code <= 0x17F); }

bool IsEmptyRow(const KeyTableRow& row) { return row.listPosition == kNoListPosition; }

// Device codes that stand for a usage of the Keyboard/Keypad page; the rest
// are none (0x00, 0xFF), Generic Desktop (0x81-0x83) or consumer (0xC0-0xDF).
bool IsKeyboardPageDeviceCode(unsigned code) {
  return code != 0x00 && code < 0xFF && !(code >= 0x81 && code <= 0x83) && !(code >= 0xC0 && code <= 0xDF);
}

// The lowest slot whose row has `listPosition`; -1 if none.
int SlotOfListPosition(int listPosition) {
  if (listPosition < 0 || listPosition >= kNoListPosition) return -1;
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    if (KeyTable[slot].listPosition == listPosition) return slot;
  }
  return -1;
}

}  // namespace

KeySlot KeyCodeToSlot(KeyCode code) {
  if (!InCodeSpace(code)) return 0;
  return code < 0x100 ? code : (code - 0x80) & 0xFF;
}

KeyCode SlotToKeyCode(int slot) {
  if (slot < 0 || slot >= kKeySlotCount) return kNoKey;
  return static_cast<KeyCode>(slot < 128 ? slot : slot + 128);
}

const KeyTableRow& KeyRow(KeyCode code) { return KeyTable[KeyCodeToSlot(code)]; }

std::u16string KeyName(KeyCode code) {
  const KeyTableRow& row = KeyRow(code);
  std::u16string_view name;
  if (row.mediaIndex >= 0) {
    name = Text(MediaKeyText(row.mediaIndex));
  } else if (row.name != nullptr) {
    name = row.name;
  }
  if (!name.empty()) return std::u16string(name);
  return FormatText(Text(TextKey::UNKNOWN_KEY), code);
}

void GetKeyName(KeyCode code, char16_t* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return;
  const std::u16string name = KeyName(code);
  const std::size_t length = std::min(name.size(), capacity - 1);
  std::copy_n(name.data(), length, buffer);
  buffer[length] = u'\0';
}

std::u16string GetListKeyName(int listPosition) {
  const int slot = SlotOfListPosition(listPosition);
  if (slot < 0) return std::u16string();
  return KeyName(SlotToKeyCode(slot));
}

KeyCode ListPositionToKeyCode(int listPosition) {
  const int slot = SlotOfListPosition(listPosition);
  return slot < 0 ? kNoKey : SlotToKeyCode(slot);
}

KeyListPosition KeyCodeToListPosition(KeyCode code) { return KeyRow(code).listPosition; }

HidUsagePair KeyCodeToHidUsage(KeyCode code) {
  const DeviceKeyCode device = KeyRow(code).deviceCode;
  if (device == 0x00 || device == 0xFF) return {kHidPageNone, 0};
  if (device >= 0x81 && device <= 0x83) return {kHidPageGenericDesktop, device};
  if (device >= 0xC0 && device <= 0xDF) return {kHidPageConsumer, ConsumerUsageTable[device - 0xC0]};
  return {kHidPageKeyboard, device};
}

KeyCode HidUsageToKeyCode(HidUsagePair usage) {
  unsigned device = 0;
  switch (usage.page) {
    case kHidPageKeyboard:
      // Device codes outside the keyboard page's share of the code space mean
      // something else, so a keyboard usage there names no key.
      if (IsKeyboardPageDeviceCode(usage.usage)) device = usage.usage;
      break;
    case kHidPageGenericDesktop:
      if (usage.usage >= 0x81 && usage.usage <= 0x83) device = usage.usage;
      break;
    case kHidPageConsumer:
      // Usage 0 is no usage; it must not match the unused tail of the table.
      if (usage.usage == 0) break;
      for (int index = 0; index < static_cast<int>(ConsumerUsageTable.size()); ++index) {
        if (ConsumerUsageTable[index] == usage.usage) {
          device = 0xC0 + index;
          break;
        }
      }
      break;
    default:
      break;
  }
  if (device == 0) return kNoKey;
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    if (KeyTable[slot].deviceCode == device) return SlotToKeyCode(slot);
  }
  return kNoKey;
}

KeyCode VirtualKeyToKeyCode(int virtualKey) {
  if (virtualKey < 0 || virtualKey >= static_cast<int>(VirtualKeyTable.size())) return kNoKey;
  const int slot = VirtualKeyTable[virtualKey];
  return slot == 0 ? kNoKey : SlotToKeyCode(slot);
}

KeyCode KeyMessageToKeyCode(int virtualKey, std::intptr_t lParam) {
  const KeyCode byVirtualKey = VirtualKeyToKeyCode(virtualKey);
  // Bits 16-23 of lParam are the scan code, bit 24 the extended-key flag.
  const auto scan = static_cast<KeyCode>((static_cast<std::uintptr_t>(lParam) >> 16) & 0x1FF);
  // Right Shift reports its plain scan code whatever VK it comes with.
  if (scan == 0x036) return 0x036;
  // VK 0xFF: Windows has no VK for the key; the scan code is all there is.
  if (virtualKey == 0xFF) return scan;
  if (scan == 0) return byVirtualKey;
  const KeyTableRow& row = KeyRow(scan);
  if (!IsEmptyRow(row) && (row.virtualKey == virtualKey || row.secondVirtualKey == virtualKey)) return scan;
  if (byVirtualKey != kNoKey && VirtualKeyTable[virtualKey] == (scan & 0xFF)) return scan;
  return byVirtualKey;
}

bool IsUpOnlyKey(KeyCode code) { return code == 0x054 || code == 0x071 || code == 0x072 || code == 0x137; }

int MediaIndexOfConsumerUsage(std::uint16_t usage) {
  for (int index = 0; index < kMediaKeyCount; ++index) {
    if (MediaKeyTable[index].consumerUsage == usage) return index;
  }
  return -1;
}

int MediaIndexOfKeyCode(KeyCode code) {
  for (int index = 0; index < kMediaKeyCount; ++index) {
    if (code != kNoKey && MediaKeyTable[index].keyCode == code) return index;
  }
  return -1;
}
