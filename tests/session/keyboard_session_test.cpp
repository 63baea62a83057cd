#include "session/keyboard_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <optional>

#include "localisation/text_slots.h"
#include "profiles/file_io.h"
#include "session/keyboard_notices.h"
#include "session/profile_switch.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"
#include "tests/device/link_fixture.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/wait.h"

namespace {

namespace fs = std::filesystem;
using Kind = SessionEvent::Kind;

class CountingHost : public SessionHost {
 public:
  void Wake() override { ++wakes; }
  std::atomic<int> wakes{0};
};

// A simulated keyboard, its link and a session over them, owned by the
// test's thread: events reach the subscriber only when the test delivers them.
class KeyboardSessionTest : public ::testing::Test {
 protected:
  KeyboardSessionTest()
      : folder_(fs::temp_directory_path() /
                (std::string("ostrak-session-") + ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        path_((folder_ / "$Profile0").u16string()),
        service_(keyboard_),
        table_(service_.Table()),
        link_(table_, QuickTimings()),
        session_(host_, path_) {}

  void SetUp() override {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ResetDefaultKeyTable();
    table_.Init(0);
    session_.Subscribe([this](const SessionEvent& event) { events_.push_back(event); });
    session_.OwnerReady();
  }
  void TearDown() override {
    session_.Stop();
    table_.End();
    ResetDefaultKeyTable();
    fs::remove_all(folder_);
  }

  // Starts the session and lets the keyboard's arrival run to its end.
  void Arrive() {
    session_.Connect(link_);
    ASSERT_EQ(session_.StartLink(), 1);
    ASSERT_TRUE(Settle());
  }
  // Delivers events as the owner's loop would until nothing is left to do.
  bool Settle() {
    return WaitFor([&] {
      session_.DeliverEvents();
      return !session_.Busy();
    });
  }
  std::vector<Kind> Kinds() const {
    std::vector<Kind> kinds;
    for (const SessionEvent& event : events_) kinds.push_back(event.kind);
    return kinds;
  }
  bool Saw(Kind kind, std::optional<int> value = {}) const {
    for (const SessionEvent& event : events_)
      if (event.kind == kind && (!value || event.value == *value)) return true;
    return false;
  }
  KeyAssignment Entry(int bank, int slot) const {
    return session_.Read([&](const WorkingProfile& p) { return p.block->area[AssignmentIndex(bank, slot)]; });
  }
  // B on A in `bank`.
  bool EditKey(int bank) {
    return session_.Edit([&](WorkingProfile& p) {
      p.block->area[AssignmentIndex(bank, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
      return true;
    });
  }
  std::optional<ApplyOutcome> ApplyAndWait() {
    std::optional<ApplyOutcome> outcome;
    if (session_.Apply([&](const ApplyOutcome& o) { outcome = o; }) != JobStart::kQueued) return std::nullopt;
    EXPECT_TRUE(Settle());
    return outcome;
  }
  // The key table that key map `bank` of `profile` makes.
  static DeviceKeyTable TableOf(const WorkingProfile& profile, int bank) {
    const auto lookup = [&](std::uint16_t id) { return MacroIndexOfId(profile.macros.records, id); };
    return BuildDeviceKeyTable(EntriesOfProfile(std::as_const(profile.block->area), bank), DefaultKeyTable(), lookup);
  }
  // Whether the keyboard's key table `bank` is the working profile's.
  bool KeyboardHolds(int bank) const {
    const DeviceKeyTable expected = session_.Read([&](const WorkingProfile& p) { return TableOf(p, bank); });
    std::vector<std::uint8_t> bytes(sizeof expected);
    keyboard_.Read(SimArea::kKeyTables, bank * kKeyTableStride, bytes);
    return std::memcmp(bytes.data(), expected.data(), sizeof expected) == 0;
  }

  fs::path folder_;
  std::u16string path_;
  KeyboardSimulator keyboard_;
  SimulatedService service_;
  DeviceService table_;
  DeviceLink link_;
  CountingHost host_;
  KeyboardSession session_;
  std::vector<SessionEvent> events_;
};

TEST_F(KeyboardSessionTest, EventsReachTheOwnerOnlyWhenItDeliversThem) {
  session_.Connect(link_);
  ASSERT_EQ(session_.StartLink(), 1);
  ASSERT_TRUE(WaitFor([&] { return host_.wakes > 0; }));
  EXPECT_TRUE(events_.empty()) << "no event is raised on another thread";
  EXPECT_TRUE(session_.Busy()) << "events waiting to be delivered keep the session busy";
  EXPECT_TRUE(session_.ReadBackUnderWay()) << "until the owner has taken the arrival";
  ASSERT_TRUE(Settle());
  EXPECT_FALSE(session_.ReadBackUnderWay());
  // In the order they happened: the reading shown, then the arrival.
  const std::vector<Kind> kinds = Kinds();
  const auto reading = std::find(kinds.begin(), kinds.end(), Kind::kReading);
  const auto arrived = std::find(kinds.begin(), kinds.end(), Kind::kKeyboardArrived);
  ASSERT_NE(reading, kinds.end());
  ASSERT_NE(arrived, kinds.end());
  EXPECT_LT(reading, arrived);
  EXPECT_TRUE(Saw(Kind::kKeyboardArrived, 1)) << "read back";
  EXPECT_FALSE(session_.ReadingKeyboard());
}

TEST_F(KeyboardSessionTest, AnArrivedKeyboardsProfileBecomesTheWorkingProfile) {
  // The keyboard sends B on A in its profile 0.
  WorkingProfile own;
  ASSERT_TRUE(NewDefaultProfile(own));
  own.block->area[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
  const DeviceKeyTable table = TableOf(own, 0);
  ASSERT_TRUE(keyboard_.Poke(SimArea::kKeyTables, 0, std::span(&table[0].bytes[0], sizeof table)));
  Arrive();
  EXPECT_TRUE(session_.ProfileKnown());
  EXPECT_FALSE(session_.Pending());
  EXPECT_EQ(Entry(0, 0x1E).type, AssignmentType::Key);
  EXPECT_TRUE(FileExists(path_)) << "the read-back is in the profile file";
}

// The window reads an arriving keyboard back whole; a console command reads
// it only when it has no profile file to start from, or not at all.
TEST_F(KeyboardSessionTest, AnArrivalReadsTheKeyboardAsItsOwnerAsks) {
  // The keyboard sends B on A in its profile 0; a profile file made here does not.
  WorkingProfile own;
  ASSERT_TRUE(NewDefaultProfile(own));
  own.block->area[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
  const DeviceKeyTable keys = TableOf(own, 0);
  ASSERT_TRUE(keyboard_.Poke(SimArea::kKeyTables, 0, std::span(&keys[0].bytes[0], sizeof keys)));

  struct Case {
    ArrivalRead read;
    bool fileBefore;
    bool readsKeyboard;
  };
  for (const Case& c : {Case{ArrivalRead::kWholeProfile, true, true}, Case{ArrivalRead::kOnlyWithoutFile, true, false},
                        Case{ArrivalRead::kOnlyWithoutFile, false, true}, Case{ArrivalRead::kNothing, true, false},
                        Case{ArrivalRead::kNothing, false, false}}) {
    SCOPED_TRACE(::testing::Message() << "policy " << static_cast<int>(c.read) << ", file " << c.fileBefore);
    RemoveFile(path_);
    if (c.fileBefore) {
      ASSERT_TRUE(NewDefaultProfileFile(path_));
    }
    SimulatedService service(keyboard_);
    DeviceService table = service.Table();
    table.Init(0);
    DeviceLink link(table, QuickTimings());
    KeyboardSession session(host_, path_, c.read);
    std::optional<int> arrived;
    session.Subscribe([&](const SessionEvent& event) {
      if (event.kind == Kind::kKeyboardArrived) arrived = event.value;
    });
    session.OwnerReady();
    session.Connect(link);
    ASSERT_EQ(session.StartLink(), 1);
    ASSERT_TRUE(WaitFor([&] {
      session.DeliverEvents();
      return arrived && !session.Busy();
    }));
    EXPECT_EQ(*arrived, 1) << "the arrival's work succeeded";
    EXPECT_EQ(session.ProfileKnown(), c.fileBefore || c.readsKeyboard);
    EXPECT_EQ(FileExists(path_), c.fileBefore || c.readsKeyboard);
    const AssignmentType onA =
        session.Read([](const WorkingProfile& p) { return p.block->area[AssignmentIndex(0, 0x1E)].type; });
    EXPECT_EQ(onA == AssignmentType::Key, c.readsKeyboard);
    session.Stop();
    table.End();
  }
}

// A keyboard that cannot be read never costs the user the profile: the file
// as it was, with the changes still pending; without a file, a made-up
// default that is never applied.
TEST_F(KeyboardSessionTest, AKeyboardThatCannotBeReadLeavesTheFileThenADefault) {
  Arrive();
  ASSERT_TRUE(EditKey(1));
  ASSERT_TRUE(ApplyAndWait().value_or(ApplyOutcome{}).Applied());
  ASSERT_TRUE(EditKey(2));  // pending, not applied
  std::vector<std::uint8_t> fileBefore;
  ASSERT_TRUE(ReadWholeFile(path_, fileBefore));

  events_.clear();
  keyboard_.SetFaults({.loseReplies = 1000});
  session_.SwitchProfileAndReadBack(-1);  // read again, as after a console command
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(Saw(Kind::kKeyboardArrived, 0));
  EXPECT_TRUE(Saw(Kind::kTell, static_cast<int>(TextKey::MAIN_READ_BACK_FAILED_PROMPT)));
  EXPECT_EQ(Entry(1, 0x1E).type, AssignmentType::Key) << "the file's profile";
  EXPECT_TRUE(session_.Pending()) << "the keyboard may not hold what the file does";
  EXPECT_TRUE(session_.ProfileKnown());
  std::vector<std::uint8_t> fileAfter;
  ASSERT_TRUE(ReadWholeFile(path_, fileAfter));
  EXPECT_EQ(fileAfter, fileBefore);

  ASSERT_TRUE(RemoveFile(path_));
  session_.SwitchProfileAndReadBack(-1);
  ASSERT_TRUE(Settle());
  EXPECT_FALSE(session_.ProfileKnown());
  EXPECT_EQ(Entry(1, 0x1E).type, AssignmentType::Default);
  EXPECT_EQ(session_.Apply([](const ApplyOutcome&) {}), JobStart::kProfileUnknown);
}

TEST_F(KeyboardSessionTest, AnApplySendsTheEditAndEndsThePendingChanges) {
  Arrive();
  EXPECT_EQ(session_.Apply([](const ApplyOutcome&) {}), JobStart::kNothingToDo);
  events_.clear();
  ASSERT_TRUE(EditKey(0));
  EXPECT_EQ(Kinds(), (std::vector<Kind>{Kind::kKeysChanged, Kind::kPendingChanged}));
  EXPECT_TRUE(session_.Pending());

  const std::optional<ApplyOutcome> outcome = ApplyAndWait();
  ASSERT_TRUE(outcome);
  EXPECT_TRUE(outcome->Applied());
  EXPECT_FALSE(session_.Pending());
  EXPECT_FALSE(FileExists(ApplyNotePath(path_)));
  EXPECT_TRUE(KeyboardHolds(0)) << "B on A in the keyboard's profile 0";
  WorkingProfile saved;
  ASSERT_TRUE(LoadProfileFile(saved, path_));
  EXPECT_EQ(saved.block->area[AssignmentIndex(0, 0x1E)].type, AssignmentType::Key);
}

// What the keyboard is known to hold after its arrival lets an Apply send
// only the chunk that changed; once the keyboard says it changed its own
// settings, the next Apply sends the whole key table again.
TEST_F(KeyboardSessionTest, AnApplySendsOnlyWhatChangedUntilTheKeyboardChangesItself) {
  session_.FollowLighting();  // so that the keyboard's notice shows as a read of its lighting
  Arrive();
  const auto commandsSentBy = [&](auto edit) {
    keyboard_.ClearLog();
    EXPECT_TRUE(session_.Edit(edit));
    const std::optional<ApplyOutcome> outcome = ApplyAndWait();
    EXPECT_TRUE(outcome && outcome->Applied());
    EXPECT_TRUE(KeyboardHolds(0));
    int commands = 0;
    for (const SimLogEntry& entry : keyboard_.Log())
      if (entry.fromHost && entry.usagePage == kControlUsagePage) ++commands;
    return commands;
  };
  const auto keyOnA = [](std::uint16_t code) {
    return [code](WorkingProfile& p) {
      p.block->area[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, code, 0, 0};
      return true;
    };
  };
  // The bank the window shows is asked once; then begin, one chunk, end.
  EXPECT_LE(commandsSentBy(keyOnA(0x030)), 4);
  EXPECT_EQ(commandsSentBy(keyOnA(0x031)), 3);

  keyboard_.SendConsumerNotice(kNoticeSettingsChanged);
  ASSERT_TRUE(WaitFor([&] {
    session_.DeliverEvents();
    return Saw(Kind::kLightingChanged);
  }));
  const int full = 2 + static_cast<int>((sizeof(DeviceKeyTable) + 55) / 56);
  EXPECT_GE(commandsSentBy(keyOnA(0x032)), full) << "the whole key table, between begin and end";
  EXPECT_EQ(commandsSentBy(keyOnA(0x033)), 3);
}

TEST_F(KeyboardSessionTest, AnEditMadeWhileAnApplyRunsStaysPending) {
  Arrive();
  ASSERT_TRUE(EditKey(0));
  std::optional<ApplyOutcome> outcome;
  ASSERT_EQ(session_.Apply([&](const ApplyOutcome& o) { outcome = o; }), JobStart::kQueued);
  ASSERT_TRUE(EditKey(1));  // before the Apply's end is delivered
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(outcome);
  EXPECT_TRUE(outcome->Applied());
  EXPECT_TRUE(session_.Pending()) << "the second edit is not in the keyboard";
}

TEST_F(KeyboardSessionTest, NothingChangesTheProfileWhileAReadBackIsUnderWay) {
  Arrive();
  ASSERT_TRUE(EditKey(0));
  ASSERT_EQ(session_.SwitchProfileAndReadBack(1), JobStart::kQueued);
  ASSERT_TRUE(WaitFor([&] { return session_.ReadBackUnderWay(); }));
  EXPECT_EQ(session_.Apply([](const ApplyOutcome&) {}), JobStart::kReadingBack);
  WorkingProfile imported;
  ASSERT_TRUE(NewDefaultProfile(imported));
  EXPECT_EQ(session_.Import(std::move(imported), [](bool) {}), JobStart::kReadingBack);
  EXPECT_EQ(Entry(0, 0x1E).type, AssignmentType::Key) << "the refused import changed nothing";
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(Saw(Kind::kProfileSwitched, 1));
}

// The file takes the changes first: a keyboard that cannot be asked for its
// current profile costs the user nothing, and nothing reaches it.
TEST_F(KeyboardSessionTest, AnApplySavesTheProfileFileEvenWhenTheKeyboardCannotBeReached) {
  struct Case {
    const char* name;
    bool unplugged;
    SimFaults faults;
  };
  Arrive();
  // Unplugged last: the keyboard stays away.
  for (const Case& c : {Case{"its status unanswered", false, {.loseReplies = 3}}, Case{"unplugged", true, {}}}) {
    SCOPED_TRACE(c.name);
    if (c.unplugged) {
      keyboard_.Unplug();
      ASSERT_TRUE(WaitFor([&] {
        session_.DeliverEvents();
        return Saw(Kind::kKeyboardLeft) && !session_.Busy();
      }));
    }
    ASSERT_TRUE(EditKey(1));
    link_.ForgetCurrentProfile();
    keyboard_.SetFaults(c.faults);
    keyboard_.ClearLog();

    const std::optional<ApplyOutcome> outcome = ApplyAndWait();
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->saved);
    EXPECT_EQ(outcome->download, DeviceResult::kAbsent) << DeviceResultName(outcome->download);
    EXPECT_TRUE(session_.Pending());
    EXPECT_FALSE(FileExists(ApplyNotePath(path_))) << "nothing was sent";
    WorkingProfile saved;
    ASSERT_TRUE(LoadProfileFile(saved, path_));
    EXPECT_EQ(saved.block->area[AssignmentIndex(1, 0x1E)].param, 0x030u);
    keyboard_.SetFaults({});
  }
}

TEST_F(KeyboardSessionTest, AnImportReplacesTheProfileAndIsPendingUntilTheKeyboardHoldsIt) {
  Arrive();
  WorkingProfile imported;
  ASSERT_TRUE(NewDefaultProfile(imported));
  for (int bank = 0; bank < kKeyboardProfileCount; ++bank)
    imported.block->area[AssignmentIndex(bank, 0x1E)] = {AssignmentType::Key, 0, 0x030, 0, 0};
  events_.clear();
  std::optional<bool> sent;
  ASSERT_EQ(session_.Import(std::move(imported), [&](bool taken) { sent = taken; }), JobStart::kQueued);
  EXPECT_TRUE(Saw(Kind::kProfileLoaded));
  EXPECT_EQ(Entry(2, 0x1E).type, AssignmentType::Key) << "the working profile at once";
  EXPECT_TRUE(session_.Pending());
  ASSERT_TRUE(Settle());
  EXPECT_EQ(sent, true);
  EXPECT_FALSE(session_.Pending());
  for (int bank = 0; bank < kKeyboardProfileCount; ++bank) EXPECT_TRUE(KeyboardHolds(bank)) << bank;
  WorkingProfile saved;
  ASSERT_TRUE(LoadProfileFile(saved, path_));
  EXPECT_EQ(saved.block->area[AssignmentIndex(2, 0x1E)].type, AssignmentType::Key) << "the profile file too";
}

// ---- Switching from the profile buttons --------------------------------------

TEST_F(KeyboardSessionTest, SwitchingTellsTheKeyboardAndWrapsHighIndexes) {
  Arrive();
  FakeUserInterface ui;
  struct Case { int index; int keyboardProfile; };
  const Case cases[] = {{2, 2}, {5, 0}, {1, 1}, {-1, 1}};
  events_.clear();
  for (const Case& c : cases) {
    EXPECT_TRUE(AskAndSwitchProfile(session_, {ui, false, false, {}}, c.index)) << c.index;
    ASSERT_TRUE(Settle());
    StatusBlock status{};
    ASSERT_EQ(link_.ReadStatus(status), DeviceResult::kOk);
    EXPECT_EQ(status[10], c.keyboardProfile) << c.index;
  }
  std::vector<int> switchedTo;
  for (const SessionEvent& event : events_)
    if (event.kind == Kind::kProfileSwitched) switchedTo.push_back(event.value);
  EXPECT_EQ(switchedTo, (std::vector<int>{2, 0, 1, -1}));
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(KeyboardSessionTest, SwitchingWithTheEditorOpenIsRefused) {
  Arrive();
  FakeUserInterface ui;
  EXPECT_FALSE(AskAndSwitchProfile(session_, {ui, true, false, {}}, 2));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(ui.Messages(), std::vector<std::u16string>{std::u16string(Text(TextKey::PROFILE_SEELCT_PROMPT2))});
  StatusBlock status{};
  ASSERT_EQ(link_.ReadStatus(status), DeviceResult::kOk);
  EXPECT_EQ(status[10], 0);
}

TEST_F(KeyboardSessionTest, PendingChangesAreSavedOrDroppedAsTheUserSays) {
  Arrive();  // the file mirrors the keyboard
  ASSERT_TRUE(EditKey(1));
  FakeUserInterface ui;
  int applies = 0;
  ui.answerYes = true;
  EXPECT_TRUE(AskAndSwitchProfile(session_, {ui, false, false, [&] { ++applies; }}, 1));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(applies, 1);
  EXPECT_EQ(ui.questions.size(), 1u);

  ui.answerYes = false;
  EXPECT_TRUE(AskAndSwitchProfile(session_, {ui, false, false, [&] { ++applies; }}, 2));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(applies, 1);
  EXPECT_FALSE(session_.Pending());
  EXPECT_EQ(Entry(1, 0x1E).type, AssignmentType::Default) << "edits dropped";
  EXPECT_EQ(link_.CurrentProfile(), 2);

  // The profile manager's changes are asked about too.
  EXPECT_TRUE(AskAndSwitchProfile(session_, {ui, false, true, [&] { ++applies; }}, 0));
  EXPECT_EQ(ui.questions.size(), 3u);
}

// ---- Everything at once ------------------------------------------------------

// Applies, a storm of keyboard notices and attach work at once: no deadlock,
// no lost reply, every layer toggle counted.
TEST_F(KeyboardSessionTest, AppliesNoticesAndAttachWorkRunTogether) {
  Arrive();
  constexpr int kApplies = 15, kToggles = 100;
  int layerEvents = 0;
  session_.Subscribe([&](const SessionEvent& event) { layerEvents += event.kind == Kind::kLayerChanged; });
  auto storming = std::async(std::launch::async, [&] {
    for (int i = 0; i < kToggles; ++i) keyboard_.SendConsumerNotice(kNoticeLayerToggle);
  });
  int applied = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  for (int i = 0; i < kApplies && std::chrono::steady_clock::now() < end; ++i) {
    // Attach work between the applies: an edit made before it ended would be
    // dropped by it, as the window refuses the editor meanwhile.
    if (i % 4 == 0) session_.SwitchProfileAndReadBack(-1);
    ASSERT_TRUE(Settle());
    session_.Edit([&](WorkingProfile& p) {
      p.block->area[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, KeyboardKeys[i], 0, 0};
      return true;
    });
    std::optional<ApplyOutcome> outcome;
    ASSERT_EQ(session_.Apply([&](const ApplyOutcome& o) { outcome = o; }), JobStart::kQueued);
    ASSERT_TRUE(Settle());
    applied += outcome && outcome->Applied();
  }
  if (storming.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    ADD_FAILURE() << "deadlock: the notices did not end";
    std::_Exit(1);
  }
  EXPECT_EQ(applied, kApplies) << "every apply got its replies";
  EXPECT_TRUE(WaitFor([&] {
    session_.DeliverEvents();
    return layerEvents == kToggles;
  }, std::chrono::seconds(20)));
  EXPECT_EQ(link_.Layer(), 0);
}

// One lighting state for every front: read at the arrival, changed at once
// with its writes behind, read again once for a burst of the keyboard's own
// changes.
TEST_F(KeyboardSessionTest, TheLightingIsReadAtArrivalChangedAtOnceAndFollowsTheKeyboard) {
  std::vector<std::uint8_t> offered{1, 5, 9};
  offered.resize(kOfferedEffectSlots, 0);
  ASSERT_TRUE(keyboard_.Poke(SimArea::kStatus, kStatusEffectsFirst, offered));
  session_.FollowLighting();
  Arrive();
  EXPECT_EQ(session_.Lighting().offeredEffects, (std::vector<int>{1, 5, 9}));
  EXPECT_TRUE(Saw(Kind::kLightingChanged, static_cast<int>(LightingSource::kKeyboard)));

  events_.clear();
  bool written = false;
  ASSERT_TRUE(session_.ChangeLighting(LightingSource::kClient, [](LightingState& s) { return SetBrightness(s, 7); },
                                      false, [&] { written = true; }));
  EXPECT_EQ(session_.Lighting().brightness, 7) << "at once";
  EXPECT_TRUE(Saw(Kind::kLightingChanged, static_cast<int>(LightingSource::kClient)));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(written);
  std::uint8_t brightness = 0;
  keyboard_.Read(SimArea::kSettings, kBrightnessOffset, std::span(&brightness, 1));
  EXPECT_EQ(brightness, 7);

  // The keyboard's own keys: three notices, one read.
  const std::uint8_t effect9 = 9;
  ASSERT_TRUE(keyboard_.Poke(SimArea::kSettings, kEffectModeOffset, std::span(&effect9, 1)));
  keyboard_.ClearLog();
  for (int i = 0; i < 3; ++i) keyboard_.SendConsumerNotice(kNoticeSettingsChanged);
  ASSERT_TRUE(WaitFor([&] {
    session_.DeliverEvents();
    return session_.Lighting().effectMode == 9 && !session_.Busy();
  }));
  int statusReads = 0;
  for (const SimLogEntry& entry : keyboard_.Log())
    statusReads += entry.fromHost && entry.usagePage == kControlUsagePage &&
                   FrameFromBytes(entry.bytes)[kFrameCode] == kCommandReadStatus;
  EXPECT_LE(statusReads, 2) << "a burst is not a read per notice";
}

}  // namespace
