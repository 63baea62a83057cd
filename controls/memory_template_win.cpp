#include "controls/memory_template_win.h"

#include <cstring>

MemoryDialogTemplate::MemoryDialogTemplate(DWORD style, short width, short height) {
  // DLGTEMPLATE followed by three empty WORD arrays: menu, class, title.
  words_.assign((sizeof(DLGTEMPLATE) + 3 * sizeof(WORD) + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
  DLGTEMPLATE header{};
  header.style = style;
  header.cdit = 0;
  header.cx = width;
  header.cy = height;
  std::memcpy(words_.data(), &header, sizeof header);
}
