#include "profiles/profile_check.h"

#include <cstring>
#include <new>

#include "profiles/profile_file.h"

namespace {

std::string Hex(unsigned value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  return "0x" + text;
}

// A header field that must hold `expected`.
void Expect(std::vector<FileProblem>& problems, std::uint64_t offset, const char* field, unsigned found,
            unsigned expected, int digits) {
  if (found != expected)
    problems.push_back({offset, std::string(field) + " is " + Hex(found, digits) + ", not " + Hex(expected, digits)});
}

}  // namespace

std::vector<FileProblem> FindProfileFileProblems(std::span<const std::uint8_t> bytes) {
  std::vector<FileProblem> problems;
  const std::uint64_t size = bytes.size();
  if (size < sizeof(ProfileFileHeader)) {
    problems.push_back({0, "the file is " + std::to_string(size) + " bytes, shorter than its 32-byte header"});
    return problems;
  }
  ProfileFileHeader header;
  std::memcpy(&header, bytes.data(), sizeof header);
  Expect(problems, 0, "the file mark", header.magic, kProfileFileMagic, 4);
  Expect(problems, 2, "the header length", header.headerLength, 32, 4);
  Expect(problems, 4, "the header's third field", header.three, 3, 4);
  Expect(problems, 6, "the header's fourth field", header.one, 1, 4);
  const std::uint64_t claimed = ProfileFileLength(header.macroCount, header.poolSize);
  if (header.fileLength != claimed)
    problems.push_back({8, "the file length field is " + std::to_string(header.fileLength) + ", but " +
                               std::to_string(header.macroCount) + " macros and a string pool of " +
                               std::to_string(header.poolSize) + " bytes make " + std::to_string(claimed)});
  Expect(problems, 12, "the record count", header.recordCount, 2048, 4);
  if (header.macroCount > kMaxMacros)
    problems.push_back({14, "the macro count is " + std::to_string(header.macroCount) + ", more than " +
                                std::to_string(kMaxMacros)});
  if (header.flag > 1) problems.push_back({30, "the flag byte is " + Hex(header.flag, 2) + ", not 0x00 or 0x01"});
  Expect(problems, 31, "the check byte", header.check, FileHeaderCheck(header), 2);

  if (size < kHeaderBlockBytes) {
    problems.push_back({size, "the file ends after " + std::to_string(size) + " bytes, before the end of its key table at " +
                                  std::to_string(kHeaderBlockBytes)});
    return problems;
  }
  if (header.macroCount <= kMaxMacros && size < claimed) {
    problems.push_back({size, "the file ends after " + std::to_string(size) + " bytes; its header gives " +
                                  std::to_string(claimed)});
    return problems;
  }
  if (!problems.empty()) return problems;  // the rest is read by what the header says

  if (!ProfileFileLoads(bytes))
    problems.push_back({kHeaderBlockBytes + std::uint64_t{kMacroRecordBytes} * header.macroCount,
                        "the program-path and text strings do not load: a key's string lies outside the pool or "
                        "runs past its end, or they need more memory than the pool holds"});
  return problems;
}
