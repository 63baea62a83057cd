#include "macros/macro_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "localisation/text_slots.h"

namespace {

class MacroRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTexts(); }
  void TearDown() override { ResetTexts(); }
};

std::uint16_t U16At(const MacroRecord& record, std::size_t offset) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

TEST_F(MacroRecordTest, FieldsLieAtTheProfileFileOffsets) {
  MacroRecord record{};
  SetMacroName(record, u"AB");
  record.cycles = 7;
  record.newFlag = 1;
  record.id = 42;
  record.actionCount = 2;
  record.actions[0] = {0x01020304, 0x11D, kMacroRelease};
  record.actions[1999] = {50, 0x01E, kMacroPress};

  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
  EXPECT_EQ(U16At(record, 0), u'A');
  EXPECT_EQ(U16At(record, 2), u'B');
  EXPECT_EQ(U16At(record, 4), 0);
  EXPECT_EQ(bytes[500], 7);
  EXPECT_EQ(U16At(record, 502), 1);
  EXPECT_EQ(U16At(record, 506), 42);
  EXPECT_EQ(U16At(record, 508), 2);
  const std::uint8_t firstAction[] = {0x04, 0x03, 0x02, 0x01, 0x1D, 0x01, 0x01, 0x00};
  EXPECT_EQ(std::memcmp(bytes + 512, firstAction, sizeof firstAction), 0);
  EXPECT_EQ(U16At(record, 512 + 8 * 1999 + 4), 0x01E);
}

TEST_F(MacroRecordTest, ANewMacroIsZeroButForNameCyclesNewFlagAndId) {
  const std::vector<std::uint16_t> ids = {1, 2, 3};
  std::unique_ptr<MacroRecord> record = NewMacroRecord(u"Macro4", ids);
  ASSERT_NE(record, nullptr);

  MacroRecord expected;
  std::memset(&expected, 0, sizeof expected);
  const char16_t name[] = u"Macro4";
  std::memcpy(expected.name, name, sizeof name);
  expected.cycles = 1;
  expected.newFlag = 1;
  expected.id = 4;
  EXPECT_EQ(std::memcmp(record.get(), &expected, sizeof expected), 0);
}

TEST_F(MacroRecordTest, FillingAReusedRecordClearsEverythingItHeld) {
  MacroRecord record;
  std::memset(&record, 0xA5, sizeof record);
  FillNewMacroRecord(record, u"x", 9);
  EXPECT_EQ(MacroName(record), u"x");
  EXPECT_EQ(record.reserved1, 0);
  EXPECT_EQ(record.reserved2, 0);
  EXPECT_EQ(record.padding, 0);
  EXPECT_EQ(record.actionCount, 0);
  EXPECT_EQ(record.actions[1999].keyCode, 0);
  EXPECT_EQ(record.name[kMacroNameUnits - 1], 0);
}

TEST_F(MacroRecordTest, TheNewIdIsTheSmallestThatTheListLeavesFree) {
  struct Case {
    std::vector<std::uint16_t> inUse;
    std::uint16_t expected;
  };
  std::vector<std::uint16_t> all;
  for (std::uint16_t id = 1; id <= 100; ++id) all.push_back(id);
  std::vector<std::uint16_t> allButLast(all.begin(), all.end() - 1);
  const Case cases[] = {
      {{}, 1},
      {{1, 2, 3}, 4},
      {{1, 3}, 2},          // the id of a deleted macro is taken again
      {{3, 2, 5, 1}, 4},    // ids need not be sorted
      {{0, 101, 500}, 1},   // values outside 1..100 do not take an id
      {{1, 1, 2}, 3},
      {allButLast, 100},
      {all, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SmallestFreeMacroId(c.inUse), c.expected) << "with " << c.inUse.size() << " ids in use";
  }
  EXPECT_EQ(NewMacroRecord(u"Macro101", all), nullptr);
}

TEST_F(MacroRecordTest, ALongNameIsCutToFitTheRecord) {
  MacroRecord record{};
  SetMacroName(record, std::u16string(300, u'n'));
  EXPECT_EQ(MacroName(record), std::u16string(kMaxMacroNameLength, u'n'));
  EXPECT_EQ(record.name[kMaxMacroNameLength], u'\0');

  // A shorter name leaves nothing of the longer one behind it.
  SetMacroName(record, u"ab");
  EXPECT_EQ(MacroName(record), u"ab");
  for (int i = 2; i < kMacroNameUnits; ++i) ASSERT_EQ(record.name[i], u'\0') << i;
}

TEST_F(MacroRecordTest, ACutNeverSplitsASurrogatePair) {
  std::u16string name(kMaxMacroNameLength - 1, u'n');
  name += u"\U0001F600";  // the pair straddles the cut
  MacroRecord record{};
  SetMacroName(record, name);
  EXPECT_EQ(MacroName(record), std::u16string(kMaxMacroNameLength - 1, u'n'));

  name = std::u16string(kMaxMacroNameLength - 2, u'n') + u"\U0001F600";  // fits exactly
  SetMacroName(record, name);
  EXPECT_EQ(MacroName(record), name);
}

TEST_F(MacroRecordTest, ADamagedRecordIsReadWithinItsFields) {
  MacroRecord record;
  std::memset(&record, 0x41, sizeof record);  // no terminator, action count 0x4141
  EXPECT_EQ(MacroName(record).size(), static_cast<std::size_t>(kMaxMacroNameLength));
  EXPECT_EQ(MacroActions(record).size(), static_cast<std::size_t>(kMaxMacroActions));
  record.actionCount = 3;
  EXPECT_EQ(MacroActions(record).size(), 3u);
}

TEST_F(MacroRecordTest, DefaultNamesFollowTheLocalisedPrefix) {
  EXPECT_EQ(DefaultMacroName(1), u"Macro1");
  EXPECT_EQ(DefaultMacroName(100), u"Macro100");
  SetText(TextKey::MACRO_NEW_PREFIX, u"\x5B8F");
  EXPECT_EQ(DefaultMacroName(12), u"\x5B8F" u"12");
}

TEST_F(MacroRecordTest, ApplyingTheListClearsEveryNewFlag) {
  std::vector<MacroRecord> records(3);
  for (MacroRecord& record : records) FillNewMacroRecord(record, u"m", 1);
  ClearNewFlags(records);
  for (const MacroRecord& record : records) EXPECT_EQ(record.newFlag, 0);
}

TEST_F(MacroRecordTest, AListHoldsAtMostAHundredZeroedRecords) {
  MacroList list;
  ASSERT_TRUE(AllocateMacroList(list, kMaxMacros));
  EXPECT_EQ(list.count(), kMaxMacros);
  EXPECT_EQ(list.records[99].id, 0);
  EXPECT_EQ(list.records[99].actions[1999].delayMs, 0u);

  EXPECT_FALSE(AllocateMacroList(list, kMaxMacros + 1));
  EXPECT_EQ(list.count(), 0);
  EXPECT_TRUE(list.records.empty());

  ASSERT_TRUE(AllocateMacroList(list, 2));
  FreeMacroList(list);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.records.capacity(), 0u);
}

class MacroLookupTest : public MacroRecordTest {
 protected:
  void SetUp() override {
    MacroRecordTest::SetUp();
    ASSERT_TRUE(AllocateMacroList(list, 3));
    list.records[0].id = 7;
    list.records[1].id = 3;
    list.records[2].id = 12;
  }
  MacroList list;
};

TEST_F(MacroLookupTest, IdsTurnIntoPositionsAndBack) {
  EXPECT_EQ(MacroIndexOfId(list.records, 7), 0);
  EXPECT_EQ(MacroIndexOfId(list.records, 3), 1);
  EXPECT_EQ(MacroIndexOfId(list.records, 12), 2);
  EXPECT_EQ(MacroIdAtIndex(list.records, 0), 7);
  EXPECT_EQ(MacroIdAtIndex(list.records, 2), 12);
}

TEST_F(MacroLookupTest, AnAbsentIdOrAnIndexOutOfRangeGivesZero) {
  EXPECT_EQ(MacroIndexOfId(list.records, 5), 0);
  EXPECT_EQ(MacroIndexOfId(list.records, 0), 0);
  EXPECT_EQ(MacroIdAtIndex(list.records, -1), 0);
  EXPECT_EQ(MacroIdAtIndex(list.records, 3), 0);
  FreeMacroList(list);
  EXPECT_EQ(MacroIndexOfId(list.records, 7), 0);
  EXPECT_EQ(MacroIdAtIndex(list.records, 0), 0);
}

}  // namespace
