// `ostrak-cli validate` of the largest valid profile file, run as a script
// runs it (a process: arguments parsed, the file read, every problem looked
// for), against a program that only reads the same file with plain stdio, a
// process too. Goal: at most 1.3.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/largest_profile_file.h"
#include "tests/support/paired_ratio.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs a program with its output thrown away; whether it ended with 0.
bool RunProgram(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  int status = -1;
  if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(child, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main() {
  const fs::path folder = fs::temp_directory_path() / "ostrak-console-bench";
  fs::create_directories(folder);
  const std::string file = (folder / "largest.fwc").string();
  if (!WriteLargestProfileFile(file)) return 1;

  // A process start is short: a few runs of each side per pair, so that the
  // clock's and the scheduler's grain stay small against it.
  constexpr int kRunsPerSide = 5;
  const auto runs = [](const std::vector<std::string>& arguments) {
    return SecondsOf([&] {
      for (int run = 0; run < kRunsPerSide; ++run)
        if (!RunProgram(arguments)) return false;
      return true;
    });
  };
  const PairedRatio validate = MeasurePairs(
      31, [&] { return runs({OSTRAK_CLI, "validate", file}); }, [&] { return runs({OSTRAK_STDIO_READ, file}); });
  std::printf("ostrak-cli validate of the largest profile file: %.2f ms; a stdio read of it: %.2f ms\n",
              validate.SubjectSeconds() * 1e3 / kRunsPerSide, validate.BaselineSeconds() * 1e3 / kRunsPerSide);
  ReportRatio("ostrak-cli validate / stdio read", validate, "at most 1.3");
  fs::remove_all(folder);
  return validate.failed ? 1 : 0;
}
