#include "profiles/profile_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "macros/macro_image.h"

namespace {

constexpr std::uint32_t kKeyTableLength = sizeof(KeyTableHeader) + sizeof(AssignmentArea);
static_assert(kKeyTableLength == 32800);

bool CarriesText(const KeyAssignment& record) {
  return record.type == AssignmentType::LaunchProgram || record.type == AssignmentType::TextBlock;
}

}  // namespace

std::uint64_t ProfileFileLength(std::uint64_t macroCount, std::uint64_t poolSize) {
  return kHeaderBlockBytes + kMacroRecordBytes * macroCount + poolSize;
}

std::uint8_t FileHeaderCheck(const ProfileFileHeader& header) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&header);
  unsigned sum = 0;
  for (std::size_t i = 0; i < offsetof(ProfileFileHeader, check); ++i) sum += bytes[i];
  return static_cast<std::uint8_t>(sum);
}

void RebuildFileHeader(ProfileFileHeader& header, std::uint16_t macroCount, std::uint32_t poolSize) {
  header = ProfileFileHeader{};
  header.magic = kProfileFileMagic;
  header.headerLength = 32;
  header.three = 3;
  header.one = 1;
  header.fileLength = static_cast<std::uint32_t>(ProfileFileLength(macroCount, poolSize));
  header.recordCount = kAreaEntryCount;
  header.macroCount = macroCount;
  header.poolSize = poolSize;
  header.flag = 0;
  header.check = FileHeaderCheck(header);
}

bool IsValidFileHeader(const ProfileFileHeader& header) {
  return header.magic == kProfileFileMagic && header.headerLength == 32 && header.three == 3 &&
         header.one == 1 && header.fileLength >= kHeaderBlockBytes && header.recordCount == kAreaEntryCount &&
         header.macroCount <= kMaxMacros && header.flag <= 1 &&
         header.fileLength == ProfileFileLength(header.macroCount, header.poolSize) &&
         header.check == FileHeaderCheck(header);
}

std::unique_ptr<HeaderBlock> NewDefaultHeaderBlock() {
  auto block = std::unique_ptr<HeaderBlock>(new (std::nothrow) HeaderBlock{});
  if (!block) return nullptr;
  RebuildFileHeader(block->header, 0, 0);
  KeyTableHeader& table = block->keyTable;
  table.magic = 0x484B;
  table.headerLength = 32;
  table.tableLength = kKeyTableLength;
  table.bankCount = kAreaProfileCount;
  table.recordsPerBank = kEntriesPerProfile;
  table.vendorId = 0x04B4;
  table.productId = 0x1007;
  table.model = 0x000E1C4F;
  // Only bank 0 carries the G-key ids; the other banks stay zero.
  ClearProfileEntries(EntriesOfProfile(block->area, 0));
  return block;
}

namespace {

// The string of one record: units [first, end) of the pool, its terminator at end.
struct StringSpan {
  int record;
  std::size_t first, end;
};

// The non-empty strings of the records that carry text, in record order, each
// ending at the first zero unit at or after its start; a start outside the
// pool, or with no terminator inside it, gives none. False when the strings
// take more than the pool.
bool FindStringSpans(const AssignmentArea& area, std::span<const std::uint8_t> pool, std::vector<StringSpan>& found) {
  const auto carriesText = [&](const KeyAssignment& record) { return CarriesText(record); };
  if (std::none_of(area.begin(), area.end(), carriesText)) return true;

  // Where each run of zero units begins, found in one sweep of the pool: a
  // string ends at the first of these after its start. However many records
  // share or overlap a string, each costs a search among them, not a sweep of
  // its own, and they take at most as many bytes as the pool.
  const std::size_t units = pool.size() / 2;
  const auto isZero = [&](std::size_t unit) { return pool[2 * unit] == 0 && pool[2 * unit + 1] == 0; };
  std::vector<std::uint32_t> ends;
  for (std::size_t unit = 0; unit < units; ++unit)
    if (isZero(unit) && (unit == 0 || !isZero(unit - 1))) ends.push_back(static_cast<std::uint32_t>(unit));

  // The program packs every string once, so the strings of a file it wrote
  // fill its pool exactly; records that share or overlap strings would cost
  // more memory than the file holds (2048 copies of one long string), and
  // saved they would make a file that large. Such a file is refused before
  // anything is copied: loading costs memory in proportion to the file, and
  // the total fits the pool size's 32 bits.
  std::uint64_t total = 0;
  for (int r = 0; r < kAreaEntryCount; ++r) {
    if (!CarriesText(area[r])) continue;
    const std::size_t first = (area[r].param & ~1u) / 2;
    if (first >= units || isZero(first)) continue;  // outside the pool, or an empty string
    const auto end = std::lower_bound(ends.begin(), ends.end(), first);
    if (end == ends.end()) continue;  // no terminator in the pool
    found.push_back({r, first, *end});
    total += 2 * (*end - first + 1);
  }
  return total <= pool.size();
}

// The header block of a file at least that long, and the pool it gives; false
// for a file shorter than its header claims or with more than 100 macros.
bool SplitProfileFile(std::span<const std::uint8_t> bytes, const HeaderBlock& block,
                      std::span<const std::uint8_t>& pool) {
  const std::uint16_t n = block.header.macroCount;
  const std::uint32_t p = block.header.poolSize;
  if (n > kMaxMacros || bytes.size() < ProfileFileLength(n, p)) return false;
  pool = bytes.subspan(kHeaderBlockBytes + kMacroRecordBytes * n, p);
  return true;
}

}  // namespace

bool ParseProfileFile(std::span<const std::uint8_t> bytes, ProfileContents& out) {
  if (bytes.size() < kHeaderBlockBytes) return false;
  auto block = std::unique_ptr<HeaderBlock>(new (std::nothrow) HeaderBlock);
  if (!block) return false;
  std::memcpy(block.get(), bytes.data(), kHeaderBlockBytes);
  std::span<const std::uint8_t> pool;
  if (!SplitProfileFile(bytes, *block, pool)) return false;
  std::vector<StringSpan> strings;
  if (!FindStringSpans(block->area, pool, strings)) return false;

  const std::uint16_t n = block->header.macroCount;
  MacroList macros;
  if (n > 0) {
    if (!AllocateMacroList(macros, n)) return false;
    std::memcpy(macros.records.data(), bytes.data() + kHeaderBlockBytes, kMacroRecordBytes * n);
  }

  AssignmentText text;
  std::u16string string;
  for (const StringSpan& found : strings) {
    string.resize(found.end - found.first);
    std::memcpy(string.data(), pool.data() + 2 * found.first, 2 * string.size());
    SetAssignmentText(text, found.record, string);  // in record order: each joins the table at its end
  }

  out.block = std::move(block);
  out.macros = std::move(macros);
  out.text = std::move(text);
  return true;
}

bool ProfileFileLoads(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderBlockBytes) return false;
  auto block = std::unique_ptr<HeaderBlock>(new (std::nothrow) HeaderBlock);
  if (!block) return false;
  std::memcpy(block.get(), bytes.data(), kHeaderBlockBytes);
  std::span<const std::uint8_t> pool;
  std::vector<StringSpan> strings;
  return SplitProfileFile(bytes, *block, pool) && FindStringSpans(block->area, pool, strings);
}

std::vector<std::uint8_t> PackStrings(HeaderBlock& block, const AssignmentText& text) {
  std::vector<std::uint8_t> pool(text.totalBytes, 0);
  std::size_t offset = 0;
  for (int r = 0; r < kAreaEntryCount; ++r) {
    if (!CarriesText(block.area[r])) continue;
    const AssignmentTextSlot& slot = text.slots[r];
    const std::size_t length = slot.byteLength;
    if (length == 0 || offset + length > pool.size()) {
      // A record of a text type without a text points past the pool, so that
      // it reads back empty rather than as another record's string.
      block.area[r].param = static_cast<std::uint32_t>(pool.size());
      continue;
    }
    // The text and its terminator, as many bytes as the slot counts.
    std::memcpy(pool.data() + offset, slot.text.data(), std::min(length - 2, 2 * slot.text.size()));
    block.area[r].param = static_cast<std::uint32_t>(offset);
    offset += length;
  }
  return pool;
}

std::vector<std::uint8_t> SerializeProfileFile(HeaderBlock& block, std::span<const MacroRecord> macros,
                                               const AssignmentText& text) {
  const std::vector<std::uint8_t> pool = PackStrings(block, text);
  RebuildFileHeader(block.header, static_cast<std::uint16_t>(macros.size()),
                    static_cast<std::uint32_t>(pool.size()));
  std::vector<std::uint8_t> bytes(ProfileFileLength(macros.size(), pool.size()));
  std::memcpy(bytes.data(), &block, kHeaderBlockBytes);
  if (!macros.empty()) std::memcpy(bytes.data() + kHeaderBlockBytes, macros.data(), macros.size_bytes());
  if (!pool.empty()) std::memcpy(bytes.data() + kHeaderBlockBytes + macros.size_bytes(), pool.data(), pool.size());
  return bytes;
}

namespace {

// What a record that needs a string becomes on the keyboard.
bool LostItsString(const KeyAssignment& kept, const KeyAssignment& read) {
  return (kept.type == AssignmentType::LaunchProgram && read.type == AssignmentType::Default) ||
         (kept.type == AssignmentType::TextBlock && read.type == AssignmentType::Disabled);
}

// Whether record `r` of the file on disk stands over what the keyboard read
// back: the spare bank, the G keys (the keyboard has no place for them in its
// key tables, so they read back as Default), and a program or text that the
// keyboard holds as what it became.
bool KeptFromDisk(int r, const KeyAssignment& kept, const KeyAssignment& read) {
  if (r >= kKeyboardProfileCount * kEntriesPerProfile) return true;
  if (GKeyIdOfEntry(r % kEntriesPerProfile) != 0) return kept.type != AssignmentType::Default;
  return LostItsString(kept, read);
}

// The id that macro `id` of the file's list has in the list read back from the
// keyboard (ids 1 to n in image order): the macro at the same place when the
// keyboard plays it alike, else the first one that does. 0 when the keyboard
// holds no such macro, or the file's list none with that id.
std::uint16_t MacroIdAfterReadBack(std::span<const MacroRecord> onDisk, std::span<const MacroRecord> read,
                                   std::uint32_t id) {
  const auto named = std::find_if(onDisk.begin(), onDisk.end(), [id](const MacroRecord& m) { return m.id == id; });
  if (named == onDisk.end()) return 0;
  const auto place = static_cast<std::size_t>(named - onDisk.begin());
  if (place < read.size() && PlaysAlike(*named, read[place])) return read[place].id;
  const auto alike =
      std::find_if(read.begin(), read.end(), [&](const MacroRecord& m) { return PlaysAlike(*named, m); });
  return alike == read.end() ? 0 : alike->id;
}

}  // namespace

std::vector<std::uint8_t> ProfileFileFromKeyboard(std::span<const DeviceKeyTable, 3> tables,
                                                  const DeviceKeyTable& defaults,
                                                  std::span<const std::uint8_t> image,
                                                  const ProfileContents* onDisk) {
  std::unique_ptr<HeaderBlock> block = NewDefaultHeaderBlock();
  if (!block) return {};
  for (int profile = 0; profile < kKeyboardProfileCount; ++profile)
    ReadDeviceKeyTable(tables[profile], defaults, EntriesOfProfile(block->area, profile));
  const int spareBank = kKeyboardProfileCount * kEntriesPerProfile;
  std::fill(block->area.begin() + spareBank, block->area.end(), KeyAssignment{});

  MacroList macros;
  MacroImageHeader header{};
  if (!image.empty() && ReadMacroImageHeader(image, header) && header.macroCount > 0 &&
      AllocateMacroList(macros, header.macroCount)) {
    const int parsed = ParseMacroImage(macros.records, image);
    if (parsed <= 0) FreeMacroList(macros);  // a damaged image reads as no macros
  }

  AssignmentText text;
  if (onDisk && onDisk->block) {
    for (int r = 0; r < kAreaEntryCount; ++r) {
      KeyAssignment kept = onDisk->block->area[r];
      KeyAssignment& read = block->area[r];
      if (!KeptFromDisk(r, kept, read)) continue;
      // A kept key names its macro by an id that the keyboard's list numbers
      // afresh; a macro the keyboard no longer holds leaves the key as read
      // back rather than playing another.
      if (kept.type == AssignmentType::Macro) {
        kept.param = MacroIdAfterReadBack(onDisk->macros.records, macros.records, kept.param);
        if (kept.param == 0) continue;
      }
      read = kept;
      if (CarriesText(kept)) SetAssignmentText(text, r, onDisk->text.slots[r].text);
    }
  }
  return SerializeProfileFile(*block, macros.records, text);
}
