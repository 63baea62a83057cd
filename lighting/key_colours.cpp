#include "lighting/key_colours.h"

namespace {

constexpr KeyCode kEquals = 0x00D;
constexpr KeyCode kRightWin = 0x15C;
constexpr int kEqualsPosition = 105;
constexpr int kRightWinPosition = 30;
constexpr int kFirstGKeyPosition = 1;   // G1 to G5 light positions 1 to 5
constexpr int kGKeysWithOwnPosition = 5;
constexpr int kSharedGKeyPosition = 0;  // G6 to G9

std::array<int, kPaintableButtonCount> BuildButtonPositions() {
  std::array<int, kPaintableButtonCount> positions{};
  for (int button = 0; button < kKeyboardKeyCount; ++button) {
    const KeyCode key = KeyboardKeys[button];
    int position = -1;
    if (key == kEquals) {
      position = kEqualsPosition;
    } else if (key == kRightWin) {
      position = kRightWinPosition;
    } else {
      for (int p = 0; p < kDeviceKeyDataFirstPosition && position < 0; ++p)
        if (DeviceRecordToKeyCode(kBuiltInDefaultKeyTable[p]) == key) position = p;
    }
    positions[button] = position;
  }
  positions[kFnButton] = kFnColourPosition;
  return positions;
}

}  // namespace

int KeyColourPosition(int button) {
  static const std::array<int, kPaintableButtonCount> positions = BuildButtonPositions();
  if (button < 0 || button >= kPaintableButtonCount) return -1;
  return positions[button];
}

int ExtraKeyColourPosition(int extraKey) {
  if (extraKey < 0 || extraKey >= kExtraKeyButtonCount) return -1;
  return extraKey < kGKeysWithOwnPosition ? kFirstGKeyPosition + extraKey : kSharedGKeyPosition;
}

KeyColourChunk ChunkOfKeyColours(const KeyColourTable& table, int chunk) {
  KeyColourChunk bytes{};
  for (int i = 0; i < kKeyColourChunkPositions; ++i) {
    const Rgb& colour = table[chunk * kKeyColourChunkPositions + i];
    bytes[3 * i] = colour.r;
    bytes[3 * i + 1] = colour.g;
    bytes[3 * i + 2] = colour.b;
  }
  return bytes;
}

void PutKeyColourChunk(KeyColourTable& table, int chunk, std::span<const std::uint8_t, kKeyColourChunkBytes> bytes) {
  for (int i = 0; i < kKeyColourChunkPositions; ++i)
    table[chunk * kKeyColourChunkPositions + i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
}
