// ostrak-cli on a system without the keyboard's service: the commands that
// need only files (validate, show, and those that read the profile file).
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/app_paths.h"
#include "console/console_program.h"
#include "profiles/settings.h"

int main(int argc, char** argv) {
  ConsoleEnvironment environment;
  environment.out = &std::cout;
  environment.err = &std::cerr;
  environment.progress = isatty(STDERR_FILENO) != 0;
  // Where the window program keeps it, under the home folder's Documents.
  const char* home = std::getenv("HOME");
  const std::filesystem::path file = std::filesystem::path(home ? home : ".") / "Documents" /
                                     std::filesystem::path(kSettingsFolderName) / FileNameOf(ProfileFileIn(u"", 0));
  environment.profilePath = file.u16string();
  return RunConsole(std::vector<std::string>(argv + 1, argv + argc), environment);
}
