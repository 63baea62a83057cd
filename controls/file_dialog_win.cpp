#include "controls/file_dialog_win.h"

#include <commdlg.h>

#include <iterator>

#include "app/wide_win.h"
#include "controls/dialog_win.h"

namespace {

using OpenFileName = BOOL(WINAPI*)(OPENFILENAMEW*);

OpenFileName DialogFunction(FileDialogKind kind) {
  static HMODULE library = LoadLibraryW(L"comdlg32.dll");
  if (!library) return nullptr;
  const char* name = kind == FileDialogKind::kSave ? "GetSaveFileNameW" : "GetOpenFileNameW";
  return reinterpret_cast<OpenFileName>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

std::optional<std::u16string> ChooseFile(HWND owner, const FileDialogSpec& spec) {
  const OpenFileName show = DialogFunction(spec.kind);
  if (!show) return std::nullopt;
  wchar_t file[MAX_PATH * 4] = {};
  lstrcpynW(file, spec.initialName, static_cast<int>(std::size(file)));
  const std::wstring folder = Wide(spec.initialFolder);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = spec.filter;
  dialog.lpstrFile = file;
  dialog.nMaxFile = static_cast<DWORD>(std::size(file));
  dialog.lpstrDefExt = spec.defaultExtension;
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 (spec.kind == FileDialogKind::kSave ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  ForeignModalLoop loop;
  if (!show(&dialog)) return std::nullopt;
  return FromWide(file);
}

std::optional<std::u16string> ChooseProfileFile(HWND owner, FileDialogKind kind) {
  return ChooseFile(owner, {kind, L"(*.fwc)\0*.fwc\0(*.*)\0*.*\0", L"fwc", L"*.fwc", {}});
}
