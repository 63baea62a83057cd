// The kit's small controls: report list, bitmap slider, coloured text,
// hyperlink and colour button.
#include "controls/kit_controls_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/memory_template_win.h"
#include "app/messages.h"
#include "skin/skin_picture_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

enum : int { kList = 300, kSlider, kText, kLink, kColour };

class KitDialog : public Dialog {
 public:
  KitDialog() : Dialog(0) { UseTemplate(template_.get()); }
  CReportCtrl list;
  CBitmapSlider slider;
  CColourStatic text;
  CHyperLink link;
  CSkinColorButton colour;
  std::vector<std::pair<WPARAM, LPARAM>> sliderNotices;

 protected:
  BOOL OnInitDialog() override {
    const struct {
      const wchar_t* type;
      int id;
      DWORD style;
      int x, y, w, h;
    } made[] = {{WC_LISTVIEWW, kList, 0, 0, 0, 300, 120},
                {L"STATIC", kSlider, 0, 0, 130, 100, 20},
                {L"STATIC", kText, 0, 0, 160, 100, 20},
                {L"STATIC", kLink, 0, 0, 190, 100, 20},
                {L"BUTTON", kColour, 0, 120, 130, 60, 24}};
    for (const auto& m : made)
      CreateWindowExW(0, m.type, L"", WS_CHILD | WS_VISIBLE | m.style, m.x, m.y, m.w, m.h, hwnd(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(m.id)), GetModuleHandleW(nullptr), nullptr);
    Bind(list, kList);
    Bind(slider, kSlider);
    Bind(text, kText);
    Bind(link, kLink);
    Bind(colour, kColour);
    return TRUE;
  }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message != WM_SLIDER_CHANGED) return false;
    sliderNotices.emplace_back(wParam, lParam);
    result = 0;
    return true;
  }

 private:
  MemoryDialogTemplate template_{WS_POPUP, 300, 200};
};

class KitControls : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dialog_.CreateModeless()); }
  // Handles the posted messages of this thread.
  static void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  static SkinPicture Print(HWND window, int width, int height) {
    SkinPicture target = SkinPicture::Blank(width, height, RGB(1, 2, 3));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target.bitmap());
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SelectObject(dc, old);
    DeleteDC(dc);
    return target;
  }
  KitDialog dialog_;
};

TEST_F(KitControls, ReportListRowsWithCheckBoxes) {
  CReportCtrl& list = dialog_.list;
  list.AddColumn(u"", 60);
  list.AddColumn(u"Name", 120);
  list.AddColumn(u"Path", 230);
  EXPECT_EQ(list.AddRow({u"", u"Game", u"C:\\Profiles\\"}), 0);
  EXPECT_EQ(list.AddRow({u"", u"Office", u"D:\\"}), 1);
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.CellText(1, 1), u"Office");
  EXPECT_EQ(list.CellText(0, 2), u"C:\\Profiles\\");
  EXPECT_FALSE(list.IsChecked(0));
  list.SetChecked(1, true);
  EXPECT_TRUE(list.IsChecked(1));
  EXPECT_FALSE(list.IsChecked(0));
  const auto extended = SendMessageW(list.hwnd(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
            LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  EXPECT_TRUE(list.DeleteRow(0));
  EXPECT_EQ(list.CellText(0, 1), u"Office");
  EXPECT_EQ(list.SelectedRow(), -1);
}

TEST_F(KitControls, SliderPostsEachPositionTheMouseChooses) {
  std::vector<SkinPicture> pictures;
  std::vector<HBITMAP> handles;
  for (int i = 0; i < 26; ++i) {
    pictures.push_back(SkinPicture::Blank(100, 20, RGB(i * 8, 0, 0)));
    handles.push_back(pictures.back().bitmap());
  }
  CBitmapSlider& slider = dialog_.slider;
  slider.SetPictures(handles);
  slider.SetPosition(40);
  EXPECT_EQ(slider.Position(), 25);  // clamped to the last picture
  slider.SetPosition(3);
  Pump();
  EXPECT_TRUE(dialog_.sliderNotices.empty());                         // only the mouse posts
  EXPECT_EQ(Print(slider.hwnd(), 100, 20).Pixel(50, 10), 0x180000u);  // picture 3

  SendMessageW(slider.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 10));  // 50 * 26 / 100 = 13
  SendMessageW(slider.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 10));    // no change, no notice
  SendMessageW(slider.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-30, 10));   // clamped to 0
  SendMessageW(slider.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(-30, 10));
  SendMessageW(slider.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(99, 10));  // not dragging
  Pump();
  const std::vector<std::pair<WPARAM, LPARAM>> expected{{kSlider, 13}, {kSlider, 0}};
  EXPECT_EQ(dialog_.sliderNotices, expected);
  EXPECT_EQ(slider.Position(), 0);
}

TEST_F(KitControls, ColouredTextOverTheBackgroundAndTheLink) {
  SkinPicture background = SkinPicture::Blank(300, 300, RGB(0x20, 0x30, 0x40));
  CColourStatic& text = dialog_.text;
  text.SetBackground(background.bitmap());
  text.SetStyle(RGB(255, 255, 255), 10);
  text.SetText(u"WWWWWW");
  const SkinPicture drawn = Print(text.hwnd(), 100, 20);
  int lit = 0;
  for (int x = 0; x < 100; ++x)
    for (int y = 0; y < 20; ++y) lit += drawn.Pixel(x, y) == 0xFFFFFFu;
  EXPECT_GT(lit, 10);
  EXPECT_EQ(drawn.Pixel(99, 0), 0x203040u);  // the background around the text

  std::vector<std::u16string> opened;
  dialog_.link.SetOpener([&](const std::u16string& address) { opened.push_back(address); });
  dialog_.link.SetAddress(u"https://www.ostrak.example/");
  SendMessageW(dialog_.link.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(opened, (std::vector<std::u16string>{u"https://www.ostrak.example/"}));
}

TEST_F(KitControls, ColourButtonShowsItsColourUnlessDisabled) {
  CSkinColorButton& button = dialog_.colour;
  RECT client{0, 0, 60, 24};
  const RECT swatch = CSkinColorButton::SwatchRect(client);
  EXPECT_EQ(swatch.right, 60 / 2 + 5 + 1);
  button.SetAutomaticColour(RGB(0, 0, 0xFF));
  EXPECT_EQ(Print(button.hwnd(), 60, 24).Pixel(10, 12), 0x0000FFu);  // no colour yet: the automatic one

  button.SetPicker([](HWND, COLORREF& colour) {
    colour = RGB(0x12, 0x34, 0x56);
    return true;
  });
  EXPECT_TRUE(button.Pick());
  EXPECT_EQ(button.Colour(), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(Print(button.hwnd(), 60, 24).Pixel(10, 12), 0x123456u);
  button.SetPicker([](HWND, COLORREF&) { return false; });
  EXPECT_FALSE(button.Pick());
  EXPECT_EQ(button.Colour(), RGB(0x12, 0x34, 0x56));  // cancelled: unchanged

  button.Enable(false);
  EXPECT_NE(Print(button.hwnd(), 60, 24).Pixel(10, 12), 0x123456u);
  SendMessageW(button.hwnd(), WM_MOUSEHOVER, 0, 0);
  EXPECT_TRUE(button.IsHover());
  SendMessageW(button.hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(button.IsHover());
}

// When the shell cannot open an address, the command registered for ".htm"
// pages opens it, with the address in place of its "%1".
TEST(WebAddress, ThePageCommandOpensWhatTheShellCannot) {
  const std::wstring folder = MakeScratchFolder(L"page-command");
  const std::wstring log = folder + L"probe.log";
  SetEnvironmentVariableW(L"OSTRAK_PROBE_LOG", log.c_str());
  const std::wstring browser = TestProgramsFolder() + L"companion_probe.exe";

  wchar_t previous[256] = {};
  DWORD size = sizeof previous;
  const bool hadType = RegGetValueW(HKEY_CLASSES_ROOT, L".htm", nullptr, RRF_RT_REG_SZ, nullptr, previous, &size) ==
                       ERROR_SUCCESS;
  const std::wstring type = L"OstrakTestPage";
  const std::wstring command = L"\"" + browser + L"\" -page \"%1\"";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, L".htm", nullptr, REG_SZ, type.c_str(),
                            static_cast<DWORD>((type.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, L"OstrakTestPage\\shell\\open\\command", nullptr, REG_SZ,
                            command.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);

  EXPECT_TRUE(RunPageCommand(u"https://a.example/a page"));
  EXPECT_TRUE(WaitUntil([&] { return ReadBytes(log).find('\n') != std::string::npos; }, 10000));
  EXPECT_NE(ReadBytes(log).find("-page  \"https://a.example/a page\""), std::string::npos) << ReadBytes(log);

  // An address of a kind the shell has no program for goes the same way.
  EXPECT_TRUE(OpenWebAddress(u"ostrak-no-such-kind:page"));
  EXPECT_TRUE(WaitUntil([&] { return ReadBytes(log).find("ostrak-no-such-kind:page") != std::string::npos; }, 10000));

  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"OstrakTestPage");
  if (hadType)
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L".htm", nullptr, REG_SZ, previous,
                    static_cast<DWORD>((wcslen(previous) + 1) * sizeof(wchar_t)));
  else
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".htm");
  EXPECT_FALSE(RunPageCommand(u"https://a.example/")) << "no command is registered any more";
  SetEnvironmentVariableW(L"OSTRAK_PROBE_LOG", nullptr);
  RemoveTree(folder);
}

}  // namespace
