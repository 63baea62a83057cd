// The console program `ostrak-cli`: scripts' way to the keyboard and the
// profile file, over the same core as the window program. RunConsole parses
// the arguments and runs one command; the entry points (natively and for
// Windows) only say where the profile file is, how the device service is
// reached and whether the window program holds the keyboard.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "device/device_service.h"
#include "profiles/game_rules.h"

// The exit codes, as `--help` lists them.
enum ConsoleExit : int {
  kExitOk = 0,
  kExitUsage = 1,       // the command line: an unknown command, option, name or value
  kExitFile = 2,        // a file that cannot be read or written, or does not validate
  kExitNoKeyboard = 3,  // no keyboard attached, or no device service
  kExitBusy = 4,        // the window program keeps the keyboard (or another command holds it)
  kExitTransfer = 5,    // the keyboard left or refused during the transfer
  kExitNoRoom = 6,      // the macros would not fit the keyboard's macro memory
};

struct ConsoleEnvironment {
  std::ostream* out = nullptr;  // the result: one JSON document with --json, else text
  std::ostream* err = nullptr;  // messages and the progress line
  std::u16string profilePath;   // the profile file the window program keeps
  bool progress = false;        // standard error is a terminal: long transfers show their progress
  // Loads the device service and calls its Init; false with the reason when
  // there is none (null: this system has none).
  std::function<bool(DeviceService& service, std::string& whyNot)> openService;
  // Takes the keyboard and the profile file for this command, until the
  // process ends: empty when taken, else why not (the window program runs).
  // Null takes them at once.
  std::function<std::string()> claimKeyboard;
  LinkTimings timings;
  // Where the window program keeps its per-game rules (null: this system
  // keeps none).
  SettingValues* gameRules = nullptr;
};

// Runs the command that `arguments` (without the program's name) give.
// Returns a ConsoleExit code.
int RunConsole(const std::vector<std::string>& arguments, const ConsoleEnvironment& environment);
