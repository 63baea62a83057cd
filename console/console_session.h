// What every command of the console program shares: where its output goes
// (one JSON document or text), its failures with their exit codes, and the
// session with the keyboard that a device command opens.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "app/user_interface.h"
#include "console/console_program.h"
#include "device/device_link.h"
#include "profiles/profile_store.h"
#include "session/keyboard_session.h"

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

// The keyboard, attached and ready, presented on the console: a keyboard
// session of the command's own, owned by the command's thread, which waits
// for each job and delivers the session's events meanwhile. The device
// service is started and the session has taken the arrived keyboard (its
// default key table and macro capacity read, and an Apply that an earlier
// run left unfinished finished first, as in the window program). The core's
// questions are answered No and its messages go to standard error. Closing
// stops the session and ends the service.
class ConsoleKeyboard : public SessionHost, public UserInterface {
 public:
  // Claims the keyboard and opens the session, reading on arrival what
  // `arrivalRead` says; null after the failure was printed, with its exit
  // code in `exitCode`.
  static std::unique_ptr<ConsoleKeyboard> Open(const ConsoleOutput& output, ArrivalRead arrivalRead,
                                               int& exitCode);
  ~ConsoleKeyboard() override;

  KeyboardSession& Session() { return *session_; }
  // The link, for what it tells without a transfer (the keyboard count, the
  // macro capacity): transfers go through Run.
  DeviceLink& Link() { return *link_; }

  // Runs `job` with the keyboard on the session's transfer thread and waits
  // for it; its result, or nullopt when the session took no more jobs.
  template <class Job>
  auto Run(Job job) -> std::optional<decltype(job(std::declval<DeviceLink&>()))> {
    std::optional<decltype(job(std::declval<DeviceLink&>()))> result;
    bool done = false;
    if (!session_->Transfer([&](DeviceLink& link) { result = job(link); }, [&] { done = true; })) return result;
    DeliverUntil([&] { return done; });
    return result;
  }
  // The session's Apply of `scope` (the working profile made pending by an
  // edit), waited for. kExitOk, or the failure printed with its exit code.
  int Apply(ApplyScope scope, std::string_view whatFailed);
  // The session's Import of `imported`, waited for: kExitOk, or the failure
  // printed with its exit code.
  int Import(WorkingProfile imported);

  // The exit for a transfer that failed: printed, kExitTransfer.
  int TransferFailed(std::string_view what);

  // SessionHost: the command's thread waits in DeliverUntil.
  void Wake() override;
  // UserInterface: messages go to standard error, questions are answered No.
  void ShowMessage(std::u16string_view text) override { output_.Say(text); }
  bool AskYesNo(std::u16string_view text) override;

 private:
  explicit ConsoleKeyboard(const ConsoleOutput& output) : output_(output) {}
  // Delivers the session's events on this thread until `done` holds.
  void DeliverUntil(const std::function<bool()>& done);
  void OnEvent(const SessionEvent& event);
  void ShowProgress(int code, int done, int total);

  const ConsoleOutput& output_;
  DeviceService service_{};
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<KeyboardSession> session_;
  bool arrived_ = false;  // the session took the keyboard (arrivedRead_ whether its arrival work succeeded)
  bool arrivedRead_ = false;
  bool left_ = false;

  std::mutex wakeMutex_;
  std::condition_variable woken_;
  bool wake_ = false;
  // The progress line: shown once a chunked transfer has run for a second.
  std::chrono::steady_clock::time_point transferStart_;
  bool progressShown_ = false;
};
