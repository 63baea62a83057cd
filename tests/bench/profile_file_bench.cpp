// Loading, validating and saving the largest valid profile file (100 macros of
// 2000 actions, 2048 strings), against reading the same bytes and writing them
// as durably with plain stdio (a new file, put on the disk, renamed over the
// old one). Prints the ratio; it should stay below 1.5. Also prints the most
// heap a load of that file holds at once, per byte of the file.
#include <benchmark/benchmark.h>
#include <unistd.h>  // fsync

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "profiles/file_io.h"
#include "profiles/profile_store.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/largest_profile_file.h"
#include "tests/support/ratio_reporter.h"

// Every allocation of this program is counted: the heap held and its peak.
namespace heap {
std::atomic<std::size_t> held{0}, peak{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Take(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  const std::size_t now = held += size;
  for (std::size_t top = peak; now > top && !peak.compare_exchange_weak(top, now);) {
  }
  return block + kHeader;
}

void Give(void* pointer) {
  if (!pointer) return;
  unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
  std::size_t size;
  std::memcpy(&size, block, sizeof size);
  held -= size;
  std::free(block);
}
}  // namespace heap

void* operator new(std::size_t size) {
  if (void* p = heap::Take(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return heap::Take(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return heap::Take(size); }
void operator delete(void* p) noexcept { heap::Give(p); }
void operator delete[](void* p) noexcept { heap::Give(p); }
void operator delete(void* p, std::size_t) noexcept { heap::Give(p); }
void operator delete[](void* p, std::size_t) noexcept { heap::Give(p); }

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = fs::temp_directory_path() / "ostrak-profile-bench";
  return folder;
}

std::u16string LargestFile() {
  static const std::u16string path = [] {
    fs::create_directories(Folder());
    WriteLargestProfileFile(Folder() / "largest.fwc");
    return (Folder() / "largest.fwc").u16string();
  }();
  return path;
}

void BM_LoadValidateSave(benchmark::State& state) {
  const std::u16string source = LargestFile();
  const std::u16string target = (Folder() / "$Profile0").u16string();
  fs::copy_file(fs::path(source), fs::path(target), fs::copy_options::overwrite_existing);
  FakeUserInterface ui;
  for (auto _ : state) {
    WorkingProfile profile;
    benchmark::DoNotOptimize(ValidateProfileFile(ui, target));
    benchmark::DoNotOptimize(LoadProfileFile(profile, target));
    benchmark::DoNotOptimize(SaveProfileFile(profile, target));
  }
}

void BM_PlainStdio(benchmark::State& state) {
  const std::string source = fs::path(LargestFile()).string();
  const std::string target = (Folder() / "plain").string();
  const auto readAll = [&] {
    std::FILE* in = std::fopen(source.c_str(), "rb");
    std::vector<unsigned char> bytes(fs::file_size(source));
    benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), in));
    std::fclose(in);
    return bytes;
  };
  // The same durable write: a new file, put on the disk, then renamed over the old.
  const std::string temporary = target + ".saving";
  for (auto _ : state) {
    const std::vector<unsigned char> bytes = readAll();
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fflush(out);
    fsync(fileno(out));
    std::fclose(out);
    std::rename(temporary.c_str(), target.c_str());
  }
}

}  // namespace

BENCHMARK(BM_LoadValidateSave)->Unit(benchmark::kMillisecond)->MinTime(0.2)->Repetitions(7)
    ->ComputeStatistics("min", FastestOf)->ReportAggregatesOnly(true);
BENCHMARK(BM_PlainStdio)->Unit(benchmark::kMillisecond)->MinTime(0.2)->Repetitions(7)
    ->ComputeStatistics("min", FastestOf)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter("LoadValidateSave", "PlainStdio");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (reporter.Ratio() > 0)
    std::printf("profile file load+validate+save / stdio read+write: %.2f (should stay below 1.5)\n",
                reporter.Ratio());
  {
    const std::u16string file = LargestFile();
    const double size = static_cast<double>(fs::file_size(fs::path(file)));
    const std::size_t before = heap::held;
    heap::peak = before;
    {
      WorkingProfile profile;
      LoadProfileFile(profile, file);
    }
    std::printf("loading the largest profile file (%.0f bytes, 2048 strings) holds at most %.2f bytes of heap per byte\n",
                size, static_cast<double>(heap::peak - before) / size);
  }
  fs::remove_all(Folder());
  return 0;
}
