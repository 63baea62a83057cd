#include "device/keyboard_notices.h"

#include <gtest/gtest.h>

#include "shell/shell_state.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"
#include "tests/device/link_fixture.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/wait.h"

namespace {

// A simulated keyboard, the link and the notice handling over it.
class KeyboardNoticesTest : public ::testing::Test {
 protected:
  KeyboardNoticesTest() : service_(keyboard_), table_(service_.Table()), link_(table_, QuickTimings()), notices_(link_) {}

  void SetUp() override {
    SetUserInterface(&ui_);
    ResetDefaultKeyTable();
    Shell().devicesPresent = 0;
    table_.Init(0);
    startCount_ = link_.Start(&notices_);
  }
  void TearDown() override {
    notices_.Stop();
    link_.Stop();
    table_.End();
    SetUserInterface(nullptr);
    ResetDefaultKeyTable();
    Shell().devicesPresent = 0;
  }

  KeyboardSimulator keyboard_;
  SimulatedService service_;
  DeviceService table_;
  DeviceLink link_;
  KeyboardNotices notices_;
  FakeUserInterface ui_;
  int startCount_ = 0;
};

TEST_F(KeyboardNoticesTest, AnArrivingKeyboardGivesItsDefaultTableCapacityAndIcon) {
  // The keyboard's own default table differs from the built-in one.
  DeviceKeyTable own = kBuiltInDefaultKeyTable;
  own[3] = DeviceKeyRecord{{2, 2, 0x1E}};
  ASSERT_TRUE(keyboard_.Poke(SimArea::kDefaultTable, 0, std::span(&own[0].bytes[0], sizeof own)));

  ASSERT_EQ(startCount_, 1);
  notices_.StartAttachWorker(startCount_);
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 1; }));
  EXPECT_EQ(ui_.readyCount, 1);
  EXPECT_EQ(DefaultKeyTable(), own);
  EXPECT_EQ(link_.MacroCapacity(), kSimDefaultCapacityUnits * 128u);
  EXPECT_EQ(ui_.TrayStates(), (std::vector<std::pair<int, int>>{{0, 141}}));
  EXPECT_EQ(Shell().devicesPresent, 1);

  // The same count again: the worker ends at once.
  notices_.StartAttachWorker(1);
  notices_.Stop();
  EXPECT_EQ(ui_.readyCount, 1);
}

TEST_F(KeyboardNoticesTest, ALeavingKeyboardForgetsItsProfileAndGreysTheIcon) {
  notices_.StartAttachWorker(1);
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
  notices_.StartAttachWorker(0);
  notices_.Stop();
  EXPECT_EQ(ui_.goneCount, 0);
  EXPECT_TRUE(ui_.TrayStates().empty());
}

TEST_F(KeyboardNoticesTest, AFailedDefaultTableReadIsToldAndTheOldTableKept) {
  SimFaults faults;
  faults.loseReplies = 3;  // every attempt of the default-table read
  keyboard_.SetFaults(faults);
  notices_.StartAttachWorker(1);
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 1; }));
  EXPECT_EQ(ui_.Messages(), std::vector<std::u16string>{std::u16string(Text(TextKey::MAIN_DEFAULT_MATRIX_PROMPT))});
  EXPECT_EQ(DefaultKeyTable(), kBuiltInDefaultKeyTable);
  EXPECT_EQ(ui_.readyCount, 1);
}

TEST_F(KeyboardNoticesTest, TheIconWaitsUntilTheWindowHasStarted) {
  ui_.initDone = false;
  notices_.StartAttachWorker(1);
  ASSERT_TRUE(WaitFor([&] { return ui_.readyCount == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_TRUE(ui_.TrayStates().empty());
  EXPECT_EQ(notices_.LastDeviceCount(), 0);
  ui_.initDone = true;
  ASSERT_TRUE(WaitFor([&] { return notices_.LastDeviceCount() == 1; }));
  EXPECT_EQ(ui_.TrayStates().size(), 1u);
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
