// Key assignments, the assignment area's layout and the packing of
// assignments into the keyboard's 3-byte key records and back.
#include "keyboard/key_assignment.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>

#include "localisation/text_slots.h"

namespace {

std::uint16_t ReadU16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8); }

std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteU16(std::uint16_t value, std::uint8_t* bytes) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

void WriteU32(std::uint32_t value, std::uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The eight modifier keys in the order of their bits in a modifier mask.
constexpr KeyCode kModifierKeys[8] = {
    0x01D,  // 0x01 Ctrl
    0x02A,  // 0x02 Shift
    0x038,  // 0x04 Alt
    0x15B,  // 0x08 Win
    0x11D,  // 0x10 Right Ctrl
    0x036,  // 0x20 Right Shift
    0x138,  // 0x40 Right Alt
    0x15C,  // 0x80 Right Win
};

constexpr DeviceKeyRecord kNoFunction = {{0, 0, 0}};

constexpr DeviceKeyRecord Record(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) { return {{b0, b1, b2}}; }

KeyAssignment Assignment(AssignmentType type, std::uint32_t param = 0) { return KeyAssignment{type, 0, param, 0, 0}; }

std::mutex defaultKeyTableLock;
DeviceKeyTable defaultKeyTable = kBuiltInDefaultKeyTable;

}  // namespace

KeyAssignment ReadKeyAssignment(const std::uint8_t* bytes) {
  return KeyAssignment{static_cast<AssignmentType>(ReadU16(bytes)), ReadU16(bytes + 2), ReadU32(bytes + 4),
                       ReadU32(bytes + 8), ReadU32(bytes + 12)};
}

void WriteKeyAssignment(const KeyAssignment& assignment, std::uint8_t* bytes) {
  WriteU16(static_cast<std::uint16_t>(assignment.type), bytes);
  WriteU16(assignment.gkey, bytes + 2);
  WriteU32(assignment.param, bytes + 4);
  WriteU32(assignment.colour, bytes + 8);
  WriteU32(assignment.reserved, bytes + 12);
}

std::u16string_view FunctionName(int function) {
  if (function < 0 || function >= kFunctionCount) return {};
  return Text(FunctionText(function));
}

// ---- AssignmentArea --------------------------------------------------------

int AssignmentIndex(int profile, int entry) {
  if (profile < 0 || profile >= kAreaProfileCount || entry < 0 || entry >= kEntriesPerProfile) return -1;
  return profile * kEntriesPerProfile + entry;
}

int GKeyEntry(int layer, int number) {
  if (layer < 0 || layer >= kGKeyLayerCount || number < 1 || number > kGKeysPerLayer) return -1;
  return kFirstGKeyEntry + layer * kGKeysPerLayer + number - 1;
}

GKeyId GKeyIdOfEntry(int entry) {
  if (entry < kFirstGKeyEntry || entry >= kGKeyEntryEnd) return 0;
  const int layer = (entry - kFirstGKeyEntry) / kGKeysPerLayer;
  const int number = (entry - kFirstGKeyEntry) % kGKeysPerLayer + 1;
  return static_cast<GKeyId>((layer == 0 ? kFirstLayerGKeyBase : kSecondLayerGKeyBase) + number);
}

ProfileEntries EntriesOfProfile(AssignmentArea& area, int profile) {
  if (AssignmentIndex(profile, 0) < 0) throw std::out_of_range("assignment profile");
  return ProfileEntries(area.data() + AssignmentIndex(profile, 0), kEntriesPerProfile);
}

ConstProfileEntries EntriesOfProfile(const AssignmentArea& area, int profile) {
  if (AssignmentIndex(profile, 0) < 0) throw std::out_of_range("assignment profile");
  return ConstProfileEntries(area.data() + AssignmentIndex(profile, 0), kEntriesPerProfile);
}

void ClearProfileEntries(ProfileEntries entries) {
  for (int entry = 0; entry < kEntriesPerProfile; ++entry) {
    entries[entry] = KeyAssignment{AssignmentType::Default, GKeyIdOfEntry(entry), 0, 0, 0};
  }
}

// ---- AssignmentText ----------------------------------------------------------

namespace {

const AssignmentTextSlot kNoText{};

}  // namespace

std::size_t AssignmentTextSlots::Position(int index) const {
  // Loading fills the records in order: after the last is the usual place.
  if (kept_.empty() || kept_.back().index < index) return kept_.size();
  const auto found = std::lower_bound(kept_.begin(), kept_.end(), index,
                                      [](const Kept& kept, int wanted) { return kept.index < wanted; });
  return static_cast<std::size_t>(found - kept_.begin());
}

const AssignmentTextSlot& AssignmentTextSlots::operator[](int index) const {
  const std::size_t at = Position(index);
  return at < kept_.size() && kept_[at].index == index ? kept_[at].slot : kNoText;
}

AssignmentTextSlot& AssignmentTextSlots::Make(int index) {
  const std::size_t at = Position(index);
  if (at == kept_.size() || kept_[at].index != index) kept_.insert(kept_.begin() + at, Kept{index, {}});
  return kept_[at].slot;
}

void AssignmentTextSlots::Erase(int index) {
  const std::size_t at = Position(index);
  if (at < kept_.size() && kept_[at].index == index) kept_.erase(kept_.begin() + at);
}

bool SetAssignmentText(AssignmentText& table, int index, std::u16string_view text) {
  if (index < 0 || index >= kAssignmentTextCount) return false;
  const std::uint32_t before = table.slots[index].byteLength;
  if (text.empty()) {
    table.slots.Erase(index);
    table.totalBytes -= before;
    return true;
  }
  AssignmentTextSlot& slot = table.slots.Make(index);
  slot.text.assign(text);
  slot.byteLength = static_cast<std::uint32_t>((text.size() + 1) * sizeof(char16_t));
  table.totalBytes += slot.byteLength - before;
  return true;
}

void ClearAssignmentText(AssignmentText& table) {
  table.slots.Clear();
  table.totalBytes = 0;
}

// ---- DefaultKeyTable -------------------------------------------------------

DeviceKeyTable DefaultKeyTable() {
  std::lock_guard<std::mutex> hold(defaultKeyTableLock);
  return defaultKeyTable;
}

void SetDefaultKeyTable(const DeviceKeyTable& table) {
  std::lock_guard<std::mutex> hold(defaultKeyTableLock);
  defaultKeyTable = table;
}

void ResetDefaultKeyTable() { SetDefaultKeyTable(kBuiltInDefaultKeyTable); }

// ---- Key records -------------------------------------------------------------

KeyCode ModifierBitToKeyCode(std::uint8_t mask) {
  for (int bit = 0; bit < 8; ++bit) {
    if (mask & (1u << bit)) return kModifierKeys[bit];
  }
  return kNoKey;
}

std::uint8_t KeyCodeToModifierBit(KeyCode code) {
  for (int bit = 0; bit < 8; ++bit) {
    if (code != kNoKey && kModifierKeys[bit] == code) return static_cast<std::uint8_t>(1u << bit);
  }
  return 0;
}

KeyCode DeviceRecordToKeyCode(const DeviceKeyRecord& record) {
  const std::uint8_t* b = record.bytes;
  const auto wideUsage = static_cast<std::uint16_t>(b[1] | b[2] << 8);
  switch (b[0]) {
    case kRecordKeyboard:
      if (b[1] != kKeyboardUsage) return ModifierBitToKeyCode(b[2]);
      return HidUsageToKeyCode({kHidPageKeyboard, b[2]});
    case kRecordConsumer:
      return HidUsageToKeyCode({kHidPageConsumer, wideUsage});
    case kRecordGenericDesktop:
      return HidUsageToKeyCode({kHidPageGenericDesktop, wideUsage});
    default:
      return kNoKey;
  }
}

DeviceKeyRecord PackAssignment(const KeyAssignment& assignment, const DeviceKeyRecord& defaultRecord,
                               const MacroIndexLookup& macroIndexOfId) {
  switch (assignment.type) {
    case AssignmentType::Default:
    case AssignmentType::LaunchProgram:
      return defaultRecord;
    case AssignmentType::Disabled:
    case AssignmentType::TextBlock:
      return kNoFunction;
    case AssignmentType::Key: {
      const auto key = static_cast<KeyCode>(assignment.param);
      if (const std::uint8_t bit = KeyCodeToModifierBit(key)) return Record(kRecordKeyboard, kKeyboardModifiers, bit);
      const HidUsagePair usage = KeyCodeToHidUsage(key);
      const std::uint8_t code = usage.page == kHidPageKeyboard ? static_cast<std::uint8_t>(usage.usage) : 0;
      return Record(kRecordKeyboard, kKeyboardUsage, code);
    }
    case AssignmentType::Macro: {
      const auto id = static_cast<std::uint16_t>(assignment.param);
      const std::uint16_t position = macroIndexOfId ? macroIndexOfId(id) : 0;
      return Record(kRecordAction, kActionPlayMacro, static_cast<std::uint8_t>(position));
    }
    case AssignmentType::StopMacro:
      return Record(kRecordAction, kActionStopMacro, 0);
    case AssignmentType::Media: {
      if (assignment.param >= kMediaKeyCount) return kNoFunction;
      const std::uint16_t usage = MediaKeyTable[assignment.param].consumerUsage;
      return Record(kRecordConsumer, static_cast<std::uint8_t>(usage), static_cast<std::uint8_t>(usage >> 8));
    }
    case AssignmentType::Function:
      return Record(kRecordAction, kActionFunction, static_cast<std::uint8_t>(assignment.param));
  }
  return kNoFunction;
}

KeyAssignment UnpackDeviceRecord(const DeviceKeyRecord& record, const DeviceKeyRecord& defaultRecord) {
  if (record == defaultRecord) return Assignment(AssignmentType::Default);
  const std::uint8_t* b = record.bytes;
  switch (b[0]) {
    case kRecordAction:
      if (b[1] == kActionPlayMacro) return Assignment(AssignmentType::Macro, b[2] + 1u);
      if (b[1] == kActionStopMacro) return Assignment(AssignmentType::StopMacro);
      if (b[1] == kActionFunction) return Assignment(AssignmentType::Function, b[2]);
      return Assignment(AssignmentType::Disabled);
    case kRecordConsumer: {
      const int index = MediaIndexOfConsumerUsage(static_cast<std::uint16_t>(b[1] | b[2] << 8));
      if (index < 0) return Assignment(AssignmentType::Disabled);
      return Assignment(AssignmentType::Media, static_cast<std::uint32_t>(index));
    }
    case kRecordKeyboard: {
      KeyCode key = kNoKey;
      if (b[1] == kKeyboardUsage) key = HidUsageToKeyCode({kHidPageKeyboard, b[2]});
      // An empty modifier mask sends no key: it reads back as Disabled, like
      // a usage that names no key, not as a Key assignment of key 0.
      if (b[1] == kKeyboardModifiers) key = ModifierBitToKeyCode(b[2]);
      if (key == kNoKey) return Assignment(AssignmentType::Disabled);
      return Assignment(AssignmentType::Key, key);
    }
    default:
      return Assignment(AssignmentType::Disabled);
  }
}

DeviceKeyTable BuildDeviceKeyTable(ConstProfileEntries entries, const DeviceKeyTable& defaults,
                                   const MacroIndexLookup& macroIndexOfId) {
  DeviceKeyTable table = defaults;
  // Positions from kDeviceKeyDataFirstPosition on are the keyboard's data
  // block; one of its records even reads as Alt, so they are never packed.
  for (int position = 0; position < kDeviceKeyDataFirstPosition; ++position) {
    const KeyCode key = DeviceRecordToKeyCode(defaults[position]);
    if (key == kNoKey) continue;
    table[position] = PackAssignment(entries[KeyCodeToSlot(key)], defaults[position], macroIndexOfId);
  }
  return table;
}

void ReadDeviceKeyTable(const DeviceKeyTable& table, const DeviceKeyTable& defaults, ProfileEntries entries) {
  ClearProfileEntries(entries);
  for (int position = 0; position < kDeviceKeyDataFirstPosition; ++position) {
    const KeyCode key = DeviceRecordToKeyCode(defaults[position]);
    // A position left at its default says nothing, and must not undo what
    // another position of the same key (the = key has two) has set.
    if (key == kNoKey || table[position] == defaults[position]) continue;
    entries[KeyCodeToSlot(key)] = UnpackDeviceRecord(table[position], defaults[position]);
  }
}
