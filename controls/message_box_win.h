// The system's message boxes as the program shows them: the application's name
// as the title. Each counts as a modal loop of the window thread while it
// runs, so that the exit can wait for it to return (controls/dialog_win.h).
#pragma once

#include <windows.h>

#include <string_view>

// A warning with OK; `extraFlags` adds to MB_OK | MB_ICONWARNING (such as
// MB_SETFOREGROUND).
void ShowMessageBox(HWND owner, std::u16string_view text, UINT extraFlags = 0);

// A word that something worked, with OK and the information icon.
void ShowInformationBox(HWND owner, std::u16string_view text);

// A question with Yes and No, No the default: a careless Enter changes nothing.
// True for Yes.
bool AskYesNoBox(HWND owner, std::u16string_view text);

// A question with three answers named by the caller, as the system box's Yes,
// No and Cancel: returns IDYES, IDNO or IDCANCEL. The third is the default,
// and Escape or a box ended from outside answer it too.
int AskThreeWayBox(HWND owner, std::u16string_view text, std::u16string_view yes, std::u16string_view no,
                   std::u16string_view cancel);

// While the program ends no box opens: ShowMessageBox returns at once and
// AskYesNoBox answers No, AskThreeWayBox Cancel.
void StopShowingMessageBoxes(bool stopped);
