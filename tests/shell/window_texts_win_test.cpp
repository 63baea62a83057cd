// The texts a user reads in the About box and on the main window's captioned
// buttons, in both languages: each drawn once, on a clean surface, inside its
// control, and over no letter of the skin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "localisation/language_file_win.h"
#include "localisation/text_slots.h"
#include "resources/resource_ids.h"
#include "shell/about_dialog_win.h"
#include "shell/main_dialog_win.h"
#include "skin/skin_picture_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr DWORD kPaintTimeoutMs = 5000;

RECT ClientOf(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return client;
}

// What the control shows on the screen now, whoever painted it.
SkinPicture OnScreen(HWND control) {
  const RECT client = ClientOf(control);
  SkinPicture shown = SkinPicture::Blank(client.right, client.bottom);
  HDC screen = GetDC(control);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, shown.bitmap());
  BitBlt(dc, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(control, screen);
  return shown;
}

// One drawing of the control by itself, on a surface of a colour no window uses.
SkinPicture DrawnOnce(HWND control) {
  const RECT client = ClientOf(control);
  SkinPicture drawn = SkinPicture::Blank(client.right, client.bottom, RGB(1, 2, 3));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, drawn.bitmap());
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  SelectObject(dc, old);
  DeleteDC(dc);
  return drawn;
}

bool SamePixels(const SkinPicture& a, const SkinPicture& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    if (!std::equal(a.Row(y), a.Row(y) + a.width(), b.Row(y))) return false;
  return true;
}

// The columns, from `from` on, that hold a pixel other than `background`.
int InkedColumnsFrom(const SkinPicture& picture, int from, std::uint32_t background) {
  int inked = 0;
  for (int x = from; x < picture.width(); ++x) {
    bool ink = false;
    for (int y = 0; y < picture.height(); ++y) ink = ink || picture.Pixel(x, y) != background;
    inked += ink;
  }
  return inked;
}

std::uint32_t AsPixel(COLORREF colour) { return GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour); }

// A copy of the program folder's language file, with the language stored in it.
class WindowTextsTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeScratchFolder(L"window-texts");
    ASSERT_TRUE(CopyTree(BuiltProgramFolder(), folder_));
    SetPaths(MakeAppPaths(FromWide(folder_ + L"Ostrak.exe")));
  }
  void TearDown() override {
    SetCurrentLanguageChoice(0);
    ResetTexts();
    RemoveTree(folder_);
  }
  void StoreLanguage(int language) {
    StoreLanguageChoice(language);
    LoadLanguageTexts();
  }
  static const char16_t* Section(int language) { return language == 1 ? u"ENGINSH" : u"CHINESE"; }

  std::wstring folder_;
};

// The static texts used to be painted twice, by the static itself (in the
// dialog's font, wrapped) and by our drawing over it, transparent and never
// erased: the screen showed both.
TEST_F(WindowTextsTest, TheAboutBoxShowsEachTextOnceInBothLanguages) {
  for (int language : {0, 1}) {
    StoreLanguage(language);
    CAboutDlg about;
    ASSERT_TRUE(about.Show(u"https://www.ostrak.example/"));
    const std::uint32_t face = AsPixel(GetSysColor(COLOR_BTNFACE));
    for (int id : {IDC_ABOUT_DESCRIPTION, IDC_ABOUT_VERSION, IDC_ABOUT_RIGHTS, IDC_ABOUT_LINK}) {
      HWND text = about.Item(id);
      EXPECT_TRUE(WaitUntil([&] { return SamePixels(OnScreen(text), DrawnOnce(text)); }, kPaintTimeoutMs))
          << "language " << language << ", control " << id << ": the screen shows more than one drawing";
      EXPECT_GT(InkedColumnsFrom(DrawnOnce(text), 0, face), 20) << "language " << language << ", control " << id;
    }
    wchar_t rights[512] = {};
    GetDlgItemTextW(about.hwnd(), IDC_ABOUT_RIGHTS, rights, 512);
    EXPECT_EQ(FromWide(rights), ReadLanguageText(Section(language), "GUANYU_BANQUAN"));

    // A shorter text leaves no ink where only the longer one was, and drawing
    // the same text again changes nothing.
    HWND description = about.Item(IDC_ABOUT_DESCRIPTION);
    SetWindowTextW(description, L"Ostrak");
    EXPECT_TRUE(WaitUntil([&] { return SamePixels(OnScreen(description), DrawnOnce(description)); }, kPaintTimeoutMs));
    const SkinPicture shorter = OnScreen(description);
    EXPECT_EQ(InkedColumnsFrom(shorter, 80, face), 0) << "language " << language;
    EXPECT_GT(InkedColumnsFrom(shorter, 0, face), 10) << "language " << language;
    SetWindowTextW(description, L"Ostrak");
    RedrawWindow(description, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(SamePixels(OnScreen(description), shorter)) << "language " << language;
    about.Close();
  }
}

// The main window's captioned buttons, drawn with and without their caption.
class CaptionedButtonsTest : public WindowTextsTest {
 protected:
  void SetUp() override {
    WindowTextsTest::SetUp();
    window_ = std::make_unique<COstrakDlg>(app_, false);
    ASSERT_TRUE(window_->CreateModeless());
    ASSERT_TRUE(WaitUntil([&] { return window_->InitDone() && SharedPicturesOf(SkinWindow::kMain).Complete(); },
                          kPaintTimeoutMs));
  }
  void TearDown() override {
    window_.reset();
    WindowTextsTest::TearDown();
  }
  // The button drawn with `caption` instead of its own; its own is put back.
  SkinPicture DrawnWith(HWND button, const std::wstring& caption) {
    wchar_t own[128] = {};
    GetWindowTextW(button, own, 128);
    SetWindowTextW(button, caption.c_str());
    SkinPicture drawn = DrawnOnce(button);
    SetWindowTextW(button, own);
    return drawn;
  }

  COstrakApp app_;
  std::unique_ptr<COstrakDlg> window_;
};

// The macro key is a small key: "Macro" ran over its edges, and both
// languages' captions sat over an "M" drawn in the skin.
TEST_F(CaptionedButtonsTest, EachCaptionFitsItsButtonOverAPlainFaceInBothLanguages) {
  struct Button { int id; const char* key; };
  const Button buttons[] = {{IDC_FUNC_MACRO, "PROFILE_MACRO"}, {IDOK, "PROFILE_OK"},
                            {IDCANCEL, "PROFILE_CANCLE"}, {IDC_APPLY, "PROFILE_APPLY"}};
  for (int language : {0, 1}) {
    SendMessageW(window_->hwnd(), WM_COMMAND, language == 1 ? ID_LANGUAGE_ENGLISH : ID_LANGUAGE_CHINESE, 0);
    for (const Button& b : buttons) {
      HWND button = window_->Item(b.id);
      wchar_t caption[128] = {};
      GetWindowTextW(button, caption, 128);
      ASSERT_EQ(FromWide(caption), ReadLanguageText(Section(language), b.key)) << b.key;

      const SkinPicture plain = DrawnWith(button, L"");
      const SkinPicture captioned = DrawnOnce(button);
      // Where the caption put ink.
      int left = plain.width(), right = -1, top = plain.height(), bottom = -1;
      for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
          if (plain.Pixel(x, y) != captioned.Pixel(x, y)) {
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
          }
      const std::string what = std::string(b.key) + " in language " + std::to_string(language);
      ASSERT_GE(right, 0) << what << ": no caption drawn";
      EXPECT_GE(left, 1) << what << ": the caption runs over the left edge";
      EXPECT_LE(right, plain.width() - 2) << what << ": the caption runs over the right edge";

      // Under the caption the face is one colour (within the picture's
      // compression noise): no letter of the skin there.
      const std::uint32_t fill = plain.Pixel((left + right) / 2, top);
      const auto likeFill = [fill](std::uint32_t pixel) {
        for (int shift : {0, 8, 16})
          if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((fill >> shift) & 0xFF)) > 40)
            return false;
        return true;
      };
      int lettered = 0;
      for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) lettered += !likeFill(plain.Pixel(x, y));
      EXPECT_EQ(lettered, 0) << what << ": the face has a letter under the caption";
    }
  }

  // The Chinese caption is a real glyph, not the mark of a character the
  // font lacks (a private-use character, which no font draws).
  HWND macro = window_->Item(IDC_FUNC_MACRO);
  const SkinPicture missing = DrawnWith(macro, L"\xE000");
  EXPECT_FALSE(SamePixels(DrawnWith(macro, L"\x5B8F"), missing)) << "no glyph for the Chinese caption";  // 宏
}

}  // namespace
