// Every problem of a profile file, each at the offset of the bytes it is
// about: what a user who checks a file someone shared wants to read. The file
// has no problem exactly when the program would import it (its header
// validates) and load it whole.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct FileProblem {
  std::uint64_t offset;
  std::string what;

  friend bool operator==(const FileProblem&, const FileProblem&) = default;
};

std::vector<FileProblem> FindProfileFileProblems(std::span<const std::uint8_t> bytes);
