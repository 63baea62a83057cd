// The system's open and save dialogs. The dialog library is loaded the first
// time one is shown: most runs never show one.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

enum class FileDialogKind { kOpen, kSave };

struct FileDialogSpec {
  FileDialogKind kind = FileDialogKind::kOpen;
  const wchar_t* filter = L"";           // pairs of description and pattern, each ending in \0
  const wchar_t* defaultExtension = L"";
  const wchar_t* initialName = L"";
  std::u16string initialFolder;          // empty: the dialog's own choice
};

// The chosen path, or nullopt when the user cancelled. A save dialog asks
// before overwriting.
std::optional<std::u16string> ChooseFile(HWND owner, const FileDialogSpec& spec);

// A ".fwc" profile file (all files offered too).
std::optional<std::u16string> ChooseProfileFile(HWND owner, FileDialogKind kind);

// Stands for the system's dialogs where tests answer them themselves: the
// kind tells which file is asked for (a window asks for at most one of each).
using FileChooser = std::function<std::optional<std::u16string>(HWND owner, FileDialogKind kind)>;
