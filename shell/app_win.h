// COstrakApp, the application object: start-up from the process's first step
// to the running main window, and back.
#pragma once

class COstrakApp {
 public:
  // Runs the whole life of the process; returns its exit code.
  int Run();
};
