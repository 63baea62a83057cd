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

// Where each record's string lies in the pool: the records that carry text,
// by string offset, and for each the units it takes (first, end; equal for
// none).
struct StringSpans {
  std::vector<std::pair<std::size_t, int>> starts;
  std::vector<std::pair<std::size_t, std::size_t>> spans;
};

// False when the strings take more than the pool.
bool FindStringSpans(const AssignmentArea& area, std::span<const std::uint8_t> pool, StringSpans& found) {
  const std::size_t units = pool.size() / 2;
  const auto unitAt = [&](std::size_t i) { return static_cast<char16_t>(pool[2 * i] | (pool[2 * i + 1] << 8)); };

  // By string offset, so that one forward sweep finds every terminator
  // however many records share or overlap a string.
  std::vector<std::pair<std::size_t, int>>& starts = found.starts;
  for (int r = 0; r < kAreaEntryCount; ++r)
    if (CarriesText(area[r])) starts.push_back({(area[r].param & ~1u) / 2, r});
  std::sort(starts.begin(), starts.end());

  // Where each string ends. The program packs every string once, so the
  // strings of a file it wrote fill its pool exactly; records that share or
  // overlap strings would cost more memory than the file holds (2048 copies of
  // one long string), and saved they would make a file that large. Such a
  // file is refused before anything is copied: loading costs memory in
  // proportion to the file, and the total fits the pool size's 32 bits.
  found.spans.assign(starts.size(), {0, 0});
  std::uint64_t total = 0;
  std::size_t zero = 0;  // the first zero unit at or after the last start, or `units`
  bool zeroKnown = false;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t first = starts[i].first;
    if (first >= units) break;  // this and every later start lie outside the pool
    if (!zeroKnown || zero < first) {
      zero = first;
      while (zero < units && unitAt(zero) != 0) ++zero;
      zeroKnown = true;
    }
    if (zero >= units || zero == first) continue;  // no terminator in the pool, or an empty string
    found.spans[i] = {first, zero};
    total += 2 * (zero - first + 1);
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
  StringSpans strings;
  if (!FindStringSpans(block->area, pool, strings)) return false;

  const std::uint16_t n = block->header.macroCount;
  MacroList macros;
  if (n > 0) {
    if (!AllocateMacroList(macros, n)) return false;
    std::memcpy(macros.records.data(), bytes.data() + kHeaderBlockBytes, kMacroRecordBytes * n);
  }

  auto text = std::make_unique<AssignmentText>();
  std::u16string string;
  for (std::size_t i = 0; i < strings.starts.size(); ++i) {
    const auto [first, end] = strings.spans[i];
    if (end == first) continue;
    string.resize(end - first);
    std::memcpy(string.data(), pool.data() + 2 * first, 2 * (end - first));
    SetAssignmentText(*text, strings.starts[i].second, string);
  }

  out.block = std::move(block);
  out.macros = std::move(macros);
  out.text = std::move(*text);
  return true;
}

bool ProfileFileLoads(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderBlockBytes) return false;
  auto block = std::unique_ptr<HeaderBlock>(new (std::nothrow) HeaderBlock);
  if (!block) return false;
  std::memcpy(block.get(), bytes.data(), kHeaderBlockBytes);
  std::span<const std::uint8_t> pool;
  StringSpans strings;
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

  auto text = std::make_unique<AssignmentText>();
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
      if (CarriesText(kept)) SetAssignmentText(*text, r, onDisk->text.slots[r].text);
    }
  }
  return SerializeProfileFile(*block, macros.records, *text);
}
