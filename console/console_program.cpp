#include "console/console_program.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <sstream>

#include "app/utf8_text.h"
#include "app/version.h"
#include "console/console_commands.h"
#include "console/console_names.h"
#include "lighting/lighting_settings.h"

namespace {

constexpr char kExitCodes[] = R"(Exit codes:
  0  done
  1  the command line: an unknown command, option, name or value
  2  a file that cannot be read or written, or is not a valid profile file
  3  no keyboard attached (or no keyboard service)
  4  the Ostrak window keeps the keyboard: it has changes not applied or
     an editor open (while it runs, it lends the keyboard to a command)
  5  the keyboard left or refused during the transfer
  6  the macros would not fit the keyboard's macro memory
Nothing is half-written: a failed command leaves the keyboard's profile and
the profile file whole.)";

using Command = int (*)(const CommandLine&, const ConsoleOutput&);

// Every subcommand gets the exit codes under its help.
CLI::App* Add(CLI::App& parent, const std::string& name, const std::string& description) {
  CLI::App* command = parent.add_subcommand(name, description);
  command->footer(kExitCodes);
  return command;
}

}  // namespace

int RunConsole(const std::vector<std::string>& arguments, const ConsoleEnvironment& environment) {
  CLI::App app{"ostrak-cli: the keyboard's profiles, macros and lighting from scripts", "ostrak-cli"};
  app.footer(kExitCodes);
  app.require_subcommand(1);
  app.fallthrough();
  app.set_version_flag("--version", "ostrak-cli " + ToUtf8(kProgramVersion));

  ConsoleOutput output{environment};
  CommandLine line;
  std::string profileFile;
  app.add_flag("--json", output.json, "Print the result as one JSON document");
  app.add_option("--profile-file", profileFile, "The profile file to use instead of the one Ostrak keeps");

  Command run = nullptr;
  const auto on = [&run](CLI::App* command, Command what) {
    command->callback([&run, what] { run = what; });
    return command;
  };

  on(Add(app, "devices", "The attached keyboard: its current profile, macro memory and lighting effects"),
     DevicesCommand);
  on(Add(app, "read-back", "Reads the keyboard's three key maps and its macros into the profile file"), ReadBackCommand)
      ->add_option("--out", line.outFile, "Write them to this .fwc file instead");
  on(Add(app, "export", "Writes the profile file to a .fwc file, as the window's Export"), ExportCommand)
      ->add_option("FILE", line.file, "The .fwc file to write")
      ->required();
  on(Add(app, "import", "Checks a .fwc file, makes it the profile and sends it to the keyboard, as the window's Import"),
     ImportCommand)
      ->add_option("FILE", line.file, "The .fwc file to import")
      ->required();
  on(Add(app, "profile", "Switches the keyboard's current profile"), ProfileCommand)
      ->add_option("N", line.profile, "The profile, 1 to 3")
      ->required()
      ->check(CLI::Range(1, 3));
  on(Add(app, "validate", "Checks a profile file: every problem, at its offset (no keyboard needed)"), ValidateCommand)
      ->add_option("FILE", line.file, "The .fwc or profile file")
      ->required();
  on(Add(app, "show", "Prints a profile file: the keys each profile changes, and the macros (no keyboard needed)"),
     ShowCommand)
      ->add_option("FILE", line.file, "The .fwc or profile file")
      ->required();

  CLI::App* key = Add(app, "key", "Changes one key of a profile, in the profile file and on the keyboard");
  key->require_subcommand(1);
  for (CLI::App* command : {on(Add(*key, "set", "Gives a key an assignment"), KeySetCommand),
                            on(Add(*key, "reset", "Puts one key, or every key, back to its default"),
                               KeyResetCommand)}) {
    command->add_option("--profile", line.profile, "The profile, 1 to 3 (the current one if not given)")
        ->check(CLI::Range(1, 3));
    command->add_option("--layer", line.layer, "The G-key layer of a G key, 1 or 2")->check(CLI::Range(1, 2));
  }
  CLI::App* set = key->get_subcommand("set");
  set->add_option("KEY", line.key, "The key by its name: A, F1, G3, Num 7, ...")->required();
  set->add_option("ASSIGNMENT", line.assignment,
                  "key:NAME, media:NAME, function:NAME, macro:NAME, default or disabled")
      ->required();
  key->get_subcommand("reset")->add_option("KEY", line.key, "The key by its name; every key if not given");

  CLI::App* macro = Add(app, "macro", "The profile's macros as JSON");
  macro->require_subcommand(1);
  on(Add(*macro, "list", "The macros' names and sizes"), MacroListCommand);
  on(Add(*macro, "show", "One macro's actions"), MacroShowCommand)
      ->add_option("NAME", line.macro, "The macro's name")
      ->required();
  CLI::App* macroImport = on(Add(*macro, "import", "Adds a macro from a JSON file, or replaces the one of its name, "
                                                   "and sends the macros to the keyboard"),
                             MacroImportCommand);
  macroImport->add_option("FILE", line.file, "The JSON file")->required();
  CLI::App* macroExport = on(Add(*macro, "export", "Writes one macro to a JSON file"), MacroExportCommand);
  macroExport->add_option("NAME", line.macro, "The macro's name")->required();
  macroExport->add_option("FILE", line.file, "The JSON file to write")->required();

  CLI::App* lighting = on(Add(app, "lighting", "Sets the keyboard's lighting, as the lighting panel does; "
                                               "prints it as it then is"),
                          LightingCommand);
  lighting->add_option("--effect", line.effect, "The effect by its number (1 to 14) or name");
  lighting->add_option("--brightness", line.brightness, "0 to 25")->check(CLI::Range(0, kMaxBrightness));
  lighting->add_option("--speed", line.speed, "0 (slowest) to 24 (fastest)")->check(CLI::Range(0, kMaxSpeed));
  lighting->add_option("--colour", line.colour, "The effect's colour, RRGGBB");
  lighting->add_option("--key", line.keyColours, "A key's own colour under effect 5, NAME=RRGGBB (repeatable)")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

  CLI::App* rules = Add(app, "rules", "Per-game profiles: the profile the keyboard takes while a program is in front");
  rules->require_subcommand(1);
  on(Add(*rules, "list", "The rules, what happens when none matches, and whether they are on"), RulesListCommand);
  CLI::App* rulesAdd = on(Add(*rules, "add", "Adds a rule, or gives a program's rule another profile"), RulesAddCommand);
  rulesAdd->add_option("PROGRAM", line.program, "The program's file name (game.exe), its full path, or a folder")
      ->required();
  rulesAdd->add_option("PROFILE", line.profile, "The profile, 1 to 3")->required()->check(CLI::Range(1, 3));
  on(Add(*rules, "remove", "Removes a program's rule"), RulesRemoveCommand)
      ->add_option("PROGRAM", line.program, "The program as its rule names it")
      ->required();

  std::ostream& out = *environment.out;
  std::ostream& err = *environment.err;
  // A mistyped command is named, with the nearest ones.
  if (!arguments.empty() && !arguments[0].starts_with('-')) {
    std::vector<std::string> commands;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
      commands.push_back(command->get_name());
    if (std::find(commands.begin(), commands.end(), arguments[0]) == commands.end())
      return output.Fail(kExitUsage, UnknownName("command", arguments[0], commands));
  }
  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? kExitOk : kExitUsage;
  }
  ConsoleEnvironment chosen = environment;
  if (!profileFile.empty()) chosen.profilePath = FromUtf8(profileFile);
  ConsoleOutput final{chosen, output.json};
  return run ? run(line, final) : kExitUsage;
}
