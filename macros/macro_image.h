// The keyboard's macro image: the compact form in which the keyboard keeps a
// profile's macros in its own macro memory. It is built from the applied
// profile's macro list for a download, and parsed back into macro records when
// a profile is read from the keyboard.
//
// Layout (little-endian, offsets from the start of the image):
//   0   u16  magic 0x55AA (bytes AA 55)
//   2   u16  image size, header included
//   4   u16  macro count n
//   6   u16  names flag: 1 = every block carries its macro's name
//   8   8    reserved (written 0)
//   16  2·n  offset of each macro's block, in list order
//   then the blocks, back to back. A block:
//   0   u16  action count m
//   2   u8   cycles
//   3   u8   name length L in UTF-16 units (0 without names)
//   4   4·m  the actions (ImageAction)
//   then L UTF-16 units of name, no terminator
//
// An ImageAction is 4 bytes: a u16 with the delay in tens of milliseconds in
// bits 0-11, the usage class in bits 12-14 and the press bit in bit 15, then
// two usage bytes. Class and usage bytes form a DeviceKeyRecord: class 2 with
// 01 and a modifier mask or 02 and a keyboard usage, class 3 a consumer usage
// and class 4 a Generic Desktop usage (low byte first), class 0 no key.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "macros/macro_record.h"

inline constexpr std::uint16_t kMacroImageMagic = 0x55AA;
inline constexpr std::size_t kMacroImageHeaderSize = 16;
inline constexpr std::size_t kMacroBlockHeadSize = 4;
inline constexpr std::size_t kImageActionSize = 4;
// The size field and the block offsets are 16 bits wide.
inline constexpr std::size_t kMaxMacroImageSize = 0xFFFF;
// A delay too long for the 12-bit field is sent as the longest delay the
// editor lets the user type, rather than wrapping to a short one.
inline constexpr std::uint32_t kLongestImageDelayMs = 40000;

// Bits 12-14 of an ImageAction.
enum ImageUsageClass : std::uint8_t {
  kImageClassNone = 0,
  kImageClassKeyboard = 2,
  kImageClassConsumer = 3,
  kImageClassSystem = 4,
};

using ImageAction = std::array<std::uint8_t, kImageActionSize>;

// One action as the image carries it. The delay is cut to tens of
// milliseconds; from 40 960 ms on it becomes 40 000 ms. A key without a device
// code becomes class 0 with usage bytes 00 00.
ImageAction EncodeImageAction(const MacroAction& action);

// An action read back from an image: its delay in ms, the key its record sends
// (0 for none) and its direction.
MacroAction DecodeImageAction(const ImageAction& bytes);

// Whether the keyboard plays two macros alike: the same play count and the
// same actions as its image carries them (delays in tens of milliseconds, keys
// as their usages). Names aside: the image may not keep them.
bool PlaysAlike(const MacroRecord& a, const MacroRecord& b);

struct MacroImageSizes {
  std::uint32_t fullSize;  // with every macro's name
  std::uint32_t baseSize;  // without names
};

// baseSize = 16 + 2·n + Σ (4 + 4·m), fullSize = baseSize + Σ 2·L, with m and L
// as MacroActions and MacroName of each record give them.
MacroImageSizes ComputeMacroImageSizes(std::span<const MacroRecord> macros);

// Writes the image of `macros` to the start of `buffer`: exactly imageSize
// bytes, which must be the fullSize (withNames) or baseSize (without) of
// ComputeMacroImageSizes; nothing else in the buffer is touched. False, with
// nothing written, when imageSize is not that size, the buffer is
// shorter, the image would exceed 65 535 bytes or the list holds more than 100
// macros.
bool BuildMacroImage(std::span<const MacroRecord> macros, std::span<std::uint8_t> buffer,
                    std::uint32_t imageSize, bool withNames);

struct MacroImageHeader {
  std::uint16_t imageSize;
  std::uint16_t macroCount;
  std::uint16_t namesFlag;
};

// Reads the first 16 bytes of an image. True when they hold the magic, a
// macro count of at most 100 and an image size that covers the header and the
// offset table; false otherwise (the keyboard then counts as holding no macros).
bool ReadMacroImageHeader(std::span<const std::uint8_t> bytes, MacroImageHeader& header);

// Fills records[0..n) from an image read back from the keyboard and returns n.
// Record i gets id i + 1, newFlag 0, the block's cycles, actions and name (or
// DefaultMacroName(i + 1) when the block has none, or one that reads empty);
// the rest of the record is zeroed. The image is not trusted: a bad header, an image shorter than its
// header says, an offset, action count or name that does not lie within the
// image, more than 2000 actions, a name longer than 249 units, or fewer records
// than macros, make it count as holding no macros: the result is 0 and no
// record is touched.
int ParseMacroImage(std::span<MacroRecord> records, std::span<const std::uint8_t> image);
