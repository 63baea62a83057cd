#include "controls/skin_preview_win.h"

#include <string_view>

#include "skin/skin_file_win.h"

namespace {

constexpr int kFirstControlId = 2000;

// The picture each panel picture shows in the preview.
const std::map<std::u16string, const char16_t*>& PreviewPictures() {
  static const std::map<std::u16string, const char16_t*> pictures{
      {u"CONTROL_DengStaPic", u"dengdown.bmp"},   {u"CONTROL_JDTStatic", u"jdt4.bmp"},
      {u"CONTROL_BLFXLStaPic", u"leftdown.bmp"},  {u"CONTROL_BLFXRStaPic", u"rightup.bmp"},
      {u"CONTROL_FYSJSStaPic", u"sjsdown.bmp"},   {u"CONTROL_FYdjcfStaPic", u"sjsdown.bmp"},
      {u"CONTROL_FYggcfStaPic", u"sjsup.bmp"},    {u"CONTROL_HXsjsStaPic", u"sjsup.bmp"},
      {u"CONTROL_TSsjsStaPic", u"sjsdown.bmp"},   {u"CONTROL_CDsjsStaPic", u"sjsup.bmp"},
      {u"CONTROL_USERgjStaPic1", u"user1down.bmp"}, {u"CONTROL_USERgjStaPic2", u"user2up.bmp"},
  };
  return pictures;
}

bool EndsWith(const std::u16string& text, std::u16string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

const wchar_t* ClassFor(SkinWindow window, const SkinKey& key) {
  if (key.placement == Placement::kWithFaces || key.placement == Placement::kWithOrigin) return L"BUTTON";
  if (window != SkinWindow::kMain) return L"STATIC";
  if (key.key == u"CONTROL_XGcombox") return L"COMBOBOX";
  if (EndsWith(key.key, u"Button")) return L"BUTTON";
  return L"STATIC";
}

}  // namespace

SkinPreviewDialog::SkinPreviewDialog(SkinWindow window, const std::u16string& programFolder)
    : CBaseDialog(0, programFolder + SkinFileName(window), programFolder + u"Skins\\"),
      window_(window),
      programFolder_(programFolder) {
  UseTemplate(template_.get());
}

CPngButton* SkinPreviewDialog::Button(const std::u16string& key) {
  const auto found = buttonsByKey_.find(key);
  return found == buttonsByKey_.end() ? nullptr : found->second;
}

HWND SkinPreviewDialog::ControlOf(const std::u16string& key) const {
  const auto found = controlsByKey_.find(key);
  return found == controlsByKey_.end() ? nullptr : found->second;
}

StatePictures SkinPreviewDialog::PicturesFor(const SkinKey& key) const {
  std::size_t first = 0;
  // The composite editor's macro buttons take the macro set; its other buttons the key set.
  if (window_ == SkinWindow::kComposite && key.key.rfind(u"FUNC_MACRO", 0) == 0) first = 4;
  if (window_ == SkinWindow::kUpdate) return {pictures_[0], pictures_[1], pictures_[1], pictures_[1]};
  return {pictures_[first], pictures_[first + 1], pictures_[first + 2], pictures_[first + 3]};
}

BOOL SkinPreviewDialog::OnInitDialog() {
  CBaseDialog::OnInitDialog();
  pictures_.LoadOnce(programFolder_, PictureNamesOf(window_), Background().width() + 100, Background().height() + 100);
  int id = kFirstControlId;
  SkinTargets targets;
  for (const SkinKey& key : SkinKeysOf(window_)) {
    if (!key.alternateOf.empty()) continue;  // used instead of another key, never beside it
    const bool button = key.placement == Placement::kWithFaces || key.placement == Placement::kWithOrigin;
    const wchar_t* type = ClassFor(window_, key);
    const DWORD style = std::wstring_view(type) == L"COMBOBOX" ? CBS_DROPDOWNLIST | WS_VSCROLL : 0;
    HWND control = CreateWindowExW(0, type, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), GetModuleHandleW(nullptr),
                                   nullptr);
    controlsByKey_[key.key] = control;
    if (button) {
      CPngButton& b = buttons_.emplace_back();
      b.Attach(hwnd(), GetDlgCtrlID(control));
      buttonsByKey_[key.key] = &b;
      targets.buttons[key.key] = &b;
    } else {
      targets.others[key.key] = control;
    }
  }
  PlaceSkinControls(
      window_, SkinFile(), targets, [this](const SkinKey& key) { return PicturesFor(key); }, pictures_[8]);
  if (window_ == SkinWindow::kMain) {
    ShowLightingPanel(targets);
  } else {
    for (const auto& [key, control] : targets.others) ShowWindow(control, SW_HIDE);  // the window's own lists
  }
  return TRUE;
}

SkinPreviewDialog::~SkinPreviewDialog() {
  if (hwnd()) DestroyWindow(hwnd());  // before the panel's pictures go
  for (const auto& [name, bitmap] : panelBitmaps_)
    if (bitmap) DeleteObject(bitmap);
}

HBITMAP SkinPreviewDialog::PanelBitmap(const std::u16string& name) {
  HBITMAP& bitmap = panelBitmaps_[name];
  if (!bitmap) bitmap = LoadBitmapFile(SkinFolder() + name);
  return bitmap;
}

void SkinPreviewDialog::ShowLightingPanel(const SkinTargets& targets) {
  auto number = [](int n) {
    const std::string text = std::to_string(n);
    return std::u16string(text.begin(), text.end());
  };
  const COLORREF colours[] = {RGB(0xFF, 0x4D, 0x4D), RGB(0x4D, 0xC3, 0xFF), RGB(0x5C, 0xF0, 0x7A),
                              RGB(0xFF, 0xB0, 0x20), RGB(0x8A, 0x6C, 0xFF), RGB(0xFF, 0xFF, 0xFF)};
  std::size_t nextColour = 0;
  for (const auto& [key, control] : targets.others) {
    const int id = GetDlgCtrlID(control);
    if (const char16_t* caption = LightingCaptionTextKey(key)) {
      CColourStatic& text = captions_.emplace_back();
      text.Attach(hwnd(), id);
      text.SetBackground(Background().bitmap());
      text.SetStyle(RGB(0xC8, 0xD0, 0xDA), 9);
      text.SetText(ReadSkinString(SkinFile(), u"Control_Name1", caption, u""));
    } else if (const auto picture = PreviewPictures().find(key); picture != PreviewPictures().end()) {
      SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | SS_BITMAP);
      SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(PanelBitmap(picture->second)));
    } else if (key == u"CONTROL_LightSlider" || key == u"CONTROL_SpeedSlider") {
      const bool light = key == u"CONTROL_LightSlider";
      std::vector<HBITMAP> pictures;
      for (int i = 0; i < (light ? 26 : 25); ++i) pictures.push_back(PanelBitmap(number(light ? i : 27 + i) + u".bmp"));
      CBitmapSlider& slider = sliders_.emplace_back();
      slider.Attach(hwnd(), id);
      slider.SetPictures(pictures);
      slider.SetPosition(light ? 15 : 14);
    } else if (key == u"CONTROL_XGcombox") {
      for (int effect = 1; effect <= 14; ++effect) {
        const std::u16string name = ReadSkinString(SkinFile(), u"Mode1", number(effect).c_str(), u"1");
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      }
      SendMessageW(control, CB_SETCURSEL, 0, 0);
    } else if (EndsWith(key, u"Button")) {
      CSkinColorButton& button = colourButtons_.emplace_back();
      button.Attach(hwnd(), id);
      button.SetColour(colours[nextColour++ % std::size(colours)]);
    } else {
      ShowWindow(control, SW_HIDE);
    }
  }
}
