#include "shell/game_watcher_win.h"

#include "app/wide_win.h"

namespace {

// The switch a program in front wants runs once it has settled.
constexpr UINT_PTR kSettleTimer = 1054;
// While a switch waits for what holds it, that is looked at again this often:
// a key's release and a transfer's end tell nobody. (A dialog's or editor's
// end also makes the window ask at once.)
constexpr UINT_PTR kHoldTimer = 1055;
constexpr UINT kHoldRecheckMs = 50;

GameWatcher* hooked = nullptr;  // the one watcher of the window's thread

SwitchClock Now() { return static_cast<SwitchClock>(GetTickCount64()); }

}  // namespace

bool AnyKeyHeld() {
  for (int key = 0x08; key <= 0xFE; ++key)
    if (GetAsyncKeyState(key) & 0x8000) return true;
  return false;
}

GameWatcher::~GameWatcher() { Stop(); }

void GameWatcher::Start(Host host) {
  host_ = std::move(host);
  switcher_.SetSettings(LoadGameRules(store_));
  if (!hook_) {
    // Out of context: the hook runs on this thread, inside its message loop.
    // Events this process caused count too (it may bring another program to
    // the front); its own windows are left out by OnForeground.
    hook_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundHook, 0, 0,
                            WINEVENT_OUTOFCONTEXT);
    hooked = this;
  }
  OnForeground(GetForegroundWindow());
}

void GameWatcher::Stop() {
  if (hook_) UnhookWinEvent(hook_);
  hook_ = nullptr;
  if (hooked == this) hooked = nullptr;
  if (host_.window) {
    KillTimer(host_.window, kSettleTimer);
    KillTimer(host_.window, kHoldTimer);
  }
  host_ = {};
}

void CALLBACK GameWatcher::ForegroundHook(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD,
                                          DWORD) {
  if (event == EVENT_SYSTEM_FOREGROUND && object == OBJID_WINDOW && hooked) hooked->OnForeground(window);
}

void GameWatcher::Reload() {
  GameRuleSettings settings = LoadGameRules(store_);
  // Weighed again only when they changed: weighing the same rules again
  // would undo a profile the user chose by hand while the game is in front.
  if (!(settings == switcher_.Settings())) switcher_.SetSettings(std::move(settings));
}

void GameWatcher::OnForeground(HWND window) {
  if (!host_.session || !window) return;
  const WindowProgram program = ProgramOfWindow(window);
  if (program.ownProcess || program.window == host_.window) return;
  if (IsShellWindow(program.windowClass, program.imagePath)) return;
  Reload();  // a console command may have changed the rules
  const SwitchClock now = Now();
  if (program.imagePath.empty()) {
    wchar_t title[256] = {};
    const int length = GetWindowTextW(program.window, title, static_cast<int>(std::size(title)));
    unseen_ = length > 0 ? FromWide(std::wstring_view(title, length)) : program.windowClass;
    switcher_.ForegroundUnknown(now);
  } else {
    unseen_.clear();
    switcher_.ForegroundChanged(program.imagePath, now);
  }
  Evaluate();
}

void GameWatcher::OnSessionEvent(const SessionEvent& event) {
  if (!host_.session) return;
  switch (event.kind) {
    case SessionEvent::Kind::kKeyboardArrived:
      switcher_.KeyboardArrived(host_.session->CurrentProfile());
      break;
    case SessionEvent::Kind::kKeyboardLeft:
      switcher_.KeyboardLeft();
      break;
    case SessionEvent::Kind::kProfileSwitched:
      switcher_.ProfileChanged(event.value);
      break;
    default:
      return;
  }
}

void GameWatcher::Evaluate() {
  if (!host_.session) return;
  unsigned holds = host_.holds ? host_.holds() : 0;
  if (AnyKeyHeld()) holds |= static_cast<unsigned>(SwitchHold::kKeyHeld);
  for (SwitchHold hold : {SwitchHold::kEditor, SwitchHold::kDialog, SwitchHold::kTransfer, SwitchHold::kKeyHeld,
                          SwitchHold::kPending})
    switcher_.Hold(hold, (holds & static_cast<unsigned>(hold)) != 0);
  if (std::optional<ProfileSwitchDue> due = switcher_.TakeSwitch(Now())) {
    if (host_.session->SwitchProfile(due->profile) == JobStart::kQueued) {
      if (host_.switched) host_.switched(*due);
    } else {
      switcher_.SwitchRefused(*due);
      switcher_.Hold(SwitchHold::kTransfer, true);
    }
  }
  ArmTimers();
}

void GameWatcher::ArmTimers() {
  if (!host_.window) return;
  if (const std::optional<SwitchClock> next = switcher_.NextCheck()) {
    const SwitchClock wait = std::max<SwitchClock>(*next - Now(), 1);
    SetTimer(host_.window, kSettleTimer, static_cast<UINT>(wait), nullptr);
  } else {
    KillTimer(host_.window, kSettleTimer);
  }
  if (switcher_.SwitchWaiting() && switcher_.Holds() != 0)
    SetTimer(host_.window, kHoldTimer, kHoldRecheckMs, nullptr);
  else
    KillTimer(host_.window, kHoldTimer);
}

bool GameWatcher::OnTimer(UINT_PTR timer) {
  if (timer != kSettleTimer && timer != kHoldTimer) return false;
  if (timer == kSettleTimer) KillTimer(host_.window, kSettleTimer);
  Evaluate();
  return true;
}
