// HidServ.dll under Wine with the keyboard simulator's server (its Windows
// build, started by the test beside it): loading, the keyboard count, command
// round trips, a notice reaching the callback, a wrong check refused, a server
// that starts after the library and stops again, and the HID back end with no
// keyboard attached.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_check.h"
#include "device/device_link.h"
#include "device/device_service_win.h"
#include "macros/macro_image.h"
#include "profiles/profile_download.h"
#include "simulator/sim_protocol.h"
#include "tests/support/sim_server_win.h"
#include "tests/support/wait.h"

namespace {

std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

class Sink : public DeviceNoticeSink {
 public:
  void OnConsumerNotice(std::uint16_t code) override {
    std::lock_guard lock(mutex_);
    codes.push_back(code);
    changed_.notify_all();
  }
  void OnDeviceCount(int count) override {
    std::lock_guard lock(mutex_);
    counts.push_back(count);
    changed_.notify_all();
  }
  template <typename Done>
  bool WaitFor(Done done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return done(*this); });
  }
  std::vector<std::uint16_t> codes;
  std::vector<int> counts;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

std::vector<std::uint8_t> HexOf(const std::string& answer) {
  std::vector<std::uint8_t> bytes;
  if (answer.rfind("OK ", 0) == 0) ParseHexBytes(answer.substr(3), bytes);
  return bytes;
}

class HidServWithSimulator : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new SimServer;
    ASSERT_TRUE(server_->Start());
    const std::string setting = "sim:127.0.0.1:" + std::to_string(server_->Port());
    SetEnvironmentVariableA("OSTRAK_DEVICE", setting.c_str());
    ASSERT_TRUE(LoadDeviceService(WindowsPath(OSTRAK_PROGRAM_DIR_UNIX), service_));
    ASSERT_EQ(service_.Init(0), 1);
  }
  static void TearDownTestSuite() {
    if (service_.End) service_.End();
    SetEnvironmentVariableA("OSTRAK_DEVICE", nullptr);
    if (server_) server_->Stop();
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(server_, nullptr);
    ASSERT_EQ(server_->Control("plug"), "OK");
    ASSERT_EQ(server_->Control("faults latency=0 lose=0 wrongcode=0 status=0 unplugafter=-1 echo=full"), "OK");
    link_ = std::make_unique<DeviceLink>(service_);
    startCount_ = link_->Start(&sink_);
  }
  void TearDown() override {
    link_->Stop();
    link_.reset();
  }

  static SimServer* server_;
  static DeviceService service_;
  Sink sink_;
  std::unique_ptr<DeviceLink> link_;
  int startCount_ = -1;
};

SimServer* HidServWithSimulator::server_ = nullptr;
DeviceService HidServWithSimulator::service_{};


// The count notices that reach a standing 'CTRL' read.
std::mutex gNoticeLock;
std::vector<int> gCountNotices;

int RecordCountNotice(const RequestNotice* notice) {
  if (notice->kind == OSTRAK_NOTICE_COUNT && notice->block->tag == OSTRAK_TAG_CTRL) {
    std::lock_guard lock(gNoticeLock);
    gCountNotices.push_back(static_cast<int>(notice->block->count));
  }
  return 1;
}

std::vector<int> CountNotices() {
  std::lock_guard lock(gNoticeLock);
  return gCountNotices;
}

int KeyboardCount(const DeviceService& service) {
  return service.RequestGetDeviceCount(&kControlSelector, nullptr, 0,
                                       RequestCheck(kControlSelector, nullptr, 0, nullptr, 0), nullptr);
}

}  // namespace

TEST(HidServLoad, EveryEntryPointIsResolvedAndAMissingLibraryIsRefused) {
  DeviceService service{};
  ASSERT_TRUE(LoadDeviceService(WindowsPath(OSTRAK_PROGRAM_DIR_UNIX), service));
  const void* const* entries = reinterpret_cast<const void* const*>(&service);
  for (int i = 0; i < OSTRAK_DEVICE_SERVICE_ENTRY_COUNT; ++i) EXPECT_NE(entries[i], nullptr) << i;
  DeviceService none{};
  EXPECT_FALSE(LoadDeviceService(WindowsPath(OSTRAK_TEST_PROGRAMS_DIR_UNIX), none));
  EXPECT_EQ(none.Init, nullptr);
}

TEST_F(HidServWithSimulator, CountFollowsPlugAndUnplug) {
  EXPECT_EQ(startCount_, 1);
  EXPECT_EQ(link_->DeviceCount(), 1);
  ASSERT_EQ(server_->Control("unplug"), "OK");
  ASSERT_TRUE(sink_.WaitFor([](Sink& s) { return !s.counts.empty(); }));
  EXPECT_EQ(sink_.counts.front(), 0);
  EXPECT_EQ(link_->DeviceCount(), 0);
  StatusBlock status{};
  EXPECT_EQ(link_->ReadStatus(status), DeviceResult::kAbsent);
  ASSERT_EQ(server_->Control("plug"), "OK");
  ASSERT_TRUE(sink_.WaitFor([](Sink& s) { return s.counts.size() == 2; }));
  EXPECT_EQ(sink_.counts.back(), 1);
  EXPECT_EQ(link_->ReadStatus(status), DeviceResult::kOk);
}

TEST_F(HidServWithSimulator, CommandsRoundTrip) {
  StatusBlock status{};
  ASSERT_EQ(link_->ReadStatus(status), DeviceResult::kOk);
  EXPECT_EQ(status[kStatusMacroCapacity], 0x40);
  ASSERT_EQ(link_->SetCurrentProfile(1), DeviceResult::kOk);
  EXPECT_EQ(HexOf(server_->Control("read status 10 1")), std::vector<std::uint8_t>{1});

  DeviceKeyTable table{};
  auto* bytes = reinterpret_cast<std::uint8_t*>(table.data());
  for (std::size_t i = 0; i < kKeyTableBytes; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13);
  ASSERT_EQ(link_->WriteKeyTable(2, table), DeviceResult::kOk);
  EXPECT_EQ(HexOf(server_->Control("read keytables 1024 480")), std::vector<std::uint8_t>(bytes, bytes + 480));
  DeviceKeyTable back{};
  ASSERT_EQ(link_->ReadKeyTable(2, back), DeviceResult::kOk);
  EXPECT_EQ(back, table);

  ASSERT_EQ(server_->Control("faults status=3 statusbyte=FE"), "OK");
  EXPECT_EQ(link_->ReadStatus(status), DeviceResult::kReplyBusy);
}

// A keyboard whose replies repeat only the command code: learned as such
// from its replies through HidServ.dll, and read and written as any other.
TEST_F(HidServWithSimulator, AKeyboardThatRepeatsOnlyTheCodeWorks) {
  ASSERT_EQ(server_->Control("faults echo=code"), "OK");
  DeviceKeyTable table{};
  auto* bytes = reinterpret_cast<std::uint8_t*>(table.data());
  for (std::size_t i = 0; i < kKeyTableBytes; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  ASSERT_EQ(link_->WriteKeyTable(1, table), DeviceResult::kOk);
  EXPECT_EQ(HexOf(server_->Control("read keytables 512 480")), std::vector<std::uint8_t>(bytes, bytes + 480));
  DeviceKeyTable back{};
  ASSERT_EQ(link_->ReadKeyTable(1, back), DeviceResult::kOk);
  EXPECT_EQ(back, table);
  EXPECT_EQ(link_->LearnedEcho(), ReplyEcho::kCodeOnly);
}

TEST_F(HidServWithSimulator, DownloadLandsInTheKeyboardsMemory) {
  ASSERT_EQ(link_->RefreshMacroCapacity(), DeviceResult::kOk);
  std::vector<MacroRecord> macros(1);
  FillNewMacroRecord(macros[0], u"Wine", 1);
  macros[0].actionCount = 300;
  for (int i = 0; i < 300; ++i) macros[0].actions[i] = {20, 0x01E, static_cast<std::uint16_t>(i % 2)};
  auto area = std::make_unique<AssignmentArea>();
  area->fill({});
  (*area)[AssignmentIndex(2, KeyCodeToSlot(0x01E))] = {AssignmentType::Macro, 1, 1, 0, 0};
  const DownloadOutcome outcome = DownloadProfiles(*link_, true, {*area, macros});
  ASSERT_EQ(outcome.result, DeviceResult::kOk);
  EXPECT_FALSE(DownloadMessage(outcome).has_value());

  const std::uint32_t size = ComputeMacroImageSizes(macros).fullSize;
  std::vector<std::uint8_t> image(size);
  ASSERT_TRUE(BuildMacroImage(macros, image, size, true));
  EXPECT_EQ(HexOf(server_->Control("read macros 0 " + std::to_string(size))), image);
  const DeviceKeyTable table = BuildDeviceKeyTable(EntriesOfProfile(*area, 2), DefaultKeyTable(),
                                                   [&](std::uint16_t id) { return MacroIndexOfId(macros, id); });
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(table.data());
  EXPECT_EQ(HexOf(server_->Control("read keytables 1024 480")), std::vector<std::uint8_t>(bytes, bytes + 480));
}

TEST_F(HidServWithSimulator, KeyboardPulledOutDuringADownload) {
  link_->SetMacroCapacity(8192);
  std::vector<MacroRecord> macros(1);
  FillNewMacroRecord(macros[0], u"Long", 1);
  macros[0].actionCount = 1000;
  auto area = std::make_unique<AssignmentArea>();
  area->fill({});
  ASSERT_EQ(server_->Control("faults unplugafter=20"), "OK");
  EXPECT_NE(DownloadProfiles(*link_, true, {*area, macros}).result, DeviceResult::kOk);
  ASSERT_TRUE(sink_.WaitFor([](Sink& s) { return !s.counts.empty(); }));
  ASSERT_EQ(server_->Control("plug"), "OK");
  ASSERT_TRUE(sink_.WaitFor([](Sink& s) { return s.counts.size() == 2; }));
  StatusBlock status{};
  EXPECT_EQ(link_->ReadStatus(status), DeviceResult::kOk);
}

TEST_F(HidServWithSimulator, ConsumerNoticeReachesTheCallback) {
  ASSERT_EQ(server_->Control("notice 02FF"), "OK");
  ASSERT_EQ(server_->Control("notice 1811"), "OK");
  ASSERT_TRUE(sink_.WaitFor([](Sink& s) { return s.codes.size() == 2; }));
  EXPECT_EQ(sink_.codes, (std::vector<std::uint16_t>{0x02FF, 0x1811}));
}

TEST_F(HidServWithSimulator, LockLightsReachTheKeyboard) {
  // The write reaches the server on the device connection, maybe after the
  // next control command.
  const auto leds = [&](std::vector<std::uint8_t> expected) {
    return WaitFor([&] { return HexOf(server_->Control("read leds 0 2")) == expected; }, std::chrono::seconds(10));
  };
  ASSERT_EQ(link_->ToggleLayer(), DeviceResult::kOk);
  EXPECT_TRUE(leds({0x05, 0x03}));
  ASSERT_EQ(link_->ToggleLayer(), DeviceResult::kOk);
  EXPECT_TRUE(leds({0x05, 0x02}));
}

TEST_F(HidServWithSimulator, RequestWithAWrongCheckIsRefused) {
  const std::string before = server_->Control("commands");
  const CommandFrame frame = MakeCommandFrame(kCommandBeginConfiguration, 0, 0);
  const std::uint32_t check = RequestCheck(kControlSelector, nullptr, 0, frame.data(), frame.size());
  EXPECT_LE(service_.RequestWriteOne(&kControlSelector, nullptr, 0, frame.data(), 64, check ^ 1, nullptr), 0);
  EXPECT_LE(service_.RequestGetDeviceCount(&kControlSelector, nullptr, 0, 7, nullptr), 0);
  std::uint32_t id = 0;
  EXPECT_LE(service_.RequestAsyncRead(&kConsumerSelector, DeviceNoticeHandler, OSTRAK_TAG_CONS, 0, &id), 0);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(server_->Control("commands"), before);
  // The same request with its right check is sent (it reaches the server on
  // the device connection, maybe after the next control command).
  EXPECT_EQ(service_.RequestWriteOne(&kControlSelector, nullptr, 0, frame.data(), 64, check, nullptr), 1);
  EXPECT_TRUE(WaitFor([&] { return server_->Control("commands") != before; }, std::chrono::seconds(10)));
}

TEST_F(HidServWithSimulator, BootRequestTakesTheKeyboardAway) {
  EXPECT_EQ(link_->SendBootRequest(), DeviceResult::kOk);
  ASSERT_TRUE(sink_.WaitFor([](Sink& s) { return !s.counts.empty(); }));
  EXPECT_EQ(server_->Control("boots"), "OK 1");
  EXPECT_EQ(link_->DeviceCount(), 0);
}

// Last: switches the library to its HID back end, where Wine shows no keyboard.
TEST_F(HidServWithSimulator, ZHidBackEndWithoutAKeyboard) {
  link_->Stop();
  ASSERT_EQ(service_.End(), 1);
  // A setting the library cannot use fails Init.
  for (const char* unusable : {"sim:192.168.1.1:4000", "sim:127.0.0.1:0", "sim:127.0.0.1:70000", "sim:4000"}) {
    SetEnvironmentVariableA("OSTRAK_DEVICE", unusable);
    EXPECT_EQ(service_.Init(0), 0) << unusable;
  }
  // End stops the attempts to reach a server that is not there.
  SetEnvironmentVariableA("OSTRAK_DEVICE", "sim:127.0.0.1:1");
  ASSERT_EQ(service_.Init(0), 1);
  EXPECT_EQ(service_.End(), 1);
  SetEnvironmentVariableA("OSTRAK_DEVICE", nullptr);
  ASSERT_EQ(service_.Init(0), 1);
  DeviceLink link(service_);
  EXPECT_EQ(link.Start(&sink_), 0);
  StatusBlock status{};
  EXPECT_EQ(link.ReadStatus(status), DeviceResult::kAbsent);
  link.Stop();
}

// A simulator that is not there is a keyboard that is not plugged in; the
// library finds the server when it starts, and again after it restarts.
TEST(HidServWithoutSimulator, ServerThatStartsLaterIsFoundLostAndFoundAgain) {
  const int port = UnusedLoopbackPort();
  ASSERT_GT(port, 0);
  SetEnvironmentVariableA("OSTRAK_DEVICE", ("sim:127.0.0.1:" + std::to_string(port)).c_str());
  DeviceService service{};
  ASSERT_TRUE(LoadDeviceService(WindowsPath(OSTRAK_PROGRAM_DIR_UNIX), service));
  ASSERT_GT(service.Init(0), 0);
  SetEnvironmentVariableA("OSTRAK_DEVICE", nullptr);
  EXPECT_EQ(KeyboardCount(service), 0);
  const CommandFrame frame = MakeCommandFrame(kCommandBeginConfiguration, 0, 0);
  EXPECT_EQ(service.RequestWriteOne(&kControlSelector, nullptr, 0, frame.data(), 64,
                                    RequestCheck(kControlSelector, nullptr, 0, frame.data(), frame.size()), nullptr),
            0);
  std::uint32_t id = 0;
  ASSERT_EQ(service.RequestAsyncRead(&kControlSelector, RecordCountNotice, OSTRAK_TAG_CTRL,
                                     RequestCheck(kControlSelector, RecordCountNotice, OSTRAK_TAG_CTRL, nullptr, 0),
                                     &id),
            1);
  const auto countAndNotices = [&](int count, std::vector<int> notices) {
    return WaitFor([&] { return KeyboardCount(service) == count && CountNotices() == notices; },
                   std::chrono::seconds(10));
  };

  {
    SimServer server;
    ASSERT_TRUE(server.Start(L"", port));
    ASSERT_TRUE(countAndNotices(1, {1}));
    server.Stop();
    ASSERT_TRUE(countAndNotices(0, {1, 0}));
  }
  SimServer restarted;
  ASSERT_TRUE(restarted.Start(L"", port));
  ASSERT_TRUE(countAndNotices(1, {1, 0, 1}));
  EXPECT_EQ(service.End(), 1);
  restarted.Stop();
}

TEST(DeviceLinkStart, MissingLibraryInTheProgramFolderGivesNoLink) {
  const std::wstring library = ProgramFolder() + L"\\" + kDeviceServiceFile;
  if (GetFileAttributesW(library.c_str()) != INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "the test runs beside a library";
  Sink sink;
  int count = -1;
  EXPECT_EQ(StartDeviceLink(&sink, count), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(TheDeviceLink(), nullptr);
}
