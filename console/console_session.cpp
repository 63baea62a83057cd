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

std::unique_ptr<ConsoleKeyboard> ConsoleKeyboard::Open(const ConsoleOutput& output, int& exitCode) {
  const ConsoleEnvironment& environment = output.environment;
  if (environment.claimKeyboard) {
    if (const std::string busy = environment.claimKeyboard(); !busy.empty()) {
      exitCode = output.Fail(kExitBusy, busy);
      return nullptr;
    }
  }
  std::unique_ptr<ConsoleKeyboard> session(new ConsoleKeyboard(output));
  std::string whyNot = "this system has no keyboard service";
  if (!environment.openService || !environment.openService(session->service_, whyNot)) {
    exitCode = output.Fail(kExitNoKeyboard, whyNot);
    return nullptr;
  }
  session->link_ = std::make_unique<DeviceLink>(session->service_, environment.timings);
  DeviceLink& link = *session->link_;
  const int count = link.Start(session.get());
  if (count <= 0) {
    exitCode = output.Fail(kExitNoKeyboard, count < 0 ? "the keyboard service refused the keyboard"
                                                      : "no keyboard is attached");
    return nullptr;
  }
  DeviceKeyTable defaults;
  if (link.ReadDefaultKeyTable(defaults) != DeviceResult::kOk || link.RefreshMacroCapacity() != DeviceResult::kOk) {
    exitCode = session->TransferFailed("the keyboard does not answer");
    return nullptr;
  }
  SetDefaultKeyTable(defaults);
  if (environment.progress)
    link.SetChunkProgress([s = session.get()](std::uint8_t code, std::size_t done, std::size_t total) {
      s->ShowProgress(code, done, total);
    });
  // As when the keyboard arrives at the window program: a download cut short
  // is finished before anything else reads or changes the keyboard.
  if (!FinishInterruptedApply(link, *session, environment.profilePath)) {
    exitCode = session->TransferFailed("an earlier download that was cut short could not be finished");
    return nullptr;
  }
  return session;
}

ConsoleKeyboard::~ConsoleKeyboard() {
  if (link_) {
    link_->Stop();
    link_.reset();
  }
  if (service_.End) service_.End();
}

bool ConsoleKeyboard::LoadProfile(WorkingProfile& working, int& exitCode) {
  const std::u16string& path = output_.environment.profilePath;
  FreeWorkingProfile(working);
  if (LoadProfileFile(working, path)) return true;
  // No profile file yet (the window program never ran), or a damaged one:
  // the keyboard's own profile, as the window program reads it on arrival.
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  if (!ReadProfileFromKeyboard(*link_, path)) {
    exitCode = TransferFailed("the keyboard's profile could not be read");
    return false;
  }
  FreeWorkingProfile(working);
  if (LoadProfileFile(working, path)) return true;
  exitCode = output_.Fail(kExitFile, "the profile file " + ToUtf8(path) + " does not load");
  return false;
}

int ConsoleKeyboard::TransferFailed(std::string_view what) {
  std::string message(what);
  if (left_ || link_->DeviceCount() == 0) message += ": the keyboard was unplugged";
  return output_.Fail(kExitTransfer, message);
}

void ConsoleKeyboard::OnDeviceCount(int count) {
  if (count == 0) left_ = true;
}

void ConsoleKeyboard::ShowDeviceMessage(TextKey key) { output_.Say(Text(key)); }

bool ConsoleKeyboard::AskYesNo(std::u16string_view text) {
  output_.Say(text);
  return false;
}

void ConsoleKeyboard::ShowProgress(std::uint8_t code, std::size_t done, std::size_t total) {
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
