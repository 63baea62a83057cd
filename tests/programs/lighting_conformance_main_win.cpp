// The lighting interface's conformance check: any client author runs it
// against a running Ostrak (or their own server of the protocol) to see that
// the server answers as docs/lighting-interface.md says. It prints one line
// per check and ends with 0 when all passed.
//
//   lighting_conformance.exe [pipe name]
//
// It changes the lighting (brightness, then the key colours under the
// per-key effect when the keyboard offers it) and leaves it so.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

class Connection {
 public:
  explicit Connection(const std::wstring& name) {
    pipe_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~Connection() {
    if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
  }
  bool Open() const { return pipe_ != INVALID_HANDLE_VALUE; }
  // Sends a line and returns the next reply (events before it are skipped).
  std::optional<Json> Ask(const std::string& line) {
    DWORD written = 0;
    const std::string bytes = line + "\n";
    if (!WriteFile(pipe_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return std::nullopt;
    for (;;) {
      const std::optional<std::string> text = ReadLine();
      if (!text) return std::nullopt;
      Json reply = Json::parse(*text, nullptr, false);
      if (reply.is_discarded()) return std::nullopt;
      if (reply.contains("id")) return reply;
    }
  }

 private:
  std::optional<std::string> ReadLine() {
    for (;;) {
      if (const std::size_t end = pending_.find('\n'); end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return line;
      }
      char buffer[4096];
      DWORD read = 0;
      if (!ReadFile(pipe_, buffer, sizeof buffer, &read, nullptr) || read == 0) return std::nullopt;
      pending_.append(buffer, read);
    }
  }
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  std::string pending_;
};

int failures = 0;

void Check(bool passed, const char* what, const std::optional<Json>& reply) {
  std::printf("%s  %s", passed ? "pass" : "FAIL", what);
  if (!passed && reply) std::printf("  (got %s)", reply->dump().c_str());
  std::printf("\n");
  failures += !passed;
}

bool IsError(const std::optional<Json>& reply, const char* code) {
  return reply && reply->value("ok", true) == false && (*reply)["error"].value("code", "") == code &&
         (*reply)["error"]["text"].is_string();
}
bool IsOk(const std::optional<Json>& reply) { return reply && reply->value("ok", false) == true; }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR arguments, int) {
  const std::wstring name = arguments && *arguments ? arguments : L"\\\\.\\pipe\\ostrak-lighting";
  Connection server(name);
  if (!server.Open()) {
    std::printf("FAIL  the pipe opens (error %lu)\n", GetLastError());
    return 1;
  }
  std::optional<Json> reply = server.Ask(R"({"id":"first","request":"get"})");
  Check(IsError(reply, "hello_first") && (*reply)["id"] == "first", "a request before hello: hello_first, its id kept", reply);
  reply = server.Ask(R"({"id":1,"request":"hello","major":1})");
  Check(IsOk(reply) && (*reply)["id"] == 1 && (*reply)["protocol"]["major"] == 1, "hello: major version 1", reply);
  const Json keyboard = reply ? (*reply)["keyboard"] : Json();
  Check(keyboard.is_null() || (keyboard["effects"].is_array() && keyboard["keys"].is_object()),
        "hello: the keyboard's capabilities, or null", reply);

  reply = server.Ask("this is not json");
  Check(IsError(reply, "not_json") && (*reply)["id"].is_null(), "not JSON: not_json, id null", reply);
  reply = server.Ask(R"({"id":2,"request":"no such request"})");
  Check(IsError(reply, "unknown_request") && (*reply)["id"] == 2, "an unknown request: unknown_request", reply);
  reply = server.Ask(std::string(70000, ' '));
  Check(IsError(reply, "too_large"), "a line over 64 KiB: too_large", reply);
  reply = server.Ask(R"({"id":3,"request":"subscribe"})");
  Check(IsOk(reply) && (*reply)["id"] == 3, "subscribe", reply);

  if (keyboard.is_null()) {
    reply = server.Ask(R"({"id":4,"request":"get"})");
    Check(IsError(reply, "no_keyboard"), "without a keyboard: no_keyboard", reply);
  } else {
    reply = server.Ask(R"({"id":4,"request":"set","brightness":99})");
    Check(IsError(reply, "bad_value") && (*reply)["error"]["text"].get<std::string>().find("brightness") !=
                                             std::string::npos,
          "brightness out of range: bad_value naming it", reply);
    reply = server.Ask(R"({"id":5,"request":"set","brightness":20})");
    Check(IsOk(reply) || IsError(reply, "busy"), "set brightness 20", reply);
    reply = server.Ask(R"({"id":6,"request":"get"})");
    Check(IsOk(reply) && (*reply)["lighting"]["brightness"] == 20 && (*reply)["lighting"]["keyColours"].size() ==
                                                                         keyboard["positions"].get<std::size_t>(),
          "get: the brightness set, a colour for every position", reply);
    const int perKey = keyboard.value("perKeyEffect", 0);
    bool offered = false;
    for (const Json& effect : keyboard["effects"]) offered = offered || effect["effect"] == perKey;
    if (offered) {
      server.Ask(R"({"id":7,"request":"set","effect":)" + std::to_string(perKey) + "}");
      reply = server.Ask(R"({"id":8,"request":"set_keys","keys":{"W":"ff0000","A":"ff0000","S":"ff0000","D":"ff0000"}})");
      Check(IsOk(reply) && (*reply)["changedFrames"].is_number(), "set_keys: W, A, S and D red", reply);
    }
    // Many requests at once: one reply each, in order.
    bool inOrder = true;
    for (int id = 100; id < 200 && inOrder; ++id) {
      reply = server.Ask(R"({"id":)" + std::to_string(id) + R"(,"request":"set_all","colour":"00)" +
                         (id % 2 ? "40" : "80") + R"(ff"})");
      inOrder = reply && (*reply)["id"] == id;
    }
    Check(inOrder, "a hundred frames: one reply each, in order", reply);
  }
  std::printf("%s\n", failures ? "some checks failed" : "every check passed");
  return failures ? 1 : 0;
}
