// Dialog templates built in memory, for windows that create their controls
// themselves (test windows and the skin viewer).
#pragma once

#include <windows.h>

#include <vector>

// An empty dialog template (no controls, no menu, the default class, no
// title) of the given style and size in dialog units, DWORD-aligned.
class MemoryDialogTemplate {
 public:
  explicit MemoryDialogTemplate(DWORD style = WS_POPUP | WS_CLIPCHILDREN, short width = 200, short height = 100);
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<DWORD> words_;
};
