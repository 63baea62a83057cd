// The console program's commands, each over the parsed command line; each
// returns its exit code and prints its result or its failure.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "console/console_session.h"

struct CommandLine {
  std::string file;        // the command's FILE
  std::string outFile;     // read-back --out
  int profile = 0;         // --profile 1 to 3; 0: the keyboard's current profile
  int layer = 1;           // --layer of a G key, 1 or 2
  std::string key;         // KEY
  std::string assignment;  // ASSIGNMENT
  std::string macro;       // NAME of a macro
  std::optional<std::string> effect;
  std::optional<int> brightness;
  std::optional<int> speed;
  std::optional<std::string> colour;
  std::vector<std::string> keyColours;  // NAME=RRGGBB
  std::string program;                  // a per-game rule's PROGRAM
};

// Files only: no keyboard.
int ValidateCommand(const CommandLine& line, const ConsoleOutput& output);
int ShowCommand(const CommandLine& line, const ConsoleOutput& output);
int ExportCommand(const CommandLine& line, const ConsoleOutput& output);
int MacroListCommand(const CommandLine& line, const ConsoleOutput& output);
int MacroShowCommand(const CommandLine& line, const ConsoleOutput& output);
int MacroExportCommand(const CommandLine& line, const ConsoleOutput& output);
// The window program's per-game rules (its settings, no keyboard).
int RulesListCommand(const CommandLine& line, const ConsoleOutput& output);
int RulesAddCommand(const CommandLine& line, const ConsoleOutput& output);
int RulesRemoveCommand(const CommandLine& line, const ConsoleOutput& output);

// The keyboard.
int DevicesCommand(const CommandLine& line, const ConsoleOutput& output);
int ReadBackCommand(const CommandLine& line, const ConsoleOutput& output);
int ImportCommand(const CommandLine& line, const ConsoleOutput& output);
int ProfileCommand(const CommandLine& line, const ConsoleOutput& output);
int KeySetCommand(const CommandLine& line, const ConsoleOutput& output);
int KeyResetCommand(const CommandLine& line, const ConsoleOutput& output);
int MacroImportCommand(const CommandLine& line, const ConsoleOutput& output);
int LightingCommand(const CommandLine& line, const ConsoleOutput& output);
