// A macro of `actions` alternating presses and releases of A, 10 ms apart:
// the benchmarks' way to fill the keyboard's macro image to a known size.
#pragma once

#include <cstdint>
#include <string_view>

#include "macros/macro_record.h"

inline MacroRecord MakeMacro(std::uint16_t id, std::u16string_view name, int actions) {
  MacroRecord record;
  FillNewMacroRecord(record, name, id);
  record.actionCount = static_cast<std::uint16_t>(actions);
  for (int i = 0; i < actions; ++i) record.actions[i] = {10, 0x01E, static_cast<std::uint16_t>(i % 2)};
  return record;
}
