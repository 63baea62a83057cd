#include "dialogs/update_dialog_win.h"

#include <shellapi.h>

#include <utility>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "controls/message_box_win.h"
#include "controls/skin_place_win.h"
#include "localisation/text_slots.h"
#include "profiles/file_io.h"
#include "profiles/profile_store.h"
#include "resources/resource_ids.h"
#include "skin/skin_picture_win.h"

namespace {

// The updater, from the package folder of the program.
std::optional<std::u16string> ChooseUpdater(HWND owner) {
  const std::wstring filter = Wide(Text(TextKey::UPDATE_FILE_FILTER)) + L'\0' + L"*.exe" + L'\0';
  return ChooseFile(owner, {FileDialogKind::kOpen, filter.c_str(), L"exe", L"*.exe", Paths().packageFolder});
}

TextKey BootRequestMessage(BootRequest result) {
  switch (result) {
    case BootRequest::kNoKeyboard:
      return TextKey::MAIN_UPDATE_NO_KEYBOARD_TEXT;
    case BootRequest::kBusy:
      return TextKey::MAIN_UPDATE_BUSY_TEXT;
    case BootRequest::kSent:
    case BootRequest::kRefused:
      break;
  }
  return TextKey::MAIN_BOOT_ERROR_TEXT;
}

}  // namespace

COstrak_DlgUpdate::COstrak_DlgUpdate(Host host)
    : CBaseDialog(IDD_FIRMWARE_UPDATE, Paths().updateSkinFile, Paths().updateSkinFolder), host_(std::move(host)) {
  choose_ = [](HWND owner, FileDialogKind kind) {
    return kind == FileDialogKind::kOpen ? ChooseUpdater(owner) : ChooseProfileFile(owner, kind);
  };
}

COstrak_DlgUpdate::~COstrak_DlgUpdate() {
  if (hwnd()) DestroyWindow(hwnd());
}

bool COstrak_DlgUpdate::LaunchProgram(const std::u16string& program) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", Wide(program).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

void COstrak_DlgUpdate::BindControls() {
  Bind(fileField_, IDC_UPDATE_FILE);
  Bind(title_, IDC_DIALOG_TITLE);
  Bind(combo_, IDC_UPDATE_COMBO);
  Bind(open_, IDC_UPDATE_OPEN);
  Bind(update_, IDC_UPDATE_BUTTON);
  Bind(cancelUpdate_, IDC_UPDATE_CANCEL);
  Bind(backup_, IDC_UPDATE_BACKUP);
}

BOOL COstrak_DlgUpdate::OnInitDialog() {
  CBaseDialog::OnInitDialog();
  WindowPictureSet& pictures = SharedPicturesOf(SkinWindow::kUpdate);
  pictures.LoadOnce(Paths().programFolder, PictureNamesOf(SkinWindow::kUpdate), Size().width + 100,
                    Size().height + 100);
  SkinTargets targets;
  targets.buttons = {{u"CONTROL_OPENButton", &open_},
                     {u"CONTROL_UPButton", &update_},
                     {u"CONTROL_CUPButton", &cancelUpdate_},
                     {u"CONTROL_BACKUPButton", &backup_}};
  targets.others = {{u"CONTROL_UPStatic", fileField_.hwnd()}, {u"CONTROL_UPCombox", combo_.hwnd()}};
  // Normal: the normal picture; every other face the over picture.
  PlaceSkinControls(SkinWindow::kUpdate, SkinFile(), targets, [&pictures](const SkinKey&) {
    return StatePictures{pictures[0], pictures[1], pictures[1], pictures[1]};
  });
  fileField_.SetBackground(Background().bitmap());
  fileField_.SetStyle(RGB(0xE4, 0xE4, 0xE4), 9, u"Tahoma", DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_PATH_ELLIPSIS);
  combo_.Show(false);
  SetTexts();
  ShowUpdateFile();
  return TRUE;
}

void COstrak_DlgUpdate::SetTexts() {
  SetWindowTextW(hwnd(), Wide(Text(TextKey::UPDATE_CAPTION)).c_str());
  PlaceFrameTitle(title_, Background().bitmap(), Size().width, Text(TextKey::UPDATE_CAPTION));
  const std::pair<CPngButton*, TextKey> captions[] = {{&open_, TextKey::UPDATE_OPEN},
                                                      {&update_, TextKey::UPDATE_START},
                                                      {&cancelUpdate_, TextKey::UPDATE_CANCEL},
                                                      {&backup_, TextKey::UPDATE_BACKUP}};
  for (const auto& [button, key] : captions) {
    button->SetTextStyle(true, 9, u"Tahoma", RGB(0xFF, 0xFF, 0xFF), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    button->SetText(Text(key));
  }
}

bool COstrak_DlgUpdate::OnCommand(int id, int notifyCode, HWND control) {
  switch (id) {
    case IDC_UPDATE_OPEN:
      ChooseUpdateFile();
      return true;
    case IDC_UPDATE_BUTTON:
      Update();
      return true;
    case IDC_UPDATE_CANCEL:
      updateFile_.clear();
      EndDialog(IDCANCEL);
      return true;
    case IDC_UPDATE_BACKUP:
      Backup();
      return true;
    default:
      return false;
  }
}

void COstrak_DlgUpdate::ChooseUpdateFile() {
  const std::optional<std::u16string> chosen = choose_(hwnd(), FileDialogKind::kOpen);
  // The updater's own relative paths resolve against its package folder.
  SetCurrentDirectoryW(Wide(Paths().packageFolder).c_str());
  updateFile_ = chosen.value_or(u"");
  ShowUpdateFile();
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void COstrak_DlgUpdate::Update() {
  // Nothing goes to the keyboard unless there is an updater to start.
  if (updateFile_.empty()) {
    Message(Text(TextKey::MAIN_UPDATE_NO_FILE_TEXT));
    return;
  }
  const DWORD attributes = GetFileAttributesW(Wide(updateFile_).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    Message(FormatText(Text(TextKey::MAIN_UPDATE_ERROR_TEXT), updateFile_));
    return;
  }
  const BootRequest boot = host_.sendBootRequest ? host_.sendBootRequest() : BootRequest::kNoKeyboard;
  if (boot != BootRequest::kSent) {
    Message(Text(BootRequestMessage(boot)));
    return;
  }
  const std::u16string program = std::exchange(updateFile_, u"");
  ShowUpdateFile();
  const bool started = host_.launch ? host_.launch(program) : LaunchProgram(program);
  if (started) {
    EndDialog(IDOK);
  } else {
    Message(FormatText(Text(TextKey::MAIN_SHELL_ERROR_TEXT), program));  // the keyboard stays in its boot mode
  }
}

void COstrak_DlgUpdate::Backup() {
  const std::optional<std::u16string> path = choose_(hwnd(), FileDialogKind::kSave);
  if (!path) return;
  const FileWrite written = host_.backUp ? host_.backUp(*path) : FileWrite::kNoMemory;
  if (written == FileWrite::kWritten)
    ShowInformationBox(hwnd(), ExportMessage(*path, written));
  else
    Message(ExportMessage(*path, written));
}

void COstrak_DlgUpdate::ShowUpdateFile() { fileField_.SetText(updateFile_); }

void COstrak_DlgUpdate::Message(std::u16string_view text) { ShowMessageBox(hwnd(), text); }
