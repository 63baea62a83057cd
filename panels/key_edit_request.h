// What the key grid asks the key editor to open on, beside the grid and the
// editor that both use it.
#pragma once

// The entry of the current bank, the clicked control, and whether the key
// may only carry a macro.
struct KeyEditRequest {
  int entry;
  int controlId;
  bool macroRole;
};
