// The system's open and save dialogs for profile files (".fwc"). The dialog
// library is loaded the first time one is shown: most runs never show one.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

enum class FileDialogKind { kOpen, kSave };

// Shows the dialog for a ".fwc" file (all files offered too), owned by
// `owner`: the open dialog, or the save dialog that asks before overwriting.
// nullopt when the user cancelled.
std::optional<std::u16string> ChooseProfileFile(HWND owner, FileDialogKind kind);

// Stands for ChooseProfileFile where tests answer the dialog themselves.
using FileChooser = std::function<std::optional<std::u16string>(HWND owner, FileDialogKind kind)>;
