#include "console/console_session.h"

#include <filesystem>
#include <ostream>

#include "app/utf8_text.h"
#include "device/command_frame.h"
#include "localisation/text_slots.h"
#include "profiles/file_io.h"
#include "profiles/profile_keyboard.h"

void ConsoleOutput::Print(const Json& document, const std::string& text) const {
  std::ostream& out = *environment.out;
  if (json)
    out << document.dump(2) << '\n';
  else
    out << text;
  out.flush();
}

int ConsoleOutput::Fail(int code, std::string_view message) const {
  *environment.err << "ostrak-cli: " << message << '\n';
  environment.err->flush();
  return code;
}

void ConsoleOutput::Say(std::u16string_view text) const {
  // The window's texts break lines with CR LF for its message boxes.
  std::string line;
  for (const char c : ToUtf8(text))
    if (c != '\r') line += c;
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  *environment.err << line << '\n';
  environment.err->flush();
}

std::unique_ptr<ConsoleKeyboard> ConsoleKeyboard::Open(const ConsoleOutput& output, ArrivalRead arrivalRead,
                                                       int& exitCode) {
  const ConsoleEnvironment& environment = output.environment;
  if (environment.claimKeyboard) {
    if (const std::string busy = environment.claimKeyboard(); !busy.empty()) {
      exitCode = output.Fail(kExitBusy, busy);
      return nullptr;
    }
  }
  std::unique_ptr<ConsoleKeyboard> keyboard(new ConsoleKeyboard(output));
  std::string whyNot = "this system has no keyboard service";
  if (!environment.openService || !environment.openService(keyboard->service_, whyNot)) {
    exitCode = output.Fail(kExitNoKeyboard, whyNot);
    return nullptr;
  }
  keyboard->link_ = std::make_unique<DeviceLink>(keyboard->service_, environment.timings);
  keyboard->session_ = std::make_unique<KeyboardSession>(*keyboard, environment.profilePath, arrivalRead);
  KeyboardSession& session = *keyboard->session_;
  session.Subscribe([k = keyboard.get()](const SessionEvent& event) { k->OnEvent(event); });
  session.Connect(*keyboard->link_);
  session.OwnerReady();
  const int count = session.StartLink();
  if (count <= 0) {
    exitCode = output.Fail(kExitNoKeyboard, count < 0 ? "the keyboard service refused the keyboard"
                                                       : "no keyboard is attached");
    return nullptr;
  }
  // The session reads the keyboard as it arrives; a download cut short is
  // finished before anything else reads or changes the keyboard.
  keyboard->DeliverUntil([k = keyboard.get()] { return k->arrived_ || k->left_; });
  if (!keyboard->arrived_) {
    exitCode = keyboard->TransferFailed("the keyboard does not answer");
    return nullptr;
  }
  if (!keyboard->arrivedRead_) {
    exitCode = keyboard->TransferFailed(FileExists(ApplyNotePath(environment.profilePath))
                                            ? "an earlier download that was cut short could not be finished"
                                            : "the keyboard's profile could not be read");
    return nullptr;
  }
  return keyboard;
}

ConsoleKeyboard::~ConsoleKeyboard() {
  if (session_) session_->Stop();
  session_.reset();
  link_.reset();
  if (service_.End) service_.End();
}

void ConsoleKeyboard::Wake() {
  {
    std::lock_guard guard(wakeMutex_);
    wake_ = true;
  }
  woken_.notify_one();
}

void ConsoleKeyboard::DeliverUntil(const std::function<bool()>& done) {
  for (;;) {
    session_->DeliverEvents();
    if (done()) return;
    std::unique_lock lock(wakeMutex_);
    woken_.wait(lock, [this] { return wake_; });
    wake_ = false;
  }
}

void ConsoleKeyboard::OnEvent(const SessionEvent& event) {
  switch (event.kind) {
    case SessionEvent::Kind::kKeyboardArrived:
      arrived_ = true;
      arrivedRead_ = event.value != 0;
      break;
    case SessionEvent::Kind::kKeyboardLeft:
      left_ = true;
      break;
    case SessionEvent::Kind::kTell:
      output_.Say(Text(static_cast<TextKey>(event.value)));
      break;
    case SessionEvent::Kind::kChunkSent:
      if (output_.environment.progress) ShowProgress(event.code, event.value, event.detail);
      break;
    default:
      break;  // the window's business: the layer, the lighting, the tray icon
  }
}

int ConsoleKeyboard::Apply(ApplyScope scope, std::string_view whatFailed) {
  std::optional<ApplyOutcome> outcome;
  const JobStart start = session_->Apply([&outcome](const ApplyOutcome& o) { outcome = o; }, scope);
  if (start == JobStart::kNothingToDo) return kExitOk;
  if (start != JobStart::kQueued) return TransferFailed(whatFailed);
  DeliverUntil([&outcome] { return outcome.has_value(); });
  const std::string file = "the profile file " + ToUtf8(session_->ProfilePath()) + " could not be written";
  if (!outcome->saved)
    return output_.Fail(kExitFile, file + (outcome->download == DeviceResult::kOk
                                               ? " (the keyboard took the change)"
                                               : " and the keyboard did not take the change"));
  if (outcome->download == DeviceResult::kMacrosDoNotFit)
    return output_.Fail(kExitNoRoom, "the macros do not fit the keyboard's memory; nothing was sent");
  if (outcome->download != DeviceResult::kOk) return TransferFailed(whatFailed);
  return kExitOk;
}

int ConsoleKeyboard::Import(WorkingProfile imported) {
  constexpr std::string_view kNotTaken = "the keyboard did not take the whole profile";
  std::optional<bool> sent;
  const JobStart start = session_->Import(std::move(imported), [&sent](bool s) { sent = s; });
  if (start == JobStart::kNothingToDo) return output_.Fail(kExitFile, "the profile does not fit in memory");
  if (start != JobStart::kQueued) return TransferFailed(kNotTaken);
  DeliverUntil([&sent] { return sent.has_value(); });
  return *sent ? kExitOk : TransferFailed(kNotTaken);
}

int ConsoleKeyboard::TransferFailed(std::string_view what) {
  std::string message(what);
  if (left_ || link_->DeviceCount() == 0) message += ": the keyboard was unplugged";
  return output_.Fail(kExitTransfer, message);
}

bool ConsoleKeyboard::AskYesNo(std::u16string_view text) {
  output_.Say(text);
  return false;
}

void ConsoleKeyboard::ShowProgress(int code, int done, int total) {
  const auto now = std::chrono::steady_clock::now();
  if (done == 1) {
    transferStart_ = now;
    progressShown_ = false;
  }
  if (!progressShown_ && now - transferStart_ < std::chrono::seconds(1)) return;
  const char* what = code == kCommandWriteMacroImage  ? "sending macros"
                     : code == kCommandReadMacroImage ? "reading macros"
                     : code == kCommandWriteKeyTable  ? "sending keys"
                                                      : "reading keys";
  std::ostream& err = *output_.environment.err;
  err << '\r' << what << ": chunk " << done << " of " << total << (done == total ? "\n" : "") << std::flush;
  progressShown_ = done != total;
}
