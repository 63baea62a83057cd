// Window subclassing and the common controls, without loading the common
// controls library at start-up: loading it costs a start under Wine as much as
// the whole smallest dialog program, and the main window needs none of its
// controls until a tooltip shows.
//
// Several procedures may hook one window; the one added last sees a message
// first and passes it on with CallNextProcedure, as with the library's own
// SetWindowSubclass family. A hook may remove itself while it runs (its
// window's WM_NCDESTROY, say); the chain ends with the window.
#pragma once

#include <windows.h>

using SubclassProcedure = LRESULT(CALLBACK*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR data);

// Adds the hook (or gives an existing one with the same procedure and id new
// data); false for a window of another process or no window.
bool AddSubclass(HWND window, SubclassProcedure procedure, UINT_PTR id, DWORD_PTR data);
bool RemoveSubclass(HWND window, SubclassProcedure procedure, UINT_PTR id);
// From inside a hook: the next hook below it, or the window's own procedure.
LRESULT CallNextProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Loads the common controls library and registers its window classes (list
// views, tooltips...), once; before the first window that uses one is made.
void LoadCommonControls();
