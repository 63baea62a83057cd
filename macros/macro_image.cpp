#include "macros/macro_image.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "keyboard/key_assignment.h"
#include "keyboard/key_codes.h"

namespace {

constexpr std::uint16_t kDelayMask = 0x0FFF;
constexpr int kClassShift = 12;
constexpr std::uint16_t kClassMask = 0x7;
constexpr std::uint16_t kPressBit = 0x8000;

std::uint16_t GetU16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

void PutU16(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The key record a macro action sends for a key. Unlike a Key assignment, a
// macro action also carries consumer and system usages.
DeviceKeyRecord ActionKeyRecord(KeyCode key) {
  const HidUsagePair usage = KeyCodeToHidUsage(key);
  const auto low = static_cast<std::uint8_t>(usage.usage);
  const auto high = static_cast<std::uint8_t>(usage.usage >> 8);
  switch (usage.page) {
    case kHidPageKeyboard:
      // The modifier test is made on the key code, not on the usage.
      if (const std::uint8_t bit = KeyCodeToModifierBit(key)) return {{kRecordKeyboard, kKeyboardModifiers, bit}};
      return {{kRecordKeyboard, kKeyboardUsage, low}};
    case kHidPageConsumer:
      return {{kRecordConsumer, low, high}};
    case kHidPageGenericDesktop:
      return {{kRecordGenericDesktop, low, high}};
    default:
      return {{kRecordNone, 0, 0}};
  }
}

// A macro's block without its name.
std::size_t BaseBlockSize(const MacroRecord& record) {
  return kMacroBlockHeadSize + kImageActionSize * MacroActions(record).size();
}

// Where one macro's block lies in an image, once checked.
struct BlockPlace {
  std::size_t offset;
  std::size_t actionCount;
  std::size_t nameLength;
};

// Checks the block of macro i against the image's own size.
bool FindBlock(std::span<const std::uint8_t> image, std::size_t macroCount, std::size_t i, BlockPlace& place) {
  const std::size_t blocksStart = kMacroImageHeaderSize + 2 * macroCount;
  const std::size_t offset = GetU16(image, kMacroImageHeaderSize + 2 * i);
  if (offset < blocksStart || offset + kMacroBlockHeadSize > image.size()) return false;
  const std::size_t actionCount = GetU16(image, offset);
  const std::size_t nameLength = image[offset + 3];
  if (actionCount > kMaxMacroActions || nameLength > kMaxMacroNameLength) return false;
  const std::size_t end = offset + kMacroBlockHeadSize + kImageActionSize * actionCount + 2 * nameLength;
  if (end > image.size()) return false;
  place = {offset, actionCount, nameLength};
  return true;
}

void FillRecord(MacroRecord& record, std::span<const std::uint8_t> image, const BlockPlace& place,
                std::size_t position) {
  std::memset(&record, 0, sizeof record);
  record.cycles = image[place.offset + 2];
  record.id = static_cast<std::uint16_t>(position + 1);
  record.actionCount = static_cast<std::uint16_t>(place.actionCount);
  std::size_t at = place.offset + kMacroBlockHeadSize;
  for (std::size_t j = 0; j < place.actionCount; ++j, at += kImageActionSize) {
    record.actions[j] = DecodeImageAction({image[at], image[at + 1], image[at + 2], image[at + 3]});
  }
  std::u16string name(place.nameLength, u'\0');
  for (std::size_t k = 0; k < place.nameLength; ++k, at += 2) name[k] = GetU16(image, at);
  SetMacroName(record, name);
  // A block without a name, or whose name begins with a terminator, gives the
  // macro its default name.
  if (MacroName(record).empty()) SetMacroName(record, DefaultMacroName(static_cast<int>(position + 1)));
}

}  // namespace

ImageAction EncodeImageAction(const MacroAction& action) {
  std::uint32_t tenths = action.delayMs / 10;
  if (tenths > kDelayMask) tenths = kLongestImageDelayMs / 10;
  const DeviceKeyRecord record = ActionKeyRecord(action.keyCode);
  std::uint16_t head = static_cast<std::uint16_t>(tenths | (record.bytes[0] << kClassShift));
  if (action.direction != kMacroRelease) head |= kPressBit;
  return {static_cast<std::uint8_t>(head), static_cast<std::uint8_t>(head >> 8), record.bytes[1], record.bytes[2]};
}

MacroAction DecodeImageAction(const ImageAction& bytes) {
  const auto head = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
  const DeviceKeyRecord record{{static_cast<std::uint8_t>((head >> kClassShift) & kClassMask), bytes[2], bytes[3]}};
  MacroAction action{};
  action.delayMs = (head & kDelayMask) * 10u;
  action.keyCode = DeviceRecordToKeyCode(record);
  action.direction = (head & kPressBit) ? kMacroPress : kMacroRelease;
  return action;
}

bool PlaysAlike(const MacroRecord& a, const MacroRecord& b) {
  const std::span<const MacroAction> actionsA = MacroActions(a), actionsB = MacroActions(b);
  const auto sentAlike = [](const MacroAction& x, const MacroAction& y) {
    return EncodeImageAction(x) == EncodeImageAction(y);
  };
  return a.cycles == b.cycles &&
         std::equal(actionsA.begin(), actionsA.end(), actionsB.begin(), actionsB.end(), sentAlike);
}

MacroImageSizes ComputeMacroImageSizes(std::span<const MacroRecord> macros) {
  // Sums in 64 bits: a damaged list must not wrap to a size that looks small.
  std::uint64_t base = kMacroImageHeaderSize + 2 * macros.size();
  std::uint64_t names = 0;
  for (const MacroRecord& record : macros) {
    base += BaseBlockSize(record);
    names += 2 * MacroName(record).size();
  }
  const auto clamp = [](std::uint64_t size) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, UINT32_MAX));
  };
  return {clamp(base + names), clamp(base)};
}

bool BuildMacroImage(std::span<const MacroRecord> macros, std::span<std::uint8_t> buffer,
                    std::uint32_t imageSize, bool withNames) {
  if (macros.size() > kMaxMacros) return false;
  const MacroImageSizes sizes = ComputeMacroImageSizes(macros);
  const std::uint32_t size = withNames ? sizes.fullSize : sizes.baseSize;
  if (imageSize != size || size > kMaxMacroImageSize || size > buffer.size()) return false;

  std::span<std::uint8_t> image = buffer.first(size);
  PutU16(image, 0, kMacroImageMagic);
  PutU16(image, 2, size);
  PutU16(image, 4, static_cast<std::uint32_t>(macros.size()));
  PutU16(image, 6, withNames ? 1 : 0);
  std::fill(image.begin() + 8, image.begin() + kMacroImageHeaderSize, std::uint8_t{0});

  std::size_t at = kMacroImageHeaderSize + 2 * macros.size();
  for (std::size_t i = 0; i < macros.size(); ++i) {
    const MacroRecord& record = macros[i];
    const std::span<const MacroAction> actions = MacroActions(record);
    const std::u16string_view name = withNames ? MacroName(record) : std::u16string_view();
    PutU16(image, kMacroImageHeaderSize + 2 * i, static_cast<std::uint32_t>(at));
    PutU16(image, at, static_cast<std::uint32_t>(actions.size()));
    image[at + 2] = record.cycles;
    image[at + 3] = static_cast<std::uint8_t>(name.size());
    at += kMacroBlockHeadSize;
    for (const MacroAction& action : actions) {
      const ImageAction encoded = EncodeImageAction(action);
      std::copy(encoded.begin(), encoded.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
      at += kImageActionSize;
    }
    for (char16_t unit : name) {
      PutU16(image, at, unit);
      at += 2;
    }
  }
  return true;
}

bool ReadMacroImageHeader(std::span<const std::uint8_t> bytes, MacroImageHeader& header) {
  if (bytes.size() < kMacroImageHeaderSize || GetU16(bytes, 0) != kMacroImageMagic) return false;
  const MacroImageHeader read{GetU16(bytes, 2), GetU16(bytes, 4), GetU16(bytes, 6)};
  if (read.macroCount > kMaxMacros) return false;
  if (read.imageSize < kMacroImageHeaderSize + 2 * read.macroCount) return false;
  header = read;
  return true;
}

int ParseMacroImage(std::span<MacroRecord> records, std::span<const std::uint8_t> image) {
  MacroImageHeader header{};
  if (!ReadMacroImageHeader(image, header)) return 0;
  if (header.imageSize > image.size() || header.macroCount > records.size()) return 0;
  // Blocks are checked against the size the header gives, not against
  // whatever follows the image in the caller's buffer.
  image = image.first(header.imageSize);

  // Every block is checked before any record is written, so a bad image
  // leaves the records as they were.
  BlockPlace places[kMaxMacros];
  for (std::size_t i = 0; i < header.macroCount; ++i) {
    if (!FindBlock(image, header.macroCount, i, places[i])) return 0;
  }
  for (std::size_t i = 0; i < header.macroCount; ++i) FillRecord(records[i], image, places[i], i);
  return header.macroCount;
}
