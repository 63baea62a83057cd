// `ostrak-cli validate` of the largest valid profile file, run as a script
// runs it (a process: arguments parsed, the file read, every problem looked
// for), against a program that only reads the same file with plain stdio.
// Prints the ratio; it should stay below 1.5.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/largest_profile_file.h"
#include "tests/support/ratio_reporter.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const fs::path& LargestFile() {
  static const fs::path path = [] {
    const fs::path folder = fs::temp_directory_path() / "ostrak-console-bench";
    fs::create_directories(folder);
    WriteLargestProfileFile(folder / "largest.fwc");
    return folder / "largest.fwc";
  }();
  return path;
}

// Runs a program with its output thrown away; its exit code.
int RunProgram(std::vector<std::string> arguments) {
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
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_ValidateCommand(benchmark::State& state) {
  const std::string file = LargestFile().string();
  for (auto _ : state)
    if (RunProgram({OSTRAK_CLI, "validate", file}) != 0) state.SkipWithError("validate failed");
}

void BM_StdioReadProgram(benchmark::State& state) {
  const std::string file = LargestFile().string();
  for (auto _ : state)
    if (RunProgram({OSTRAK_STDIO_READ, file}) != 0) state.SkipWithError("the reader failed");
}

}  // namespace

BENCHMARK(BM_ValidateCommand)->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(7)
    ->ComputeStatistics("min", FastestOf)->ReportAggregatesOnly(true);
BENCHMARK(BM_StdioReadProgram)->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(7)
    ->ComputeStatistics("min", FastestOf)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter("ValidateCommand", "StdioReadProgram");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (reporter.Ratio() > 0)
    std::printf("ostrak-cli validate of the largest profile file / a stdio read of it: %.2f (should stay below 1.5)\n",
                reporter.Ratio());
  fs::remove_all(LargestFile().parent_path());
  return 0;
}
