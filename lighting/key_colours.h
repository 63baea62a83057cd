// The keyboard's colour of every key position, and which position each button
// of the key grid lights.
//
// The keyboard keeps three colour bytes (R, G, B) for each of its 162 key
// positions, in the order of the positions of its key table. The key buttons
// are named by index here: key button i is the key at position i of
// KeyboardKeys, kFnButton the Fn button that follows them, extra key j G1 to
// G9 (0 to 8).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "keyboard/key_assignment.h"
#include "keyboard/key_codes.h"

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  friend bool operator==(const Rgb&, const Rgb&) = default;
};
static_assert(sizeof(Rgb) == 3);

inline constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
inline constexpr Rgb kBlack{0x00, 0x00, 0x00};

inline constexpr int kKeyColourPositions = 162;
inline constexpr std::size_t kKeyColourTableBytes = kKeyColourPositions * sizeof(Rgb);
static_assert(kKeyColourTableBytes == 486);

using KeyColourTable = std::array<Rgb, kKeyColourPositions>;

// The table moves in nine chunks of 18 positions (54 bytes), one command each.
inline constexpr int kKeyColourChunkPositions = 18;
inline constexpr int kKeyColourChunks = kKeyColourPositions / kKeyColourChunkPositions;
inline constexpr std::size_t kKeyColourChunkBytes = kKeyColourChunkPositions * sizeof(Rgb);
static_assert(kKeyColourChunks * kKeyColourChunkPositions == kKeyColourPositions);

// The buttons a per-key tool paints: the key buttons, then Fn.
inline constexpr int kFnButton = kKeyboardKeyCount;
inline constexpr int kPaintableButtonCount = kKeyboardKeyCount + 1;
inline constexpr int kFnColourPosition = 53;
inline constexpr int kExtraKeyButtonCount = kGKeysPerLayer;  // G1 to G9

// The position key button `button` (or kFnButton) lights: the position its key
// has in the built-in default key table; = uses 105 (the table holds it twice)
// and Right Win, which the table lacks, 30. -1 for an index out of range.
int KeyColourPosition(int button);

// The position extra key j lights: G1 to G5 positions 1 to 5, G6 to G9 share
// position 0. -1 for an index out of range.
int ExtraKeyColourPosition(int extraKey);

// Chunk `chunk` (0 to 8) as it goes over the wire: its 18 positions, R, G, B
// each, from position chunk x 18.
using KeyColourChunk = std::array<std::uint8_t, kKeyColourChunkBytes>;
KeyColourChunk ChunkOfKeyColours(const KeyColourTable& table, int chunk);
void PutKeyColourChunk(KeyColourTable& table, int chunk, std::span<const std::uint8_t, kKeyColourChunkBytes> bytes);
