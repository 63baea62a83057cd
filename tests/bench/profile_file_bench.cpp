// Loading, validating and saving the largest valid profile file (100 macros of
// 2000 actions, 2048 strings), against reading the same bytes and writing them
// as durably with plain stdio (a new file, put on the disk, renamed over the
// old one). Goal: at most 1.5. Also prints the most heap a load of that file
// holds at once, per byte of the file.
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
#include "tests/support/paired_ratio.h"

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

// Out of line: inlined into the delete of a block just made, GCC's bounds
// check takes the step back to the size as one outside the block.
[[gnu::noinline]] void Give(void* pointer) {
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

// The same durable write as the profile file's: a new file, put on the disk,
// then renamed over the old one.
bool ReadAndWriteWithStdio(const std::string& source, const std::string& target) {
  std::FILE* in = std::fopen(source.c_str(), "rb");
  if (!in) return false;
  std::vector<unsigned char> bytes(fs::file_size(source));
  const bool read = std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
  std::fclose(in);
  const std::string temporary = target + ".saving";
  std::FILE* out = std::fopen(temporary.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fflush(out) == 0 &&
                       fsync(fileno(out)) == 0;
  std::fclose(out);
  return read && written && std::rename(temporary.c_str(), target.c_str()) == 0;
}

}  // namespace

int main() {
  const fs::path folder = fs::temp_directory_path() / "ostrak-profile-bench";
  fs::create_directories(folder);
  const fs::path largest = folder / "largest.fwc";
  if (!WriteLargestProfileFile(largest)) return 1;
  const std::u16string ours = (folder / "$Profile0").u16string();
  fs::copy_file(largest, fs::path(ours), fs::copy_options::overwrite_existing);
  const std::string plain = (folder / "plain").string();

  FakeUserInterface ui;
  const PairedRatio file = MeasurePairs(
      31,
      [&] {
        return SecondsOf([&] {
          WorkingProfile profile;
          return ValidateProfileFile(ui, ours) == FileCheck::kValid && LoadProfileFile(profile, ours) &&
                 SaveProfileFile(profile, ours);
        });
      },
      [&] { return SecondsOf([&] { return ReadAndWriteWithStdio(largest.string(), plain); }); });
  std::printf("profile file load + validate + save: %.2f ms; stdio read + durable write: %.2f ms\n",
              file.SubjectSeconds() * 1e3, file.BaselineSeconds() * 1e3);

  // The most heap a load of the file holds at once, per byte of the file.
  const double size = static_cast<double>(fs::file_size(largest));
  const std::size_t before = heap::held;
  heap::peak = before;
  {
    WorkingProfile profile;
    LoadProfileFile(profile, largest.u16string());
  }
  std::printf("loading the largest profile file (%.0f bytes, 2048 strings) holds at most %.2f bytes of heap per byte\n",
              size, static_cast<double>(heap::peak - before) / size);
  ReportRatio("profile file load+validate+save / stdio read+durable write", file, "at most 1.5");
  fs::remove_all(folder);
  return file.failed ? 1 : 0;
}
