#include "lighting_interface/lighting_interface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <future>

#include "simulator/keyboard_simulator.h"
#include "simulator/sim_service.h"
#include "tests/device/link_fixture.h"
#include "tests/support/wait.h"

namespace {

namespace fs = std::filesystem;

class NoHost : public SessionHost {
 public:
  void Wake() override {}
};

// What each client was sent, as JSON.
class RecordingClients : public InterfaceClients {
 public:
  void Send(ClientId client, std::string line) override {
    EXPECT_EQ(line.back(), '\n');
    sent[client].push_back(Json::parse(line));
  }
  std::map<ClientId, std::vector<Json>> sent;
};

// A simulated keyboard offering effects 1, 4, 5 and 9, a session over it that
// follows the lighting as the window's does, and the interface over that.
class LightingInterfaceTest : public ::testing::Test {
 protected:
  LightingInterfaceTest()
      : folder_(fs::temp_directory_path() /
                (std::string("ostrak-interface-") + ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        service_(keyboard_),
        table_(service_.Table()),
        link_(table_, QuickTimings()),
        session_(host_, (folder_ / "$Profile0").u16string()),
        interface_(session_, clients_) {}

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
    ASSERT_TRUE(Settle());
  }
  void TearDown() override {
    session_.Stop();
    table_.End();
    fs::remove_all(folder_);
  }
  bool Settle() {
    return WaitFor([&] {
      session_.DeliverEvents();
      return !session_.Busy() && !interface_.KeyColoursUnderWay();
    });
  }
  // Sends `line` as `client` and returns its reply (the last message it was sent).
  Json Ask(ClientId client, const std::string& line) {
    interface_.Received(client, {line, false});
    return clients_.sent[client].back();
  }
  ClientId Greeted(ClientId client) {
    interface_.Connected(client);
    EXPECT_EQ(Ask(client, R"({"id":0,"request":"hello","major":1})")["ok"], true);
    return client;
  }
  std::vector<Json> EventsOf(ClientId client, const std::string& event) {
    std::vector<Json> events;
    for (const Json& message : clients_.sent[client])
      if (message.value("event", "") == event) events.push_back(message);
    return events;
  }
  std::uint8_t SettingsByte(std::size_t offset) const {
    std::uint8_t byte = 0;
    keyboard_.Read(SimArea::kSettings, offset, std::span(&byte, 1));
    return byte;
  }

  fs::path folder_;
  KeyboardSimulator keyboard_;
  SimulatedService service_;
  DeviceService table_;
  DeviceLink link_;
  NoHost host_;
  KeyboardSession session_;
  RecordingClients clients_;
  LightingInterface interface_;
};

TEST_F(LightingInterfaceTest, HelloComesFirstAndTellsTheVersionAndTheKeyboard) {
  interface_.Connected(1);
  Json reply = Ask(1, R"({"id":7,"request":"get"})");
  EXPECT_EQ(reply["id"], 7);
  EXPECT_EQ(reply["error"]["code"], "hello_first");
  EXPECT_EQ(Ask(1, R"({"id":8,"request":"hello","major":2})")["error"]["code"], "bad_value");

  reply = Ask(1, R"({"id":9,"request":"hello","major":1})");
  EXPECT_EQ(reply["protocol"]["major"], kProtocolMajor);
  const Json& keyboard = reply["keyboard"];
  ASSERT_EQ(keyboard["effects"].size(), 4u);
  EXPECT_EQ(keyboard["effects"][2]["effect"], 5);
  EXPECT_EQ(keyboard["keys"]["W"], *FindKeyColourPosition("W"));
  EXPECT_EQ(keyboard["brightness"], Json::array({0, kMaxBrightness}));
}

TEST_F(LightingInterfaceTest, EveryBadMessageGetsOneErrorReplyAndTheServerGoesOn) {
  const ClientId client = Greeted(1);
  struct Case {
    const char* line;
    const char* code;
  };
  const Case cases[] = {
      {"{", "not_json"},
      {R"({"id":1,"request":"dance"})", "unknown_request"},
      {R"({"id":1,"request":"set","brightness":99})", "bad_value"},
      {R"({"id":1,"request":"set","effect":14})", "bad_value"},
      {R"({"id":1,"request":"set_keys","keys":{"NoSuchKey":"ff0000"}})", "bad_value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::size_t before = clients_.sent[client].size();
    EXPECT_EQ(Ask(client, c.line)["error"]["code"], c.code);
    EXPECT_EQ(clients_.sent[client].size(), before + 1) << "one reply";
  }
  interface_.Received(client, {{}, true});
  EXPECT_EQ(clients_.sent[client].back()["error"]["code"], "too_large");
  EXPECT_EQ(Ask(client, R"({"id":2,"request":"get"})")["ok"], true) << "and the client is served still";
}

TEST_F(LightingInterfaceTest, AClientsChangeReachesTheKeyboardAndTheOtherSubscribers) {
  const ClientId watcher = Greeted(1);
  const ClientId driver = Greeted(2);
  EXPECT_EQ(Ask(watcher, R"({"id":1,"request":"subscribe"})")["ok"], true);
  EXPECT_EQ(Ask(driver, R"({"id":1,"request":"subscribe"})")["ok"], true);

  EXPECT_EQ(Ask(driver, R"({"id":2,"request":"set","effect":9,"brightness":12,"colours":{"9":"123456"}})")["ok"], true);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(SettingsByte(kEffectModeOffset), 9);
  EXPECT_EQ(SettingsByte(kBrightnessOffset), 12);
  EXPECT_EQ(SettingsByte(5), 0x12);
  const std::vector<Json> told = EventsOf(watcher, "lighting");
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told.back()["source"], "client");
  EXPECT_EQ(told.back()["lighting"]["brightness"], 12);
  EXPECT_TRUE(EventsOf(driver, "lighting").empty()) << "its own change is its reply";

  // The user's change in the window is told to every subscriber, and wins
  // for that control: a client's change of it meanwhile is refused.
  interface_.SetUserHold(std::chrono::hours(1));
  session_.ChangeLighting(LightingSource::kWindow, [](LightingState& s) { return SetBrightness(s, 3); });
  ASSERT_TRUE(Settle());
  EXPECT_EQ(EventsOf(driver, "lighting").back()["source"], "window");
  EXPECT_EQ(EventsOf(driver, "lighting").back()["lighting"]["brightness"], 3);
  const Json refused = Ask(driver, R"({"id":3,"request":"set","brightness":20})");
  EXPECT_EQ(refused["error"]["code"], "busy");
  EXPECT_NE(refused["error"]["text"].get<std::string>().find("brightness"), std::string::npos);
  EXPECT_EQ(Ask(driver, R"({"id":4,"request":"set","speed":20})")["ok"], true) << "another control is free";
  ASSERT_TRUE(Settle());
  EXPECT_EQ(SettingsByte(kBrightnessOffset), 3);
}

TEST_F(LightingInterfaceTest, KeyColoursGoOutAsTheNewestOnlyTheChangedFrames) {
  const ClientId client = Greeted(1);
  keyboard_.ClearLog();
  for (int i = 0; i < 50; ++i) {
    const std::string colour = (i < 49 ? "0000" : "ff00") + std::string(i % 2 ? "01" : "02");
    EXPECT_EQ(Ask(client, R"({"id":1,"request":"set_keys","keys":{"W":")" + colour + R"("}})")["ok"], true);
  }
  ASSERT_TRUE(Settle());
  std::array<std::uint8_t, 3> w{};
  keyboard_.Read(SimArea::kColours, *FindKeyColourPosition("W") * 3, w);
  EXPECT_EQ(w, (std::array<std::uint8_t, 3>{0xFF, 0x00, 0x01})) << "the newest";
  int colourFrames = 0, brackets = 0;
  for (const SimLogEntry& entry : keyboard_.Log()) {
    if (!entry.fromHost || entry.usagePage != kControlUsagePage) continue;
    const int code = FrameFromBytes(entry.bytes)[kFrameCode];
    colourFrames += code == kCommandWriteKeyColours;
    brackets += code == kCommandBeginConfiguration;
  }
  EXPECT_EQ(colourFrames, brackets) << "one frame per batch: W's chunk only";
  EXPECT_LT(brackets, 50) << "frames sent while a batch was under way were coalesced";
  EXPECT_EQ(session_.Lighting().keyColours[*FindKeyColourPosition("W")], (Rgb{0xFF, 0, 0x01}));
}

TEST_F(LightingInterfaceTest, TheKeyboardPulledOutMidStreamIsToldAndRequestsAnswerNoKeyboard) {
  const ClientId client = Greeted(1);
  Ask(client, R"({"id":1,"request":"subscribe"})");
  for (int i = 0; i < 20; ++i) Ask(client, R"({"id":2,"request":"set_all","colour":"0)" + std::to_string(i % 10) + R"(0000"})");
  keyboard_.Unplug();
  ASSERT_TRUE(WaitFor([&] {
    session_.DeliverEvents();
    return !EventsOf(client, "keyboard").empty() && !session_.Busy() && !interface_.KeyColoursUnderWay();
  }));
  EXPECT_EQ(EventsOf(client, "keyboard").back()["present"], false);
  EXPECT_EQ(Ask(client, R"({"id":3,"request":"set","brightness":1})")["error"]["code"], "no_keyboard");

  keyboard_.Plug();
  ASSERT_TRUE(WaitFor([&] {
    session_.DeliverEvents();
    return EventsOf(client, "keyboard").back()["present"] == true;
  }));
  EXPECT_EQ(EventsOf(client, "keyboard").back()["keyboard"]["effects"].size(), 4u);
  EXPECT_EQ(Ask(client, R"({"id":4,"request":"set","brightness":1})")["ok"], true);
}

TEST_F(LightingInterfaceTest, WhileTheKeyboardIsLentTheServerAnswersBusy) {
  const ClientId client = Greeted(1);
  std::promise<void> commandEnds;
  std::atomic<bool> lent{false};
  ASSERT_TRUE(session_.LendThenReadAgain([&] {
    lent = true;
    commandEnds.get_future().wait();
  }));
  ASSERT_TRUE(WaitFor([&] { return lent.load(); }));
  EXPECT_EQ(Ask(client, R"({"id":1,"request":"set","brightness":1})")["error"]["code"], "busy");
  commandEnds.set_value();
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Ask(client, R"({"id":2,"request":"set","brightness":1})")["ok"], true);
}

}  // namespace
