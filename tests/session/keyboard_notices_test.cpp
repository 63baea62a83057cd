#include "session/keyboard_notices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "app/shell_state.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"
#include "tests/device/link_fixture.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/wait.h"

namespace {

// A simulated keyboard, the link, its transfer thread and the notice handling
// over them; the read-back is counted and can be given a fault of its own.
class KeyboardNoticesTest : public ::testing::Test {
 protected:
  KeyboardNoticesTest()
      : service_(keyboard_),
        table_(service_.Table()),
        link_(table_, QuickTimings()),
        transfers_(link_),
        notices_(link_, transfers_, ui_, [this] {
          ++readBacks_;
          if (duringReadBack_) duringReadBack_();
          StatusBlock status{};
          return link_.ReadStatus(status) == DeviceResult::kOk;
        }) {}

  void SetUp() override {
    ResetDefaultKeyTable();
    Shell().devicesPresent = 0;
    table_.Init(0);
    startCount_ = link_.Start(&notices_);
  }
  void TearDown() override {
    transfers_.Stop();
    notices_.Stop();
    link_.Stop();
    table_.End();
    ResetDefaultKeyTable();
    Shell().devicesPresent = 0;
  }
  bool Settled() {
    return WaitFor([&] { return !transfers_.Busy(); });
  }

  KeyboardSimulator keyboard_;
  SimulatedService service_;
  DeviceService table_;
  DeviceLink link_;
  TransferThread transfers_;
  FakeUserInterface ui_;
  KeyboardNotices notices_;
  std::atomic<int> readBacks_{0};
  std::function<void()> duringReadBack_;
  int startCount_ = 0;
};

TEST_F(KeyboardNoticesTest, AnArrivingKeyboardGivesItsDefaultTableCapacityAndIcon) {
  // The keyboard's own default table differs from the built-in one.
  DeviceKeyTable own = kBuiltInDefaultKeyTable;
  own[3] = DeviceKeyRecord{{2, 2, 0x1E}};
  ASSERT_TRUE(keyboard_.Poke(SimArea::kDefaultTable, 0, std::span(&own[0].bytes[0], sizeof own)));

  ASSERT_EQ(startCount_, 1);
  bool readingShown = false;
  duringReadBack_ = [&] { readingShown = ui_.reading; };
  notices_.OnDeviceCount(startCount_);
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 1; }));
  EXPECT_EQ(ui_.readyCount, 1);
  EXPECT_TRUE(ui_.lastReadBack) << "the read-back's result reaches the window";
  EXPECT_EQ(readBacks_, 1);
  EXPECT_TRUE(readingShown) << "the window knows a keyboard is being read";
  EXPECT_EQ(DefaultKeyTable(), own);
  EXPECT_EQ(link_.MacroCapacity(), kSimDefaultCapacityUnits * 128u);
  EXPECT_EQ(ui_.TrayStates(), (std::vector<std::pair<int, int>>{{0, 141}}));
  EXPECT_EQ(Shell().devicesPresent, 1);

  // The same count again: nothing more is read.
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(ui_.readyCount, 1);
  EXPECT_EQ(readBacks_, 1);
}

TEST_F(KeyboardNoticesTest, ALeavingKeyboardForgetsItsProfileAndGreysTheIcon) {
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 1; }));
  ASSERT_GE(link_.CurrentProfile(), 0);

  keyboard_.Unplug();
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 0; }));
  EXPECT_EQ(ui_.goneCount, 1);
  EXPECT_EQ(link_.CachedProfile(), kUnknownProfile);
  EXPECT_EQ(ui_.TrayStates().back(), (std::pair<int, int>{0, 128}));
  EXPECT_EQ(Shell().devicesPresent, 0);

  // Plugged in again, it is read again.
  keyboard_.Plug();
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 1; }));
  EXPECT_EQ(ui_.readyCount, 2);
}

TEST_F(KeyboardNoticesTest, LeavingWhileNoneWasAttachedDoesNothing) {
  notices_.OnDeviceCount(0);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(ui_.goneCount, 0);
  EXPECT_TRUE(ui_.TrayStates().empty());
}

// The last count always wins: a keyboard pulled out while it is being read
// never reaches the window as present, and the next plug-in is read again.
TEST_F(KeyboardNoticesTest, AKeyboardPulledOutDuringItsReadBackIsNeverReported) {
  duringReadBack_ = [&] {
    duringReadBack_ = nullptr;
    const unsigned noticed = notices_.CountsNoticed();
    keyboard_.Unplug();
    ASSERT_TRUE(WaitFor([&] { return notices_.CountsNoticed() > noticed; }));
  };
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(WaitFor([&] { return readBacks_ == 1; }));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(ui_.readyCount, 0) << "the window never hears of it";
  EXPECT_FALSE(ui_.reading) << "the reading was given up";
  EXPECT_EQ(ui_.goneCount, 0);
  EXPECT_EQ(notices_.LastDeviceCount(), 0);
  EXPECT_EQ(Shell().devicesPresent, 0);

  keyboard_.Plug();
  ASSERT_TRUE(WaitFor([&] { return ui_.readyCount == 1; }));
  EXPECT_EQ(readBacks_, 2) << "plugged in again, it is read again";
  EXPECT_EQ(notices_.LastDeviceCount(), 1);
  EXPECT_EQ(Shell().devicesPresent, 1);
}

TEST_F(KeyboardNoticesTest, AKeyboardPluggedInAgainDuringItsReadBackIsReadAgain) {
  duringReadBack_ = [&] {
    duringReadBack_ = nullptr;
    const unsigned noticed = notices_.CountsNoticed();
    keyboard_.Unplug();
    keyboard_.Plug();
    ASSERT_TRUE(WaitFor([&] { return notices_.CountsNoticed() == noticed + 2; }));
  };
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(WaitFor([&] { return ui_.readyCount == 1; }));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(readBacks_, 2);
  EXPECT_EQ(ui_.readyCount, 1);
  EXPECT_TRUE(ui_.lastReadBack);
  EXPECT_EQ(ui_.goneCount, 0);
  EXPECT_EQ(notices_.LastDeviceCount(), 1);
}

// From the moment a keyboard is noticed until the window has taken what was
// read, nothing that writes the profile may be queued; once it has, a job is
// queued ahead of any later read-back, which then reads what the job left.
TEST_F(KeyboardNoticesTest, JobsThatChangeTheProfileWaitUntilTheWindowHasTakenTheReadBack) {
  std::atomic<bool> release{false};
  duringReadBack_ = [&] { ASSERT_TRUE(WaitFor([&] { return release.load(); })); };
  int ran = 0;
  const auto job = [&] { ++ran; };

  notices_.OnDeviceCount(1);
  EXPECT_TRUE(notices_.ReadBackUnderWay());
  EXPECT_FALSE(notices_.PostUnlessReadingBack(job)) << "queued before the read-back";
  release = true;
  ASSERT_TRUE(WaitFor([&] { return ui_.readyCount == 1; }));
  EXPECT_TRUE(notices_.ReadBackUnderWay()) << "told, not yet taken by the window";
  EXPECT_FALSE(notices_.PostUnlessReadingBack(job));
  notices_.TakeReadBack();
  EXPECT_FALSE(notices_.ReadBackUnderWay());

  // A job queued first runs first; the keyboard noticed after it is read after it.
  release = false;
  int readBacksWhenJobRan = -1;
  ASSERT_TRUE(notices_.PostUnlessReadingBack([&] {
    ASSERT_TRUE(WaitFor([&] { return notices_.ReadBackUnderWay(); }));
    readBacksWhenJobRan = readBacks_;
  }));
  notices_.ReadAgain();
  release = true;
  ASSERT_TRUE(WaitFor([&] { return ui_.readyCount == 2; }));
  EXPECT_EQ(readBacksWhenJobRan, 1);
  EXPECT_EQ(readBacks_, 2);
  notices_.TakeReadBack();
  EXPECT_FALSE(notices_.ReadBackUnderWay());
  EXPECT_EQ(ran, 0);

  // A count that changes nothing settles without the window.
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(Settled());
  EXPECT_FALSE(notices_.ReadBackUnderWay());
}

// A lent keyboard is being read from the moment it is lent: what the console
// command changes is read back before anything else may change the profile.
TEST_F(KeyboardNoticesTest, ALentKeyboardIsReadBackBeforeTheProfileMayChange) {
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(WaitFor([&] { return ui_.readyCount == 1; }));
  notices_.TakeReadBack();

  std::atomic<bool> commandEnded{false};
  ASSERT_TRUE(notices_.LendThenReadAgain([&] { ASSERT_TRUE(WaitFor([&] { return commandEnded.load(); })); }));
  EXPECT_TRUE(notices_.ReadBackUnderWay());
  EXPECT_FALSE(notices_.PostUnlessReadingBack([] {}));
  commandEnded = true;
  ASSERT_TRUE(WaitFor([&] { return ui_.readyCount == 2; }));
  EXPECT_EQ(readBacks_, 2);
  EXPECT_TRUE(notices_.ReadBackUnderWay());
  notices_.TakeReadBack();
  EXPECT_FALSE(notices_.ReadBackUnderWay());
}

TEST_F(KeyboardNoticesTest, AFailedDefaultTableReadIsToldByMessageAndTheOldTableKept) {
  SimFaults faults;
  faults.loseReplies = 3;  // every attempt of the default-table read
  keyboard_.SetFaults(faults);
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 1; }));
  EXPECT_EQ(ui_.told, std::vector<TextKey>{TextKey::MAIN_DEFAULT_MATRIX_PROMPT});
  EXPECT_TRUE(ui_.Messages().empty()) << "no box is shown on the transfer thread";
  EXPECT_EQ(DefaultKeyTable(), kBuiltInDefaultKeyTable);
  EXPECT_EQ(ui_.readyCount, 1);
}

TEST_F(KeyboardNoticesTest, TheWindowHearsOfTheKeyboardOnceItHasStarted) {
  ui_.initDone = false;
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(WaitFor([&] { return readBacks_ == 1; }));
  EXPECT_TRUE(transfers_.Busy()) << "the attach work waits for the window";
  EXPECT_EQ(ui_.readyCount, 0);
  EXPECT_TRUE(ui_.TrayStates().empty());
  ui_.initDone = true;
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 1; }));
  EXPECT_EQ(ui_.readyCount, 1);
  EXPECT_EQ(ui_.TrayStates().size(), 1u);
}

TEST_F(KeyboardNoticesTest, StoppingGivesUpTheAttachWorkWaitingForTheWindow) {
  ui_.initDone = false;
  notices_.OnDeviceCount(1);
  ASSERT_TRUE(WaitFor([&] { return readBacks_ == 1; }));
  transfers_.Stop();
  EXPECT_FALSE(transfers_.Busy());
  EXPECT_EQ(ui_.readyCount, 0);
}

TEST_F(KeyboardNoticesTest, TheLayerKeyFlipsTheLayerAndRewritesTheLockLights) {
  ASSERT_EQ(link_.Layer(), 0);
  keyboard_.ClearLog();
  keyboard_.SendConsumerNotice(kNoticeLayerToggle);
  ASSERT_TRUE(WaitFor([&] { return ui_.layerShows == 1; }));
  EXPECT_EQ(link_.Layer(), 1);
  keyboard_.SendConsumerNotice(kNoticeLayerToggle);
  ASSERT_TRUE(WaitFor([&] { return ui_.layerShows == 2; }));
  EXPECT_EQ(link_.Layer(), 0);

  int lockLightWrites = 0;
  for (const SimLogEntry& entry : keyboard_.Log())
    if (entry.fromHost && entry.usagePage != kControlUsagePage) ++lockLightWrites;
  EXPECT_EQ(lockLightWrites, 2);
}

TEST_F(KeyboardNoticesTest, SettingsAndSpecialStateNoticesReachTheWindowInOrder) {
  keyboard_.SendConsumerNotice(kNoticeSettingsChanged);
  ASSERT_TRUE(WaitFor([&] { return ui_.lightingRefreshes == 1; }));

  keyboard_.SendConsumerNotice(kNoticeSpecialStateOn);
  ASSERT_TRUE(WaitFor([&] { return ui_.TrayStates().size() == 1; }));
  keyboard_.SendConsumerNotice(kNoticeSpecialStateOff);
  ASSERT_TRUE(WaitFor([&] { return ui_.TrayStates().size() == 2; }));
  EXPECT_EQ(ui_.TrayStates(), (std::vector<std::pair<int, int>>{{1, 0}, {0, 0}}));

  for (std::uint16_t ignored : {0x1801, 0x1804, 0x1234}) keyboard_.SendConsumerNotice(ignored);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ui_.TrayStates().size(), 2u);
  EXPECT_EQ(ui_.lightingRefreshes, 1);
}

}  // namespace
