// What every command of the console program shares: where its output goes
// (one JSON document or text), its failures with their exit codes, and the
// session with the keyboard that a device command opens.
#pragma once

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "app/user_interface.h"
#include "console/console_program.h"
#include "device/device_link.h"
#include "profiles/profile_store.h"

using Json = nlohmann::ordered_json;

struct ConsoleOutput {
  const ConsoleEnvironment& environment;
  bool json = false;

  // The command's result: the JSON document with --json, else the text.
  void Print(const Json& document, const std::string& text) const;
  // "ostrak-cli: <message>" on standard error; returns `code`.
  int Fail(int code, std::string_view message) const;
  // A message of the core (its English text) on standard error.
  void Say(std::u16string_view text) const;
};

// The keyboard, attached and ready: the device service started, the keyboard's
// default key table and macro capacity read, and an Apply that an earlier run
// left unfinished finished first, as the window program does when the
// keyboard arrives. The core's questions are answered No and its messages go
// to standard error. Closing stops the link and ends the service.
class ConsoleKeyboard : public DeviceNoticeSink, public DeviceMessages, public UserInterface {
 public:
  // Claims the keyboard and opens the session; null after the failure was
  // printed, with its exit code in `exitCode`.
  static std::unique_ptr<ConsoleKeyboard> Open(const ConsoleOutput& output, int& exitCode);
  ~ConsoleKeyboard() override;

  DeviceLink& Link() { return *link_; }
  // The keyboard left during the session.
  bool KeyboardLeft() const { return left_; }

  // The profile file loaded into `working` (freed first); a profile file that
  // is missing or does not load is read back from the keyboard first. False
  // when neither worked (printed, with the exit code in `exitCode`).
  bool LoadProfile(WorkingProfile& working, int& exitCode);

  // The exit for a transfer that failed: printed, kExitTransfer.
  int TransferFailed(std::string_view what);

  // DeviceNoticeSink
  void OnConsumerNotice(std::uint16_t) override {}
  void OnDeviceCount(int count) override;
  // DeviceMessages
  void ShowDeviceMessage(TextKey key) override;
  // UserInterface: messages go to standard error, questions are answered No.
  void ShowMessage(std::u16string_view text) override { output_.Say(text); }
  bool AskYesNo(std::u16string_view text) override;

 private:
  explicit ConsoleKeyboard(const ConsoleOutput& output) : output_(output) {}
  void ShowProgress(std::uint8_t code, std::size_t done, std::size_t total);

  const ConsoleOutput& output_;
  DeviceService service_{};
  std::unique_ptr<DeviceLink> link_;
  std::atomic<bool> left_{false};
  // The progress line: shown once a chunked transfer has run for a second.
  std::chrono::steady_clock::time_point transferStart_;
  bool progressShown_ = false;
};
