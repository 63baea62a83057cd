// The fault soak: the main window with HidServ.dll and the simulated keyboard,
// round after round, with random faults: lost, refused, late and slow
// replies, the keyboard pulled out and plugged in again in the middle of a
// read-back and of an Apply, layer notices during transfers, the program
// closed in the middle of an Apply.
//
// Each round starts the window (the keyboard is read back), edits the current
// key map and the macros and applies them, as a user would (applying again
// when told that it failed), then asks the window to open and to exit. After
// each round:
//   - the window answered all the while (every probe within a second; an
//     answer later than 5 s counts as a hang), and "exit" acted within a second;
//   - the profile file is valid and equals the keyboard's memory, the file
//     before the round or the profile the user applied;
//   - the keyboard holds the old or the new profile, never a mix of the two
//     (never empty macros unless the profile had none).
// The keyboard is of one kind, or of both kinds in turns, round by round:
// one whose replies repeat the request's length and offset ("full"), one whose
// replies repeat only its code ("code", bytes 4-6 zero), or one that puts
// other bytes there ("garbage").
// Prints "N rounds, N faults, N lost (echo: ...)" and ends with 0 when nothing
// was lost and nothing hung.
//
//   soak.exe [--rounds N] [--seed S] [--echo full|code|garbage|both]   (both by default)
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <array>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/wide_win.h"
#include "keyboard/key_codes.h"
#include "macros/macro_image.h"
#include "profiles/file_io.h"
#include "profiles/profile_keyboard.h"
#include "profiles/profile_store.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "app/app_paths.h"
#include "shell/main_dialog_win.h"
#include "app/messages.h"
#include "app/shell_state.h"
#include "simulator/sim_protocol.h"
#include "tests/support/keyboard_contents_win.h"
#include "tests/support/sim_server_win.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr DWORD kSettleMs = 120000;    // a round's phase never takes this long unless something hangs
constexpr int kAnswerMs = 1000;        // the window answers within this
constexpr int kHungMs = 5000;          // an answer later than this is a hang
constexpr char kNoFaults[] = "faults latency=0 lose=0 wrongcode=0 status=0 unplugafter=-1 late=0 after=0";

void Say(const char* format, auto... values) {
  std::printf(format, values...);
  std::fflush(stdout);
}

// Asks the window from a thread of its own, every 100 ms, whether it answers,
// and presses OK on the message boxes it shows (the window's thread is inside
// them meanwhile).
class Probe {
 public:
  void Watch(HWND window) { window_ = window; }
  void Start() {
    thread_ = std::thread([this] {
      while (!stop_) {
        if (HWND window = window_.load()) {
          const auto start = Clock::now();
          DWORD_PTR answer = 0;
          const bool answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kHungMs, &answer) != 0;
          const int ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
          if (IsWindow(window)) Record(answered ? ms : kHungMs + 1);
        }
        CloseMessageBoxes();
        Sleep(100);
      }
    });
  }
  ~Probe() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  void Record(int ms) {
    int slowest = slowestMs.load();
    while (ms > slowest && !slowestMs.compare_exchange_weak(slowest, ms)) {
    }
    if (ms > kAnswerMs) ++slow;
    if (ms > kHungMs) ++hung;
  }
  std::atomic<int> slowestMs{0}, slow{0}, hung{0}, boxes{0};

 private:
  void CloseMessageBoxes() {
    for (HWND box : MessageBoxesOf(GetCurrentProcessId())) {
      ++boxes;
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class Soak {
 public:
  // `echoes`: the kinds of keyboard the rounds take in turns.
  Soak(unsigned seed, std::vector<SimEcho> echoes) : random_(seed), echoes_(std::move(echoes)) {}

  bool Start() {
    if (!keyboard_.Start()) return false;
    SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(keyboard_.Port())).c_str());
    SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
    SetRegistryRoot(u"Ostrak_Brelund", u"OstrakSoak");
    path_ = ProfileFilePath(0);
    RemoveFile(path_);
    RemoveFile(ApplyNotePath(path_));
    probe_.Start();
    return true;
  }

  void Round(int round) {
    round_ = round;
    const SimEcho echo = echoes_[round % echoes_.size()];
    keyboard_.Control(std::string("faults echo=") + SimEchoName(echo));
    ++roundsOf_[static_cast<int>(echo)];
    const Bytes before = FileBytes();
    OpenWindow(true);
    if (!window_) return;
    const std::string readBackFault = fault_;
    CheckFile("after the read-back", {before});

    // The user remaps keys and changes the macros of the current key map.
    const int profile = CurrentProfile();
    const KeyboardState old = Keyboard(profile);
    EditWorkingProfile();
    const KeyboardState edited = Expected(profile);
    const Bytes applied = WorkingFile();

    ++faults_;
    if (Chance(10)) {
      // Closed in the middle of the Apply; the next start finishes what it left.
      Inject({"faults latency=" + std::to_string(Between(2, 10))});
      const int commands = Commands();
      const int after = Between(1, 120);
      window_->SetPendingChanges(true);
      SendMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
      WaitUntil([&] { return Commands() >= commands + after || !window_->KeyboardBusy(); }, kSettleMs);
      CloseWindow();
      Recover();
      OpenWindow(false);
      if (!window_) return;
      outcome_ = "closed during the Apply, after " + std::to_string(Commands() - commands) + " commands";
    } else {
      ApplyWithFaults();
    }
    Say("round %d, echo %s: read-back [%s]; Apply [%s]: %s\n", round, SimEchoName(echo), readBackFault.c_str(),
        fault_.c_str(), outcome_.c_str());
    CheckKeyboard(profile, old, edited);
    CheckFile("after the Apply", {before, applied});
    ShowAndClose();
  }

  void Finish(int rounds) {
    std::string kinds;
    for (SimEcho echo : {SimEcho::kFull, SimEcho::kCodeOnly, SimEcho::kCodeGarbage})
      if (const int n = roundsOf_[static_cast<int>(echo)]; n > 0)
        kinds += (kinds.empty() ? "" : ", ") + std::to_string(n) + " " + SimEchoName(echo);
    Say("%d rounds, %d faults, %d lost (echo: %s)\n", rounds, faults_, lost_, kinds.c_str());
    Say("slowest answer %d ms, %d later than %d ms, %d hung, %d message boxes\n", probe_.slowestMs.load(),
        probe_.slow.load(), kAnswerMs, probe_.hung.load(), probe_.boxes.load());
  }
  bool Healthy() const { return lost_ == 0 && probe_.hung == 0 && !stuck_; }

 private:
  // ---- Faults -------------------------------------------------------------------
  bool Chance(int percent) { return Between(1, 100) <= percent; }
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  struct Fault {
    std::string line;    // for the simulator's "faults"
    bool unplugs = false;
    bool notices = false;  // layer notices all through the phase
  };

  Fault RandomFault(int replies) {
    const std::string after = " after=" + std::to_string(Between(0, replies));
    switch (Between(0, 7)) {
      case 0: return {"faults lose=" + std::to_string(Between(1, 4)) + after};
      case 1: return {"faults status=" + std::to_string(Between(1, 4)) + " statusbyte=FE" + after};
      case 2: return {"faults status=" + std::to_string(Between(1, 3)) + " statusbyte=FF" + after};
      case 3: return {"faults late=" + std::to_string(Between(1, 3)) + " latems=" + std::to_string(Between(1050, 2600)) + after};
      case 4: return {"faults latency=" + std::to_string(Between(1, 40))};
      case 5: return {"faults unplugafter=" + std::to_string(Between(0, replies)), true};
      case 6: return {"faults wrongcode=" + std::to_string(Between(1, 3)) + after};
      default: return {"faults latency=" + std::to_string(Between(0, 5)), false, true};
    }
  }
  Fault RandomReadBackFault() { return RandomFault(45); }
  Fault RandomApplyFault() { return RandomFault(160); }

  void Inject(const Fault& fault) {
    keyboard_.Control(kNoFaults);
    keyboard_.Control(fault.line);
    notices_ = fault.notices;
    unplugs_ = fault.unplugs;
    fault_ = fault.line;
    noticedBefore_ = Noticed();
  }

  // Back to a keyboard without faults, plugged in, and the window settled.
  void Recover() {
    keyboard_.Control(kNoFaults);
    notices_ = false;
    if (keyboard_.Control("count") == "OK 0") {
      // The window hears of the removal first (it may wait behind a late
      // reply), then of the keyboard coming back.
      if (window_) Settle([&] { return Noticed() > noticedBefore_; });
      const unsigned noticed = Noticed();
      keyboard_.Control("plug");
      if (window_) Settle([&] { return Noticed() > noticed; });
    }
    if (window_) Settle([] { return true; });
  }

  // ---- The window ---------------------------------------------------------------
  void OpenWindow(bool withFaults) {
    if (withFaults) {
      ++faults_;
      Inject(RandomReadBackFault());
    } else {
      Inject({kNoFaults});
    }
    window_ = std::make_unique<COstrakDlg>(app_, true);
    if (!window_->CreateModeless()) {
      window_.reset();
      stuck_ = true;
      return Lost("the window did not open");
    }
    probe_.Watch(window_->hwnd());
    Settle([] { return true; });
    Recover();
    Settle([&] { return Shell().devicesPresent > 0; });
  }

  // Pumps the window's messages until `done` holds and no transfer is left.
  void Settle(const std::function<bool()>& done) {
    const bool settled = WaitUntil(
        [&] {
          if (notices_) keyboard_.Control("notice 02FF");
          if (!done() || window_->KeyboardBusy()) return false;
          // What the transfers posted to the window is handled too.
          MSG message;
          return !PeekMessageW(&message, window_->hwnd(), WM_APP, 0xBFFF, PM_NOREMOVE);
        },
        kSettleMs);
    if (!settled) {
      stuck_ = true;
      Lost("the window never settled");
    }
  }

  unsigned Noticed() const { return window_ ? window_->KeyboardCountsNoticed() : 0; }

  void ApplyWithFaults() {
    const Fault fault = RandomApplyFault();
    Inject(fault);
    window_->SetPendingChanges(true);
    SendMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
    Settle([] { return true; });
    const bool failed = window_->PendingChanges();
    Recover();
    outcome_ = !failed ? "applied" : window_->PendingChanges() ? "failed" : "failed, finished when plugged in again";
    if (window_->PendingChanges()) {
      // Told that it failed, the user applies again.
      SendMessageW(window_->hwnd(), WM_COMMAND, IDC_APPLY, 0);
      Settle([] { return true; });
      outcome_ += window_->PendingChanges() ? ", failed again" : ", applied again";
    }
  }

  // Asks the window to open and then to exit, as a second start and "/Kill" do.
  void ShowAndClose() {
    TimedSend(WM_INSTANCE_OPEN, kOpenTag);
    CloseWindow();
  }

  // "/Kill": answered at once, the window closed within a second.
  void CloseWindow() {
    const auto start = Clock::now();
    TimedSend(WM_INSTANCE_KILL, kKillTag);
    if (!WaitUntil([&] { return !window_->IsOpen(); }, kHungMs)) Lost("the window did not close");
    probe_.Record(static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()));
    probe_.Watch(nullptr);
    window_.reset();
  }

  // Sends from another thread (the window's thread keeps pumping here) and
  // records how long the answer took.
  void TimedSend(UINT message, std::uint32_t tag) {
    std::atomic<bool> done{false};
    std::atomic<int> ms{0};
    const HWND window = window_->hwnd();
    std::thread sender([&] {
      const auto start = Clock::now();
      DWORD_PTR answer = 0;
      const bool answered = SendMessageTimeoutW(window, message, tag, 0, SMTO_ABORTIFHUNG, kHungMs, &answer) != 0;
      ms = answered ? static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count())
                    : kHungMs + 1;
      done = true;
    });
    WaitUntil([&] { return done.load(); }, kHungMs * 2);
    sender.join();
    probe_.Record(ms);
  }

  // ---- The profile and the keyboard ------------------------------------------------
  int CurrentProfile() {
    Bytes status;
    ParseHexBytes(keyboard_.Control("read status 10 1").substr(3), status);
    return status.empty() ? 0 : status[0];
  }

  void EditWorkingProfile() {
    const int profile = CurrentProfile();
    SetUpProfile(window_->session(), [&](WorkingProfile& working) { Edit(working, profile); });
  }

  void Edit(WorkingProfile& working, int profile) {
    if (!working.block) return;
    FreeMacroList(working.macros);
    const int macros = Chance(15) ? 0 : Between(1, 4);
    AllocateMacroList(working.macros, macros);
    for (int m = 0; m < macros; ++m) {
      MacroRecord& record = working.macros.records[m];
      FillNewMacroRecord(record, u"Soak " + std::u16string(1, char16_t(u'A' + m)), static_cast<std::uint16_t>(m + 1));
      record.actionCount = static_cast<std::uint16_t>(2 * Between(1, 90));  // all four fit the keyboard
      for (int a = 0; a < record.actionCount; ++a)
        record.actions[a] = {static_cast<std::uint32_t>(Between(0, 200)), KeyboardKeys[Between(0, 103)],
                             static_cast<std::uint16_t>(a % 2 ? kMacroRelease : kMacroPress)};
    }
    for (int n = Between(1, 30); n > 0; --n) {
      const KeyCode key = KeyboardKeys[Between(0, 103)];
      KeyAssignment& entry = working.block->area[AssignmentIndex(profile, KeyCodeToSlot(key))];
      switch (Between(0, 4)) {
        case 0: entry = {AssignmentType::Key, 0, KeyboardKeys[Between(0, 103)], 0, 0}; break;
        case 1: entry = {AssignmentType::Media, 0, static_cast<std::uint32_t>(Between(0, 17)), 0, 0}; break;
        case 2: entry = {AssignmentType::Disabled, 0, 0, 0, 0}; break;
        case 3:
          if (macros > 0) entry = {AssignmentType::Macro, 0, static_cast<std::uint32_t>(Between(1, macros)), 0, 0};
          break;
        default: entry = {}; break;
      }
    }
  }

  Bytes Memory(const std::string& area, std::size_t offset, std::size_t length) {
    return KeyboardMemory(keyboard_, area, offset, length);
  }
  KeyboardState Expected(int profile) { return ExpectedOnKeyboard(window_->session(), profile); }
  KeyboardState Keyboard(int profile) { return KeyboardHolds(keyboard_, profile); }

  // The profile file that mirrors the keyboard's memory, as a read-back writes it.
  Bytes KeyboardFile() {
    std::array<DeviceKeyTable, 3> tables;
    for (int p = 0; p < 3; ++p) {
      const Bytes bytes = Memory("keytables", p * kKeyTableStride, kKeyTableBytes);
      std::memcpy(tables[p].data(), bytes.data(), kKeyTableBytes);
    }
    Bytes image = Memory("macros", 0, kMacroMemory);
    MacroImageHeader header{};
    if (ReadMacroImageHeader(image, header) && header.macroCount > 0)
      image.resize(header.imageSize);
    else
      image.clear();
    return ProfileFileFromKeyboard(tables, DefaultKeyTable(), image);
  }

  Bytes FileBytes() {
    Bytes bytes;
    ReadWholeFile(path_, bytes);
    return bytes;
  }

  Bytes WorkingFile() {
    const std::u16string copy = path_ + u".soak";
    window_->session().ExportProfile(copy);
    Bytes bytes;
    ReadWholeFile(copy, bytes);
    RemoveFile(copy);
    return bytes;
  }

  // ---- Checks ----------------------------------------------------------------------
  void CheckFile(const char* when, std::vector<Bytes> allowed) {
    const Bytes file = FileBytes();
    if (file.empty() && allowed.front().empty()) return;  // never read, never written
    if (ValidateProfileFile(*window_, path_) != FileCheck::kValid) return Lost(std::string("the profile file is not valid ") + when);
    allowed.push_back(KeyboardFile());
    for (const Bytes& candidate : allowed)
      if (file == candidate) return;
    Lost(std::string("the profile file is neither the keyboard's, the old nor the applied one ") + when);
  }

  void CheckKeyboard(int profile, const KeyboardState& old, const KeyboardState& edited) {
    const KeyboardState now = Keyboard(profile);
    const bool oldTable = now.table == old.table, newTable = now.table == edited.table;
    const bool oldImage = now.image == old.image;
    const bool newImage = std::equal(edited.image.begin(), edited.image.end(), now.image.begin());
    if ((oldTable && oldImage) || (newTable && newImage)) return;
    Lost(oldTable || newTable ? "the keyboard holds a mix of the old and the new profile"
                              : "the keyboard holds neither the old nor the new key map");
  }

  void Lost(const std::string& what) {
    ++lost_;
    Say("LOST in round %d (%s): %s\n", round_, fault_.c_str(), what.c_str());
  }

  std::mt19937 random_;
  std::vector<SimEcho> echoes_;
  int roundsOf_[3] = {};  // rounds run with each SimEcho
  SimServer keyboard_;
  Probe probe_;
  COstrakApp app_;  // what the running instance holds; outlives the window
  std::unique_ptr<COstrakDlg> window_;
  std::u16string path_;
  int round_ = 0, faults_ = 0, lost_ = 0;
  unsigned noticedBefore_ = 0;
  std::string fault_, outcome_;
  bool notices_ = false, unplugs_ = false, stuck_ = false;

  int Commands() { return std::atoi(keyboard_.Control("commands").c_str() + 3); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  int rounds = 20;
  unsigned seed = std::random_device{}();
  std::string echoName = "both";
  for (int i = 1; i + 1 < count; i += 2) {
    const std::wstring name = arguments[i];
    if (name == L"--rounds") rounds = _wtoi(arguments[i + 1]);
    else if (name == L"--seed") seed = static_cast<unsigned>(_wtoi64(arguments[i + 1]));
    else if (name == L"--echo") {
      const std::wstring value = arguments[i + 1];
      echoName.assign(value.begin(), value.end());  // the names are ASCII
    }
  }
  std::vector<SimEcho> echoes{SimEcho::kFull, SimEcho::kCodeOnly};
  if (SimEcho one; echoName != "both") {
    if (!ParseSimEcho(echoName, one)) {
      Say("soak: --echo takes full, code, garbage or both\n");
      return 2;
    }
    echoes = {one};
  }
  Say("soak: %d rounds, seed %u, echo %s\n", rounds, seed, echoName.c_str());
  Soak soak(seed, echoes);
  if (!soak.Start()) {
    Say("soak: the keyboard simulator did not start\n");
    return 2;
  }
  int round = 0;
  for (; round < rounds && soak.Healthy(); ++round) soak.Round(round);
  soak.Finish(round);
  return soak.Healthy() ? 0 : 1;
}
