// A download that leaves out what the keyboard holds already (a mirror of it)
// must leave the keyboard with the very bytes a full download gives, edit
// after edit, sending only chunks that a full download sends.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <tuple>

#include "macros/macro_image.h"
#include "profiles/profile_download.h"
#include "tests/device/link_fixture.h"

namespace {

constexpr std::size_t kMacroArea = 8192;

// Where a chunk went: its command, offset and length.
using ChunkPlace = std::tuple<int, int, int>;

std::set<ChunkPlace> WrittenChunks(const LinkRig& rig) {
  std::set<ChunkPlace> places;
  for (const CommandFrame& frame : rig.SentFrames())
    if (frame[kFrameCode] == kCommandWriteKeyTable || frame[kFrameCode] == kCommandWriteMacroImage)
      places.insert({frame[kFrameCode], FrameOffset(frame), frame[kFrameLength]});
  return places;
}

std::vector<std::uint8_t> KeyboardBytes(const LinkRig& rig) {
  std::vector<std::uint8_t> bytes = rig.Memory(SimArea::kKeyTables, 0, kKeyboardProfileCount * kKeyTableStride);
  const std::vector<std::uint8_t> macros = rig.Memory(SimArea::kMacros, 0, kMacroArea);
  bytes.insert(bytes.end(), macros.begin(), macros.end());
  return bytes;
}

// A profile that random edits change: a key of a bank, or a macro added,
// changed or removed.
struct RandomProfile {
  std::unique_ptr<AssignmentArea> area = std::make_unique<AssignmentArea>();
  std::vector<MacroRecord> macros;
  std::mt19937 random{20261211};

  RandomProfile() { area->fill({}); }
  int Below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
  void Edit() {
    static constexpr KeyCode kKeys[] = {0x01E, 0x030, 0x02E, 0x020, 0x012, 0x03B, 0x002, 0x010, 0x011, 0x01F};
    const int slot = KeyCodeToSlot(kKeys[Below(std::size(kKeys))]);
    switch (Below(4)) {
      case 0:
      case 1:
        (*area)[AssignmentIndex(Below(kKeyboardProfileCount), slot)] = {
            AssignmentType::Key, 0, kKeys[Below(std::size(kKeys))], 0, 0};
        break;
      case 2:
        if (!macros.empty())
          (*area)[AssignmentIndex(Below(kKeyboardProfileCount), slot)] = {
              AssignmentType::Macro, 1, macros[Below(static_cast<int>(macros.size()))].id, 0, 0};
        break;
      default:
        EditMacro();
        break;
    }
  }
  void EditMacro() {
    if (macros.size() > 5 || (!macros.empty() && Below(3) == 0)) {
      macros.erase(macros.begin() + Below(static_cast<int>(macros.size())));
      return;
    }
    MacroRecord record;
    std::vector<std::uint16_t> ids;
    for (const MacroRecord& macro : macros) ids.push_back(macro.id);
    FillNewMacroRecord(record, u"Random", SmallestFreeMacroId(ids));
    record.actionCount = static_cast<std::uint16_t>(1 + Below(60));
    for (int i = 0; i < record.actionCount; ++i)
      record.actions[i] = {static_cast<std::uint32_t>(10 * Below(9)), 0x01E,
                           static_cast<std::uint16_t>(i % 2 ? kMacroRelease : kMacroPress)};
    if (!macros.empty() && Below(2) == 0)
      macros[Below(static_cast<int>(macros.size()))].actions[0].delayMs += 10;  // a change inside the image
    else
      macros.push_back(record);
  }
};

// Puts back what KeyboardBytes read.
void RestoreKeyboard(LinkRig& rig, const std::vector<std::uint8_t>& bytes) {
  const std::size_t tables = kKeyboardProfileCount * kKeyTableStride;
  rig.keyboard.Poke(SimArea::kKeyTables, 0, std::span(bytes.data(), tables));
  rig.keyboard.Poke(SimArea::kMacros, 0, std::span(bytes.data() + tables, kMacroArea));
}

// Each round's edit goes to the keyboard twice from the same memory: through
// the mirror, then (the memory put back) whole; both must leave the same bytes.
TEST(IncrementalDownload, EndsWithTheBytesOfAFullDownloadOverManyRandomEdits) {
  LinkRig rig;
  rig.link.SetMacroCapacity(kSimDefaultCapacityUnits * 128);
  KeyboardMirror mirror;  // nothing known yet: the first download is whole
  RandomProfile profile;
  std::size_t fullFrames = 0, incrementalFrames = 0;
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(::testing::Message() << "round " << round);
    profile.Edit();
    const bool all = profile.Below(4) == 0;
    const int first = all ? 0 : profile.Below(kKeyboardProfileCount);
    const int last = all ? kKeyboardProfileCount - 1 : first;
    const DownloadSource source{*profile.area, profile.macros, profile.Below(3) != 0};
    const std::vector<std::uint8_t> before = KeyboardBytes(rig);

    rig.keyboard.ClearLog();
    ASSERT_EQ(DownloadKeyMaps(rig.link, first, last, source, &mirror).result, DeviceResult::kOk);
    const std::vector<std::uint8_t> incremental = KeyboardBytes(rig);
    const std::set<ChunkPlace> sent = WrittenChunks(rig);
    incrementalFrames += rig.SentFrames().size();

    RestoreKeyboard(rig, before);
    rig.keyboard.ClearLog();
    ASSERT_EQ(DownloadKeyMaps(rig.link, first, last, source).result, DeviceResult::kOk);
    ASSERT_EQ(incremental, KeyboardBytes(rig));
    const std::set<ChunkPlace> whole = WrittenChunks(rig);
    EXPECT_TRUE(std::includes(whole.begin(), whole.end(), sent.begin(), sent.end()))
        << "every chunk sent is one of the full download's";
    fullFrames += rig.SentFrames().size();
  }
  EXPECT_LT(incrementalFrames * 4, fullFrames) << incrementalFrames << " frames against " << fullFrames;
}

// What the keyboard holds already is not sent at all; a download that fails
// forgets the mirror, so the next one sends everything.
TEST(IncrementalDownload, SendsNothingForNoChangeAndEverythingAfterAFailure) {
  LinkRig rig;
  rig.link.SetMacroCapacity(kSimDefaultCapacityUnits * 128);
  KeyboardMirror mirror;
  RandomProfile profile;
  profile.EditMacro();
  const DownloadSource source{*profile.area, profile.macros, true};
  ASSERT_EQ(DownloadKeyMaps(rig.link, 0, 0, source, &mirror).result, DeviceResult::kOk);
  const std::size_t whole = rig.SentFrames().size();

  rig.keyboard.ClearLog();
  ASSERT_EQ(DownloadKeyMaps(rig.link, 0, 0, source, &mirror).result, DeviceResult::kOk);
  EXPECT_TRUE(rig.SentFrames().empty()) << "not even commands 1 and 2";

  (*profile.area)[AssignmentIndex(0, KeyCodeToSlot(0x01E))] = {AssignmentType::Key, 0, 0x030, 0, 0};
  rig.keyboard.ClearLog();
  ASSERT_EQ(DownloadKeyMaps(rig.link, 0, 0, source, &mirror).result, DeviceResult::kOk);
  EXPECT_EQ(rig.SentFrames().size(), 3u) << "command 1, the one chunk, command 2";

  (*profile.area)[AssignmentIndex(0, KeyCodeToSlot(0x01E))] = {AssignmentType::Key, 0, 0x02E, 0, 0};
  rig.keyboard.SetFaults({.loseReplies = 1000, .afterReplies = 1});
  EXPECT_NE(DownloadKeyMaps(rig.link, 0, 0, source, &mirror).result, DeviceResult::kOk);
  rig.keyboard.SetFaults({});
  rig.keyboard.ClearLog();
  ASSERT_EQ(DownloadKeyMaps(rig.link, 0, 0, source, &mirror).result, DeviceResult::kOk);
  EXPECT_EQ(rig.SentFrames().size(), whole) << "the keyboard may hold any part of the failed one";
}

}  // namespace
