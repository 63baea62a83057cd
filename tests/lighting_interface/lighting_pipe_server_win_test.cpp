// The lighting interface's named pipe under Wine, against the simulated
// keyboard in-process: the test's thread is the session's owner, and clients
// are plain pipe handles as another program would open them.
#include "lighting_interface/lighting_pipe_server_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"
#include "tests/device/link_fixture.h"
#include "tests/support/wait.h"
#include "tests/support/windows_test_support_win.h"

namespace {

namespace fs = std::filesystem;

class NoHost : public SessionHost {
 public:
  void Wake() override {}
};

// A client as another program: a pipe handle, lines written and read.
class PipeClient {
 public:
  explicit PipeClient(const std::wstring& name) {
    for (int i = 0; i < 50 && pipe_ == INVALID_HANDLE_VALUE; ++i) {
      pipe_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      if (pipe_ == INVALID_HANDLE_VALUE) WaitNamedPipeW(name.c_str(), 100);
    }
  }
  ~PipeClient() { Close(); }
  bool Open() const { return pipe_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
    pipe_ = INVALID_HANDLE_VALUE;
  }
  bool Write(const std::string& bytes) {
    DWORD written = 0;
    if (WriteFile(pipe_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size())
      return true;
    error_ = GetLastError();
    return false;
  }
  // The next whole line, when one comes within the limit; `pump` runs meanwhile.
  std::optional<Json> Next(const std::function<void()>& pump) {
    std::optional<Json> line;
    WaitFor([&] {
      pump();
      if (const std::size_t end = received_.find('\n'); end != std::string::npos) {
        line = Json::parse(received_.substr(0, end));
        received_.erase(0, end + 1);
        return true;
      }
      DWORD available = 0;
      if (!PeekNamedPipe(pipe_, nullptr, 0, nullptr, &available, nullptr)) {
        error_ = GetLastError();  // gone
        return true;
      }
      if (available) {
        std::string bytes(available, '\0');
        DWORD read = 0;
        if (ReadFile(pipe_, bytes.data(), available, &read, nullptr)) received_.append(bytes, 0, read);
      }
      return false;
    }, std::chrono::seconds(20));
    return line;
  }
  // The next reply (a line with an id), skipping events.
  std::optional<Json> Reply(const std::function<void()>& pump) {
    for (;;) {
      std::optional<Json> line = Next(pump);
      if (!line || line->contains("id")) return line;
    }
  }
  std::optional<Json> Ask(const std::string& line, const std::function<void()>& pump) {
    if (!Write(line + "\n")) return std::nullopt;
    return Reply(pump);
  }

 private:
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  std::string received_;

 public:
  DWORD error_ = 0;  // the last failure's, for the test's messages
};

class LightingPipeServerTest : public ::testing::Test {
 protected:
  LightingPipeServerTest()
      : folder_(fs::temp_directory_path() / "ostrak-pipe-test"),
        name_(L"\\\\.\\pipe\\ostrak-lighting-test-" + std::to_wstring(GetCurrentProcessId())),
        service_(keyboard_),
        table_(service_.Table()),
        link_(table_, QuickTimings()),
        session_(host_, (folder_ / "$Profile0").u16string()),
        server_([] {}, name_),
        interface_(session_, server_) {}

  void SetUp() override {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::vector<std::uint8_t> offered{1, 4, 5, 9};
    offered.resize(kOfferedEffectSlots, 0);
    ASSERT_TRUE(keyboard_.Poke(SimArea::kStatus, kStatusEffectsFirst, offered));
    table_.Init(0);
    session_.FollowLighting();
    session_.OwnerReady();
    session_.Connect(link_);
    ASSERT_EQ(session_.StartLink(), 1);
    ASSERT_TRUE(WaitFor([&] {
      Pump();
      return !session_.Lighting().offeredEffects.empty() && !session_.Busy();
    }));
    ASSERT_TRUE(server_.Start());
  }
  void TearDown() override {
    server_.Stop();
    session_.Stop();
    table_.End();
    fs::remove_all(folder_);
  }
  // The owner's loop: the session's events and the pipe's arrivals.
  void Pump() {
    session_.DeliverEvents();
    server_.Deliver(interface_);
  }
  std::function<void()> Pumping() {
    return [this] { Pump(); };
  }
  std::unique_ptr<PipeClient> Greeted() {
    auto client = std::make_unique<PipeClient>(name_);
    EXPECT_TRUE(client->Open());
    const std::optional<Json> hello = client->Ask(R"({"id":0,"request":"hello","major":1})", Pumping());
    EXPECT_TRUE(hello && (*hello)["ok"] == true) << "error " << client->error_;
    return client;
  }
  std::uint8_t SettingsByte(std::size_t offset) const {
    std::uint8_t byte = 0;
    keyboard_.Read(SimArea::kSettings, offset, std::span(&byte, 1));
    return byte;
  }

  fs::path folder_;
  std::wstring name_;
  KeyboardSimulator keyboard_;
  SimulatedService service_;
  DeviceService table_;
  DeviceLink link_;
  NoHost host_;
  KeyboardSession session_;
  LightingPipeServer server_;
  LightingInterface interface_;
};

TEST_F(LightingPipeServerTest, TwoClientsAtOnceOneDrivesTheOtherIsTold) {
  auto watcher = Greeted();
  auto driver = Greeted();
  EXPECT_EQ(server_.ConnectedClients(), 2u);
  ASSERT_EQ((*watcher->Ask(R"({"id":1,"request":"subscribe"})", Pumping()))["ok"], true);
  ASSERT_EQ((*driver->Ask(R"({"id":2,"request":"set","brightness":9,"effect":5})", Pumping()))["ok"], true);
  const std::optional<Json> told = watcher->Next(Pumping());
  ASSERT_TRUE(told);
  EXPECT_EQ((*told)["event"], "lighting");
  EXPECT_EQ((*told)["source"], "client");
  EXPECT_TRUE(WaitFor([&] {
    Pump();
    return SettingsByte(kBrightnessOffset) == 9 && SettingsByte(kEffectModeOffset) == 5;
  }));
}

TEST_F(LightingPipeServerTest, BadMessagesFromATableEachGetTheirErrorAndTheClientStays) {
  auto client = Greeted();
  struct Case {
    std::string line;
    const char* code;
  };
  const Case cases[] = {
      {"this is not json", "not_json"},
      {R"({"id":1,"request":"paint"})", "unknown_request"},
      {R"({"id":1,"request":"set","speed":25})", "bad_value"},
      {R"({"id":1,"request":"set_keys","keys":{"W":"12345"}})", "bad_value"},
      {std::string(kMaxMessageBytes + 10, ' '), "too_large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const std::optional<Json> reply = client->Ask(c.line, Pumping());
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["error"]["code"], c.code);
  }
  EXPECT_EQ((*client->Ask(R"({"id":9,"request":"get"})", Pumping()))["ok"], true);
}

TEST_F(LightingPipeServerTest, AClientThatStopsReadingIsDroppedAndTheOthersAreServed) {
  auto sleeper = Greeted();
  auto other = Greeted();
  ASSERT_EQ((*sleeper->Ask(R"({"id":1,"request":"subscribe"})", Pumping()))["ok"], true);
  // The sleeper reads nothing more; every change is an event of some 2 KB for it.
  for (int i = 0; i < 2000 && server_.ConnectedClients() == 2; ++i) {
    const std::string colour = i % 2 ? "ff0000" : "00ff00";
    ASSERT_TRUE(other->Write(R"({"id":1,"request":"set_all","colour":")" + colour + "\"}\n"));
    ASSERT_TRUE(other->Reply(Pumping()));
  }
  EXPECT_TRUE(WaitFor([&] {
    Pump();
    return server_.ConnectedClients() == 1 && interface_.ClientCount() == 1;
  }));
  EXPECT_EQ((*other->Ask(R"({"id":2,"request":"get"})", Pumping()))["ok"], true);
}

TEST_F(LightingPipeServerTest, TheKeyboardPulledOutMidStreamAnswersNoKeyboardAndComesBack) {
  auto client = Greeted();
  ASSERT_EQ((*client->Ask(R"({"id":1,"request":"subscribe"})", Pumping()))["ok"], true);
  for (int i = 0; i < 30; ++i) {
    if (i == 10) keyboard_.Unplug();
    const std::optional<Json> reply =
        client->Ask(R"({"id":2,"request":"set_keys","keys":{"W":"0000)" + std::to_string(10 + i) + "\"}}", Pumping());
    ASSERT_TRUE(reply);
    EXPECT_TRUE((*reply)["ok"] == true || (*reply)["error"]["code"] == "no_keyboard" ||
                (*reply)["error"]["code"] == "busy")
        << reply->dump();
  }
  ASSERT_TRUE(WaitFor([&] {
    Pump();
    return !session_.KeyboardPresent() && !session_.Busy() && !interface_.KeyColoursUnderWay();
  }));
  EXPECT_EQ((*client->Ask(R"({"id":3,"request":"get"})", Pumping()))["error"]["code"], "no_keyboard");
  keyboard_.Plug();
  ASSERT_TRUE(WaitFor([&] {
    Pump();
    return session_.KeyboardPresent() && !session_.Busy();
  }));
  EXPECT_EQ((*client->Ask(R"({"id":4,"request":"get"})", Pumping()))["ok"], true);
}

// The conformance check that client authors run passes against the server.
TEST_F(LightingPipeServerTest, TheConformanceCheckPasses) {
  std::wstring command = L"\"" + TestProgramsFolder() + L"lighting_conformance.exe\" " + name_;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  EXPECT_TRUE(WaitFor([&] {
    Pump();
    return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
  }, std::chrono::seconds(60)));
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

TEST(LightingPipeSecurity, OnlyTheLogonSessionAndNoNetworkLogonMayOpenThePipe) {
  const std::wstring sddl = LightingPipeSddl();
  EXPECT_EQ(sddl.rfind(L"D:P(D;;GA;;;NU)(A;;GA;;;S-1-5-", 0), 0u) << std::string(sddl.begin(), sddl.end());
  EXPECT_EQ(sddl.find(L"WD"), std::wstring::npos) << "never everyone";
}

}  // namespace
