// COstrakApp, the application object: what the running instance holds for the
// life of the process (the single-instance mutex, the named events, the icon
// in the notification area), and the start-up from the process's first step to
// the running main window, and back.
#pragma once

#include <windows.h>

#include "shell/named_events_win.h"
#include "shell/tray_icon_win.h"

class COstrakApp {
 public:
  COstrakApp() = default;
  ~COstrakApp() { ReleaseInstance(); }
  COstrakApp(const COstrakApp&) = delete;
  COstrakApp& operator=(const COstrakApp&) = delete;

  // Runs the whole life of the process; returns its exit code.
  int Run();

  // The single-instance mutex that this process holds as the running instance.
  void TakeInstanceMutex(HANDLE mutex);
  NamedEvents& events() { return events_; }
  CTrayIcon& tray() { return tray_; }
  // The running instance ends: the mutex, the events and the icon are given back.
  void ReleaseInstance();

 private:
  HANDLE instanceMutex_ = nullptr;
  NamedEvents events_;
  CTrayIcon tray_;
};
