// Applying, a storm of keyboard notices and attach work at once: no
// deadlock, no lost reply, every layer toggle counted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>

#include "device/keyboard_notices.h"
#include "profiles/profile_keyboard.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"
#include "tests/device/link_fixture.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/wait.h"

namespace {

// A window that loads the profile read back when the keyboard arrives, as the
// main window does.
class ReadingBackInterface : public FakeUserInterface {
 public:
  std::function<void()> onReady;
  void DeviceReady(bool readBack) override {
    FakeUserInterface::DeviceReady(readBack);
    if (onReady) onReady();
  }
};

TEST(ProfileConcurrency, ApplyNoticesAndAttachWorkersRunTogether) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "ostrak-concurrency";
  std::filesystem::create_directories(folder);
  const std::u16string path = (folder / "$Profile0").u16string();

  KeyboardSimulator keyboard;
  SimulatedService service(keyboard);
  DeviceService table = service.Table();
  DeviceLink link(table);
  ReadingBackInterface ui;
  WorkingProfile working;
  AppliedProfile applied;
  RecordingMessages messages;
  {
    TransferThread transfers(link);
    KeyboardNotices notices(link, transfers, messages, ui, [&] { return ReadProfileFromKeyboard(link, path); });
    table.Init(0);
    ASSERT_EQ(link.Start(&notices), 1);
    link.RefreshMacroCapacity();
    {
      std::lock_guard guard(working.lock);
      ASSERT_TRUE(NewDefaultProfile(working));
      ASSERT_EQ(AllocateMacroList(working.macros, 2), 1);
      FillNewMacroRecord(working.macros.records[0], u"One", 1);
      FillNewMacroRecord(working.macros.records[1], u"Two", 2);
    }
    ui.onReady = [&] { LoadProfileFromKeyboard(ui, working, path); };

    constexpr int kApplies = 15, kToggles = 100, kAttaches = 8;
    auto applying = std::async(std::launch::async, [&] {
      int succeeded = 0;
      for (int i = 0; i < kApplies; ++i) {
        std::lock_guard guard(working.lock);
        working.block->area[AssignmentIndex(0, 0x1E)] = {AssignmentType::Key, 0, KeyboardKeys[i], 0, 0};
        succeeded += ApplyProfile(link, messages, working, applied, i % 2 == 0);
      }
      return succeeded;
    });
    auto storming = std::async(std::launch::async, [&] {
      for (int i = 0; i < kToggles; ++i) keyboard.SendConsumerNotice(kNoticeLayerToggle);
    });
    auto attaching = std::async(std::launch::async, [&] {
      for (int i = 0; i < kAttaches; ++i) {
        notices.OnDeviceCount(i % 2 == 0 ? 1 : 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });

    const auto limit = std::chrono::seconds(90);
    if (applying.wait_for(limit) != std::future_status::ready || storming.wait_for(limit) != std::future_status::ready ||
        attaching.wait_for(limit) != std::future_status::ready) {
      ADD_FAILURE() << "deadlock: the threads did not finish";
      std::_Exit(1);
    }
    EXPECT_EQ(applying.get(), kApplies) << "every apply got its replies";
    EXPECT_TRUE(WaitFor([&] { return ui.layerShows == kToggles; }, std::chrono::seconds(20)));
    EXPECT_EQ(link.Layer(), 0);
    EXPECT_TRUE(messages.shown.empty());
    transfers.Stop();
    notices.Stop();
    link.Stop();
  }
  table.End();
  std::filesystem::remove_all(folder);
}

}  // namespace
