// The skinned dialog and the image button: faces, shape, dragging, placement
// from skin files, and the process ending on a missing window picture.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "controls/base_dialog_win.h"
#include "controls/memory_template_win.h"
#include "controls/png_button_win.h"
#include "controls/skin_place_win.h"
#include "controls/skin_preview_win.h"
#include "skin/skin_file_win.h"
#include "tests/skin/skin_test_pictures_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr int kButtonId = 100;
constexpr int kOtherId = 101;

// Writes a skin: a 120 x 90 grey background whose mask leaves out the five
// left columns, and a few BUTTONINFO keys.
void WriteTestSkin(const std::wstring& folder, std::u16string screen) {
  WriteBmp(folder + L"\\back.bmp", 120, 90, [](int, int) { return 0x404040u; });
  WriteBmp(folder + L"\\mask.bmp", 120, 90, [](int x, int) { return x < 5 ? 0xFFFFFFu : 0x000000u; });
  WriteBmp(folder + L"\\white.bmp", 120, 90, [](int, int) { return 0xFFFFFFu; });
  WriteUtf16File(folder + L"\\Test.ini",
                 u"[SCREEN]\r\n" + screen +
                     u"[BUTTONINFO]\r\nB=10,20,30,40\r\nDIS=1,1,80,20\r\nNOTDIS=1,2,80,20\r\nMOVE=50,60,5,5\r\n"
                     u"[BUTTONINFO2]\r\nORIGIN=70,80,1,1\r\n");
}

class TestDialog : public CBaseDialog {
 public:
  explicit TestDialog(const std::wstring& folder) : CBaseDialog(0, U16(folder + L"\\Test.ini"), U16(folder + L"\\")) {
    UseTemplate(template_.get());
  }
  CPngButton button;
  HWND other = nullptr;
  std::vector<int> clicks;
  std::vector<WPARAM> captionPresses;

 protected:
  BOOL OnInitDialog() override {
    CBaseDialog::OnInitDialog();
    for (int id : {kButtonId, kOtherId}) {
      HWND made =
          CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 30, 40, hwnd(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
      if (id == kOtherId) other = made;
    }
    button.Attach(hwnd(), kButtonId);
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND) override {
    if (id == IDOK || id == IDCANCEL) return false;  // the base's OK and Cancel
    if (code == BN_CLICKED) clicks.push_back(id);
    return true;
  }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_NCLBUTTONDOWN) {  // recorded instead of starting the move loop
      captionPresses.push_back(wParam);
      result = 0;
      return true;
    }
    return CBaseDialog::OnMessage(message, wParam, lParam, result);
  }

 private:
  MemoryDialogTemplate template_;
};

class SkinnedControls : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeScratchFolder(L"skinned-controls");
    WriteTestSkin(folder_, u"Main=back.bmp\r\nMask=mask.bmp\r\n");
    dialog_ = std::make_unique<TestDialog>(folder_);
    ASSERT_TRUE(dialog_->CreateModeless());
    for (COLORREF colour : {RGB(0x10, 0x20, 0x30), RGB(0x20, 0x40, 0x60), RGB(0x30, 0x60, 0x90), RGB(0x40, 0x80, 0xC0),
                            RGB(0x50, 0xA0, 0xF0), RGB(0x01, 0x02, 0x03), RGB(0x04, 0x05, 0x06), RGB(0xF0, 0xF0, 0xF0)})
      faces_.push_back(Solid(colour));
    button().SetFaces(
        {faces_[0].bitmap(), faces_[1].bitmap(), faces_[2].bitmap(), faces_[3].bitmap(), faces_[4].bitmap()}, false);
  }
  void TearDown() override {
    dialog_.reset();
    RemoveTree(folder_);
  }
  static SkinPicture Solid(COLORREF colour) { return SkinPicture::Blank(200, 200, colour); }
  CPngButton& button() { return dialog_->button; }

  // The button drawn as the dialog draws it: WM_PRINTCLIENT makes the button
  // ask its dialog with WM_DRAWITEM, which the dialog reflects to the button.
  SkinPicture Drawn() {
    SkinPicture target = SkinPicture::Blank(30, 40, RGB(0xEE, 0xEE, 0xEE));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target.bitmap());
    SendMessageW(button().hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SelectObject(dc, old);
    DeleteDC(dc);
    return target;
  }

  std::wstring folder_;
  std::unique_ptr<TestDialog> dialog_;
  std::vector<SkinPicture> faces_;  // normal, hover, pressed, disabled, checked, colour off, colour on, light
};

TEST_F(SkinnedControls, TheButtonDrawsTheFaceOfItsState) {
  struct Case {
    const char* name;
    bool disabled, checked, hover, pressed, colourDisplay;
    std::uint32_t colourWord;
    bool tint;
    std::uint32_t pixel;  // 0xRRGGBB
    ButtonFace face;
  };
  const Case cases[] = {
      {"normal", false, false, false, false, false, 0, false, 0x102030, ButtonFace::kNormal},
      {"checked", false, true, false, false, false, 0, false, 0x50A0F0, ButtonFace::kChecked},
      {"hover over checked", false, true, true, false, false, 0, false, 0x204060, ButtonFace::kHover},
      {"pressed over hover", false, true, true, true, false, 0, false, 0x306090, ButtonFace::kPressed},
      {"disabled and checked", true, true, false, false, false, 0, false, 0x4080C0, ButtonFace::kDisabled},
      {"disabled in colour display", true, false, true, true, true, 7, false, 0x4080C0, ButtonFace::kDisabled},
      {"colour on hides hover and press", false, false, true, true, true, 7, false, 0x040506, ButtonFace::kColourOn},
      {"colour off", false, true, true, false, true, 0, false, 0x010203, ButtonFace::kColourOff},
      // Tinted, the normal face in every state: its light parts are the
      // legend, drawn white against this dark tint.
      {"tint while disabled and hovered", true, true, true, true, false, 0, true, 0xF0F0F0, ButtonFace::kNormal},
  };
  for (const Case& c : cases) {
    CPngButton& b = button();
    b.SetFaces({c.tint ? faces_[7].bitmap() : faces_[0].bitmap(), faces_[1].bitmap(), faces_[2].bitmap(),
                faces_[3].bitmap(), faces_[4].bitmap()},
               false);
    b.Enable(!c.disabled);
    b.SetChecked(c.checked, false);
    SendMessageW(b.hwnd(), c.hover ? WM_MOUSEHOVER : WM_MOUSELEAVE, 0, 0);
    SendMessageW(b.hwnd(), BM_SETSTATE, c.pressed, 0);
    b.SetColourFaces(faces_[5].bitmap(), faces_[6].bitmap(), c.colourDisplay, c.colourWord, false);
    b.SetTint(RGB(0x80, 0x40, 0x20), c.tint);
    const SkinPicture drawn = Drawn();
    EXPECT_EQ(drawn.Pixel(0, 0), c.pixel) << c.name;
    EXPECT_EQ(drawn.Pixel(29, 39), c.pixel) << c.name;
    EXPECT_EQ(b.CurrentFace(), c.face) << c.name;
  }
  // The key's dark body takes the tint; a light tint turns the legend black.
  const struct {
    const char* name;
    int face;
    COLORREF tint;
    std::uint32_t pixel;
  } tinted[] = {{"dark body, dark tint", 5, RGB(0x80, 0x40, 0x20), 0x814223},
                {"light legend, light tint", 7, RGB(0xFF, 0xE0, 0xA0), 0x0F0000}};
  for (const auto& t : tinted) {
    CPngButton& b = button();
    b.SetFaces({faces_[t.face].bitmap(), faces_[1].bitmap(), faces_[2].bitmap(), faces_[3].bitmap(),
                faces_[4].bitmap()},
               false);
    b.SetTint(t.tint, true);
    EXPECT_EQ(Drawn().Pixel(15, 20), t.pixel) << t.name;
  }
}

TEST_F(SkinnedControls, FacesAreCutAtTheFaceOriginThatTheSkinGives) {
  // A picture whose pixel tells its own position.
  SkinPicture pattern = SkinPicture::Blank(200, 200);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, pattern.bitmap());
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) SetPixel(dc, x, y, RGB(x, y, 0x55));
  SelectObject(dc, old);
  DeleteDC(dc);
  const HBITMAP p = pattern.bitmap();
  const SkinRect r = PlaceWithFaces(button(), dialog_->SkinFile(), u"B", {p, p, p, p, p});
  EXPECT_EQ(r, (SkinRect{10, 20, 30, 40}));
  RECT placed;
  GetWindowRect(button().hwnd(), &placed);
  MapWindowPoints(nullptr, dialog_->hwnd(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 10);
  EXPECT_EQ(placed.top, 20);
  EXPECT_EQ(placed.right - placed.left, 30);
  EXPECT_EQ(placed.bottom - placed.top, 40);
  const SkinPicture drawn = Drawn();
  EXPECT_EQ(drawn.Pixel(0, 0), 0x0A1455u);    // (10, 20)
  EXPECT_EQ(drawn.Pixel(29, 39), 0x273B55u);  // (39, 59)
}

TEST_F(SkinnedControls, OnlyTheMissingPositionDisablesAButton) {
  const struct {
    const char16_t* key;
    bool enabled;
  } cases[] = {{u"DIS", false}, {u"NOTDIS", true}, {u"NOT_IN_THE_FILE", false}, {u"B", true}};
  for (const auto& c : cases) {
    button().Enable(true);
    PlaceWithFaces(button(), dialog_->SkinFile(), c.key, {});
    EXPECT_EQ(button().IsEnabled(), c.enabled) << std::string(c.key, c.key + 3);
  }
  const SkinRect missing = PlaceWithFaces(button(), dialog_->SkinFile(), u"NOT_IN_THE_FILE", {});
  EXPECT_EQ(missing, (SkinRect{1, 1, 1, 1}));
}

TEST_F(SkinnedControls, PlaceKeepSizeAndPlaceWithOrigin) {
  HWND other = dialog_->other;
  MoveWindow(other, 0, 0, 33, 22, FALSE);
  PlaceKeepSize(other, dialog_->SkinFile(), u"MOVE");
  RECT r;
  GetWindowRect(other, &r);
  MapWindowPoints(nullptr, dialog_->hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
            (std::vector<LONG>{50, 60, 33, 22}));
  PlaceKeepSize(other, dialog_->SkinFile(), u"NOT_IN_THE_FILE");
  GetWindowRect(other, &r);
  MapWindowPoints(nullptr, dialog_->hwnd(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}), (std::vector<LONG>{1, 1, 33, 22}));

  PlaceWithOrigin(button(), dialog_->SkinFile(), u"B", u"BUTTONINFO2", u"ORIGIN", faces_[1].bitmap());
  EXPECT_EQ(button().FaceOrigin().x, 70);
  EXPECT_EQ(button().FaceOrigin().y, 80);
  EXPECT_EQ(button().Faces().checked, faces_[1].bitmap());
  EXPECT_EQ(button().Faces().disabled, faces_[1].bitmap());
}

TEST_F(SkinnedControls, HoverLeaveDoubleClickTooltipAndPaintCallback) {
  CPngButton& b = button();
  SendMessageW(b.hwnd(), WM_MOUSEHOVER, 0, 0);
  EXPECT_TRUE(b.IsHover());
  SendMessageW(b.hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(b.IsHover());

  // A double click is a second click.
  const LPARAM inside = MAKELPARAM(5, 5);
  SendMessageW(b.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, inside);
  SendMessageW(b.hwnd(), WM_LBUTTONUP, 0, inside);
  SendMessageW(b.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
  SendMessageW(b.hwnd(), WM_LBUTTONUP, 0, inside);
  EXPECT_EQ(dialog_->clicks, (std::vector<int>{kButtonId, kButtonId}));

  b.SetTooltipText(u"Close");
  EXPECT_EQ(b.Tooltip(), nullptr) << "made when the mouse comes";
  SendMessageW(b.hwnd(), WM_MOUSEMOVE, 0, inside);
  const HWND tooltip = b.Tooltip();
  ASSERT_NE(tooltip, nullptr);
  wchar_t shown[32] = {};
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = GetParent(b.hwnd());
  tool.uId = reinterpret_cast<UINT_PTR>(b.hwnd());
  tool.lpszText = shown;
  SendMessageW(tooltip, TTM_GETTEXTW, 32, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(shown, L"Close");
  b.SetTooltipText(u"Minimize");
  EXPECT_EQ(b.Tooltip(), tooltip);  // created once
  EXPECT_EQ(b.TooltipText(), u"Minimize");

  std::vector<std::pair<HWND, bool>> calls;
  b.SetPaintCallback([&](HWND window, bool normal) { calls.emplace_back(window, normal); });
  Drawn();
  b.SetChecked(true, false);
  Drawn();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], std::make_pair(b.hwnd(), true));
  EXPECT_EQ(calls[1], std::make_pair(b.hwnd(), false));
}

// The keyboard's notice thread changes faces and checked states while the
// window's thread may be waiting for it: such a change must not wait for the
// window's thread to paint.
TEST_F(SkinnedControls, AnotherThreadChangesTheButtonWithoutWaitingForPaint) {
  CPngButton& b = button();
  ShowWindow(dialog_->hwnd(), SW_SHOWNA);  // a visible window has something to paint
  std::thread notice([&] {
    b.SetChecked(true, true);
    b.SetFaces({faces_[4].bitmap(), faces_[4].bitmap(), faces_[4].bitmap(), faces_[4].bitmap(), faces_[4].bitmap()},
               true);
  });
  notice.join();  // this thread handles no messages meanwhile
  EXPECT_TRUE(b.IsChecked());
  EXPECT_EQ(Drawn().Pixel(0, 0), 0x50A0F0u);
}

// The rows of the white caption's pixels on the dark face: the bright ones (a
// small caption's strokes may be thinner than a pixel, never pure white).
std::pair<int, int> LitRows(const SkinPicture& p) {
  const auto bright = [](std::uint32_t pixel) {
    return (pixel & 0xFF) >= 0x80 && ((pixel >> 8) & 0xFF) >= 0x80 && ((pixel >> 16) & 0xFF) >= 0x80;
  };
  int first = -1, last = -1;
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x)
      if (bright(p.Pixel(x, y))) {
        if (first < 0) first = y;
        last = y;
      }
  return {first, last};
}

TEST_F(SkinnedControls, CaptionsPlainAndTurned) {
  CPngButton& b = button();
  MoveWindow(b.hwnd(), 0, 0, 30, 40, FALSE);
  b.SetFaces({faces_[5].bitmap(), faces_[5].bitmap(), faces_[5].bitmap(), faces_[5].bitmap(), faces_[5].bitmap()},
             false);
  b.SetText(u"WWWW");
  EXPECT_EQ(LitRows(Drawn()).first, -1);  // text drawing is off by default
  b.SetTextStyle(true, 10, u"Tahoma", RGB(255, 255, 255), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  const auto plain = LitRows(Drawn());
  ASSERT_GE(plain.first, 0);
  b.SetTextAngle(268, true);
  const auto turned = LitRows(Drawn());
  ASSERT_GE(turned.first, 0);
  // Turned by 26.8 degrees the caption rises: it spans more rows than level text.
  EXPECT_GT(turned.second - turned.first, plain.second - plain.first);
}

TEST_F(SkinnedControls, TheDialogTakesSizeAndShapeFromItsPictures) {
  HWND window = dialog_->hwnd();
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, 120);
  EXPECT_EQ(r.bottom - r.top, 90);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION, 0);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window, region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 4, 10));  // white in the mask
  EXPECT_TRUE(PtInRegion(region, 5, 10));
  EXPECT_TRUE(PtInRegion(region, 119, 89));
  DeleteObject(region);
}

TEST_F(SkinnedControls, PressingTheBackgroundDragsTheWindow) {
  SendMessageW(dialog_->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 80));
  EXPECT_EQ(dialog_->captionPresses, (std::vector<WPARAM>{HTCAPTION}));
}

TEST_F(SkinnedControls, OkReleasesThePictures) {
  EXPECT_FALSE(dialog_->Background().empty());
  SendMessageW(dialog_->hwnd(), WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(dialog_->Background().empty());
  EXPECT_TRUE(dialog_->Mask().empty());
  EXPECT_FALSE(dialog_->IsOpen());
}

TEST(SkinnedDialogShape, AnAllWhiteMaskGivesAnEmptyShape) {
  const std::wstring folder = MakeScratchFolder(L"white-mask");
  WriteTestSkin(folder, u"Main=back.bmp\r\nMask=white.bmp\r\n");
  {
    TestDialog dialog(folder);
    ASSERT_TRUE(dialog.CreateModeless());
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(dialog.hwnd(), region);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_TRUE(kind == NULLREGION || IsRectEmpty(&box)) << kind;
    DeleteObject(region);
  }
  RemoveTree(folder);
}

// A skin file without pictures, or a window picture that cannot be loaded or
// is larger than the screen, ends the process with exit code 0 after one
// message box that names the file; the skin viewer exits with 3 once its
// window has initialised.
TEST(SkinnedDialogPictures, ADamagedWindowPictureIsNamedThenEndsTheProcess) {
  const struct {
    const char16_t* screen;
    const wchar_t* named;  // relative to the Skins folder; null: no box, exit code 3
  } cases[] = {
      {u"Main=back.bmp\r\nMask=mask.bmp\r\n", nullptr},
      {u"Main=back.bmp\r\n", nullptr},  // the mask defaults to the background
      {u"Main=missing.jpg\r\nMask=mask.bmp\r\n", L"missing.jpg"},
      {u"Main=back.bmp\r\nMask=missing.bmp\r\n", L"missing.bmp"},
      {u"Main=Test.ini\r\nMask=mask.bmp\r\n", L"Test.ini"},  // not a picture
      {u"Main=huge.bmp\r\nMask=mask.bmp\r\n", L"huge.bmp"},  // declares 16000 x 16000
      {u"Main=back.bmp\r\nMask=wide.bmp\r\n", L"wide.bmp"},  // one pixel wider than the screen
      {u"", L"Main.ini"},                                       // no background named
  };
  for (const auto& c : cases) {
    const std::wstring folder = MakeScratchFolder(L"skin-demo");
    // The folder without its trailing backslash, as the program is given it.
    std::wstring argument = folder;
    while (!argument.empty() && argument.back() == L'\\') argument.pop_back();
    const std::wstring skins = argument + L"\\Skins";
    CreateDirectoryW(skins.c_str(), nullptr);
    WriteTestSkin(skins, c.screen);
    WriteBytes(skins + L"\\huge.bmp", BmpHeaderOnly(16000, 16000));
    WriteBmp(skins + L"\\wide.bmp", GetSystemMetrics(SM_CXVIRTUALSCREEN) + 1, 1, [](int, int) { return 0u; });
    CopyFileW((skins + L"\\Test.ini").c_str(), (skins + L"\\Main.ini").c_str(), FALSE);
    // The folder with one trailing backslash, doubled before the closing quote.
    std::wstring command =
        L"\"" + TestProgramsFolder() + L"skin_demo.exe\" /init-only /folder \"" + argument + L"\\\\\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const std::string what(c.screen, c.screen + std::char_traits<char16_t>::length(c.screen));
    std::wstring text;
    const auto ended = [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; };
    EXPECT_TRUE(WaitUntil([&] { return ended() || MessageBoxOf(process.dwProcessId, &text); }, 60000)) << what;
    if (c.named) {
      EXPECT_NE(text.find(skins + L"\\" + c.named), std::wstring::npos) << what << ": " << std::string(text.begin(), text.end());
      PostMessageW(MessageBoxOf(process.dwProcessId, nullptr), WM_COMMAND, IDOK, 0);
    } else {
      EXPECT_TRUE(text.empty()) << what << ": " << std::string(text.begin(), text.end());
    }
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, c.named ? 0u : 3u) << what;
    RemoveTree(folder);
  }
}

}  // namespace

namespace {

// Our skin end to end: every main-window control placed by the skin layer from
// Main.ini, none disabled, and the arrows cut from Arrow.jpg.
TEST(OurSkinnedMainWindow, EveryControlIsPlacedAndEnabled) {
  SkinPreviewDialog dialog(SkinWindow::kMain, U16(BuiltProgramFolder()));
  ASSERT_TRUE(dialog.CreateModeless());
  RECT window;
  GetWindowRect(dialog.hwnd(), &window);
  EXPECT_EQ(window.right - window.left, dialog.Background().width());
  EXPECT_EQ(dialog.Pictures().pictures.size(), 11u);
  EXPECT_GE(dialog.Pictures().pictures[0].width(), dialog.Background().width() + 100);
  int buttons = 0;
  for (const SkinKey& key : SkinKeysOf(SkinWindow::kMain)) {
    if (!key.alternateOf.empty()) continue;
    const SkinRect expected = ReadSkinRect(dialog.SkinFile(), key.key);
    RECT r;
    GetWindowRect(dialog.ControlOf(key.key), &r);
    MapWindowPoints(nullptr, dialog.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    const std::string name(key.key.begin(), key.key.end());
    EXPECT_EQ(r.left, expected.x) << name;
    // A drop-down list's window is its closed box; the rectangle's height is its list's.
    if (key.key != u"CONTROL_XGcombox") {
      EXPECT_EQ(r.bottom - r.top, expected.h) << name;
    }
    if (CPngButton* b = dialog.Button(key.key)) {
      ++buttons;
      EXPECT_TRUE(b->IsEnabled()) << name;
      if (key.placement == Placement::kWithFaces) {
        EXPECT_EQ(b->FaceOrigin().x, expected.x) << name;
        EXPECT_EQ(b->FaceOrigin().y, expected.y) << name;
      }
    }
  }
  EXPECT_EQ(buttons, 10 + 12 + 9 + 6 + 104 + 6 + 2);
  const SkinRect leftOrigin = ReadSkinRect(dialog.SkinFile(), ArrowOriginKey(false, false, 1), u"BUTTONINFO2");
  EXPECT_EQ(dialog.Button(u"LEFT_ARROW")->FaceOrigin().x, leftOrigin.x);
  EXPECT_EQ(dialog.Button(u"LEFT_ARROW")->Faces().normal, dialog.Pictures()[8]);
  // The key faces: normal, over, down, normal, disable.
  const FaceSet& a = dialog.Button(u"KEY_01E")->Faces();
  EXPECT_EQ(a.normal, dialog.Pictures()[0]);
  EXPECT_EQ(a.hover, dialog.Pictures()[1]);
  EXPECT_EQ(a.pressed, dialog.Pictures()[2]);
  EXPECT_EQ(a.disabled, dialog.Pictures()[0]);
  EXPECT_EQ(a.checked, dialog.Pictures()[3]);
}

}  // namespace
