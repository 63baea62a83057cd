// The per-game watcher: a front over the keyboard session that hears which
// window comes to the front (a foreground event hook on the window's thread,
// no polling) and has GameSwitcher decide when the keyboard's profile
// follows. The switch itself is the session's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/window_program_win.h"
#include "profiles/game_rules.h"
#include "session/game_switcher.h"
#include "session/keyboard_session.h"

class GameWatcher {
 public:
  struct Host {
    HWND window = nullptr;  // its timers run there; its own windows never count
    KeyboardSession* session = nullptr;
    // What holds a switch on the window's side: SwitchHold bits.
    std::function<unsigned()> holds;
    // A switch was handed to the session: the user is told.
    std::function<void(const ProfileSwitchDue&)> switched;
  };

  // The settings are read from, and kept in, `store`.
  explicit GameWatcher(SettingValues& store) : store_(store) {}
  ~GameWatcher();
  GameWatcher(const GameWatcher&) = delete;
  GameWatcher& operator=(const GameWatcher&) = delete;

  // Hooks the foreground changes on this thread and weighs the window in front.
  void Start(Host host);
  void Stop();

  // The settings again from the store (the rules window or a console command
  // changed them).
  void Reload();
  // The session's events: the keyboard's arrival, departure and profile.
  void OnSessionEvent(const SessionEvent& event);
  // Something that may hold a switch has changed: a switch that waited may run.
  void Evaluate();
  // The window's timers: true when `timer` was the watcher's.
  bool OnTimer(UINT_PTR timer);

  const GameSwitcher& switcher() const { return switcher_; }
  // The last program in front that could not be examined (empty: none since
  // a program that could).
  const std::u16string& unseenWindowTitle() const { return unseen_; }
  // A window came to the front; the hook calls it, tests may too.
  void OnForeground(HWND window);

 private:
  static void CALLBACK ForegroundHook(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                      DWORD thread, DWORD time);
  void ArmTimers();

  SettingValues& store_;
  Host host_;
  GameSwitcher switcher_;
  HWINEVENTHOOK hook_ = nullptr;
  std::u16string unseen_;
};

// Any key of the keyboard held down now (mouse buttons aside).
bool AnyKeyHeld();
