// The profile file: the keyboard's three key maps (and a spare bank), its
// macros and the program paths and text blocks assigned to keys, in one
// little-endian file. ".fwc" files share the format.
//
//   0      ProfileFileHeader (32 bytes)
//   32     KeyTableHeader (32 bytes)
//   64     the assignment area: four banks of 512 KeyAssignment records
//   32832  n MacroRecords of 16512 bytes
//   ...    the string pool: p bytes of UTF-16LE strings, each ending in a zero unit
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "keyboard/key_assignment.h"
#include "macros/macro_record.h"

struct ProfileFileHeader {
  std::uint16_t magic;         // 0x4446, "FD"
  std::uint16_t headerLength;  // 32
  std::uint16_t three;         // 3
  std::uint16_t one;           // 1
  std::uint32_t fileLength;    // 32832 + 16512 n + p
  std::uint16_t recordCount;   // 2048
  std::uint16_t macroCount;    // n, at most 100
  std::uint32_t poolSize;      // p
  std::uint32_t zero1;
  std::uint32_t zero2;
  std::uint16_t zero3;
  std::uint8_t flag;           // written 0; 0 and 1 are accepted
  std::uint8_t check;          // the sum of bytes 0 to 30, modulo 256
};
static_assert(sizeof(ProfileFileHeader) == 32);

// Written when a profile is created and carried unchanged by load and save.
struct KeyTableHeader {
  std::uint16_t magic;         // 0x484B, "KH"
  std::uint16_t headerLength;  // 32
  std::uint32_t tableLength;   // 32800: this block and the four banks
  std::uint16_t bankCount;     // 4
  std::uint16_t recordsPerBank;  // 512
  std::uint32_t zero1;
  std::uint16_t vendorId;      // 0x04B4
  std::uint16_t productId;     // 0x1007
  std::uint32_t model;         // 0x000E1C4F
  std::uint32_t zero2;
  std::uint32_t zero3;
};
static_assert(sizeof(KeyTableHeader) == 32);

// The first 32832 bytes of a profile file, as the profile copies hold them.
struct HeaderBlock {
  ProfileFileHeader header;
  KeyTableHeader keyTable;
  AssignmentArea area;
};
static_assert(sizeof(HeaderBlock) == 32832);
static_assert(std::is_trivially_copyable_v<HeaderBlock>);

inline constexpr std::size_t kHeaderBlockBytes = sizeof(HeaderBlock);
inline constexpr std::size_t kMacroRecordBytes = sizeof(MacroRecord);
inline constexpr std::uint16_t kProfileFileMagic = 0x4446;

// The length a header with n macros and a pool of p bytes gives, without wrap.
std::uint64_t ProfileFileLength(std::uint64_t macroCount, std::uint64_t poolSize);

// Fills in the fixed fields, n, p, the length, flag 0 and, last, the check byte.
void RebuildFileHeader(ProfileFileHeader& header, std::uint16_t macroCount, std::uint32_t poolSize);
std::uint8_t FileHeaderCheck(const ProfileFileHeader& header);

// Whether a header is one this program accepts (the check of an imported file).
bool IsValidFileHeader(const ProfileFileHeader& header);

// A new profile: the headers, bank 0's G-key ids, every other byte zero.
std::unique_ptr<HeaderBlock> NewDefaultHeaderBlock();

// What a profile file holds, parsed.
struct ProfileContents {
  std::unique_ptr<HeaderBlock> block;
  MacroList macros;
  AssignmentText text;  // slots of records of type 3 and 6
};

// Parses a whole file. The header is trusted as the file's own (no check
// byte test: that is validation's job), but never beyond the bytes given: a
// file shorter than its header claims, or more than 100 macros, gives false
// and leaves `out` alone. A string whose offset lies outside the pool, or that
// has no terminator inside it, leaves its record's text empty. Strings that
// take more than the pool (records sharing or overlapping one string) give
// false too: loading never costs more memory than the file holds.
bool ParseProfileFile(std::span<const std::uint8_t> bytes, ProfileContents& out);

// Whether ParseProfileFile would take the file, without copying it (barring
// memory running out).
bool ProfileFileLoads(std::span<const std::uint8_t> bytes);

// Writes a header block, the macros and the strings of `text` as a file. The
// strings are packed in record order; each record of type 3 or 6 with a text
// gets its pool offset in `param` (in `block`). The header is rebuilt.
std::vector<std::uint8_t> SerializeProfileFile(HeaderBlock& block, std::span<const MacroRecord> macros,
                                               const AssignmentText& text);

// Packs the strings of `text` for the records of `block` (type 3 or 6) into a
// pool, writing each string's offset into its record's `param`. Returns the pool.
std::vector<std::uint8_t> PackStrings(HeaderBlock& block, const AssignmentText& text);

// Builds the file that mirrors a keyboard: banks 0-2 read back from its three
// key tables against its default table, the macros parsed from its macro
// image (none when `image` is empty or holds no macros).
//
// The keyboard keeps no strings: a key that launches a program reads back as
// its default, a text block as disabled. Its key tables have no place for the
// G keys, and the spare bank 3 is not the keyboard's at all. With the profile
// file on disk (`onDisk`, parsed and valid), a program or text record of it
// whose position reads back as what it became on the keyboard keeps its record
// and its string, the G keys that do something keep their records (and
// strings), and bank 3 is the file's; without it, G keys read back as Default,
// bank 3 is cleared and there are no strings. A kept record that plays a macro
// is renumbered to that macro's id in the keyboard's list, or left as read back
// when the keyboard plays no such macro any more. Everything else comes from
// the keyboard.
std::vector<std::uint8_t> ProfileFileFromKeyboard(std::span<const DeviceKeyTable, 3> tables,
                                                  const DeviceKeyTable& defaults,
                                                  std::span<const std::uint8_t> image,
                                                  const ProfileContents* onDisk = nullptr);
