// Skin files and skin pictures as the system reads them, and our own skin as
// the build draws it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "skin/skin_file_win.h"
#include "skin/skin_keys.h"
#include "skin/skin_layout_check.h"
#include "skin/skin_picture_win.h"
#include "tests/skin/skin_test_pictures_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

class SkinFiles : public testing::Test {
 protected:
  void SetUp() override { folder_ = MakeScratchFolder(L"skin-files"); }
  void TearDown() override { RemoveTree(folder_); }
  std::wstring folder_;
};

TEST_F(SkinFiles, RectanglesReadWithTheMissingKeyDefault) {
  const std::wstring file = folder_ + L"\\Test.ini";
  WriteUtf16File(file,
                 u"[BUTTONINFO]\r\nPLAIN=10,20,30,40\r\nSHORT=5,6,7\r\nGARBAGE=\x00e9t\x00e9,??\r\n"
                 u"TRAILING=1,2,80,20,anything\r\n[OTHER]\r\nPLAIN=7,8,9,10\r\n");
  const struct {
    const wchar_t* file;
    const char16_t* key;
    const char16_t* section;
    SkinRect expected;
  } cases[] = {
      {L"Test.ini", u"PLAIN", u"BUTTONINFO", {10, 20, 30, 40}},
      {L"Test.ini", u"SHORT", u"BUTTONINFO", {5, 6, 7, 1}},
      {L"Test.ini", u"GARBAGE", u"BUTTONINFO", {1, 1, 1, 1}},
      {L"Test.ini", u"TRAILING", u"BUTTONINFO", {1, 2, 80, 20}},
      {L"Test.ini", u"MISSING", u"BUTTONINFO", {1, 1, 1, 1}},
      {L"Test.ini", u"PLAIN", u"OTHER", {7, 8, 9, 10}},
      {L"Nowhere.ini", u"PLAIN", u"BUTTONINFO", {1, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadSkinRect(U16(folder_ + L"\\" + c.file), c.key, c.section), c.expected)
        << std::string(c.key, c.key + std::char_traits<char16_t>::length(c.key));
  }
  EXPECT_TRUE(HasSkinKey(U16(file), u"BUTTONINFO", u"SHORT"));
  EXPECT_FALSE(HasSkinKey(U16(file), u"BUTTONINFO", u"MISSING"));
  EXPECT_EQ(ReadSkinString(U16(file), u"SCREEN", u"Main", u""), u"");
}

TEST_F(SkinFiles, PicturesDecodeOrFailCleanly) {
  WriteBmp(folder_ + L"\\two.bmp", 6, 4, [](int x, int) { return x < 3 ? 0xFF0000u : 0x0000FFu; });
  WriteBytes(folder_ + L"\\broken.jpg", std::string("\xFF\xD8\xFF\xE0 not really a picture", 26));
  WriteBytes(folder_ + L"\\empty.jpg", "");

  SkinPicture picture;
  ASSERT_TRUE(DecodePictureFile(U16(folder_ + L"\\two.bmp"), picture));
  EXPECT_EQ(picture.width(), 6);
  EXPECT_EQ(picture.height(), 4);
  EXPECT_EQ(picture.Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(picture.Pixel(5, 3), 0x0000FFu);
  for (const wchar_t* bad : {L"\\missing.jpg", L"\\broken.jpg", L"\\empty.jpg"}) {
    SkinPicture none;
    EXPECT_FALSE(DecodePictureFile(U16(folder_ + bad), none)) << bad;
    EXPECT_TRUE(none.empty());
  }
}

// A picture larger than the screen is damaged: its header is refused before
// anything is decoded, and a face picture cut from it stays black.
TEST_F(SkinFiles, APictureLargerThanTheScreenIsRefused) {
  const PictureSize screen = VirtualScreenSize();
  ASSERT_GT(screen.width, 0);
  ASSERT_GT(screen.height, 0);
  const auto grey = [](int, int) { return 0x808080u; };
  WriteBytes(folder_ + L"\\huge.bmp", BmpHeaderOnly(16000, 16000));
  WriteBytes(folder_ + L"\\top-down-huge.bmp", BmpHeaderOnly(65535, -65535));
  WriteBytes(folder_ + L"\\huge.jpg", JpegHeaderOnly(65535, 65535));
  WriteBmp(folder_ + L"\\screen-wide.bmp", screen.width, 1, grey);
  WriteBmp(folder_ + L"\\too-wide.bmp", screen.width + 1, 1, grey);
  WriteBmp(folder_ + L"\\too-tall.bmp", 1, screen.height + 1, grey);
  const struct {
    const wchar_t* name;
    bool fits;
  } cases[] = {{L"huge.bmp", false},        {L"top-down-huge.bmp", false}, {L"huge.jpg", false},
               {L"screen-wide.bmp", true},  {L"too-wide.bmp", false},      {L"too-tall.bmp", false}};
  for (const auto& c : cases) {
    const std::u16string path = U16(folder_ + L"\\" + c.name);
    const std::string name(c.name, c.name + wcslen(c.name));
    PictureSize size;
    EXPECT_EQ(ReadPictureFileSize(path, size), c.fits) << name;
    SkinPicture picture;
    EXPECT_EQ(DecodePictureFile(path, picture), c.fits) << name;
    EXPECT_EQ(picture.empty(), !c.fits) << name;
    HBITMAP bitmap = LoadBitmapFile(path);
    EXPECT_EQ(bitmap != nullptr, c.fits) << name;
    if (bitmap) DeleteObject(bitmap);
  }

  WindowPictureSet set;
  set.LoadOnce(U16(folder_ + L"\\"), {u"screen-wide.bmp", u"huge.bmp", u"too-wide.bmp"}, 8, 8);
  EXPECT_EQ(set.pictures[0].Pixel(3, 0), 0x808080u);
  EXPECT_EQ(set.pictures[1].Pixel(3, 0), 0u) << "black faces";
  EXPECT_EQ(set.pictures[2].Pixel(3, 0), 0u) << "black faces";
}

TEST_F(SkinFiles, FacePicturesAreCreatedBlackThenTakeTheirFilesInPlace) {
  WriteBmp(folder_ + L"\\small.bmp", 4, 4, [](int, int) { return 0x00FF00u; });
  WriteBmp(folder_ + L"\\large.bmp", 20, 20, [](int, int) { return 0xFF0000u; });
  WindowPictureSet set;
  set.Create(U16(folder_ + L"\\"), {u"small.bmp", u"missing.jpg", u"large.bmp", u"small.bmp"}, 10, 8);
  ASSERT_EQ(set.pictures.size(), 4u);
  EXPECT_FALSE(set.Complete());
  EXPECT_EQ(set.pictures[0].Pixel(3, 3), 0u) << "black until its file is drawn in";
  const HBITMAP first = set[0];

  set.DecodeAll();
  EXPECT_TRUE(set.Complete());
  EXPECT_FALSE(set.DecodeNext());
  EXPECT_EQ(set[0], first) << "the controls' bitmap handles stay valid";
  for (const SkinPicture& picture : set.pictures) {
    EXPECT_EQ(picture.width(), 10);
    EXPECT_EQ(picture.height(), 8);
  }
  EXPECT_EQ(set.pictures[0].Pixel(3, 3), 0x00FF00u);
  EXPECT_EQ(set.pictures[0].Pixel(9, 7), 0u) << "black beyond a small picture";
  EXPECT_EQ(set.pictures[1].Pixel(5, 5), 0u) << "a missing file gives black faces";
  EXPECT_EQ(set.pictures[2].Pixel(9, 7), 0xFF0000u) << "a large picture is cut at the face size";
  EXPECT_EQ(set.pictures[3].Pixel(3, 3), 0x00FF00u);
  EXPECT_NE(set[3], set[0]);

  set.LoadOnce(U16(folder_ + L"\\"), {u"other.bmp"}, 12, 12);  // created once per window class
  EXPECT_EQ(set[0], first);
  EXPECT_EQ(set.pictures.size(), 4u);
  EXPECT_EQ(set[5], nullptr);
}

TEST(SkinMasks, TheShapeIsEveryPixelThatIsNotPureWhite) {
  SkinPicture mask = SkinPicture::Blank(8, 6, RGB(255, 255, 255));
  // A black block and a nearly white pixel are inside; pure white is outside.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mask.bitmap());
  RECT block{2, 1, 5, 3};
  FillRect(dc, &block, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetPixel(dc, 7, 5, RGB(254, 255, 255));
  SelectObject(dc, old);
  DeleteDC(dc);

  HRGN region = RegionFromMask(mask);
  const struct {
    int x, y;
    bool inside;
  } points[] = {{2, 1, true}, {4, 2, true}, {5, 2, false}, {2, 3, false}, {0, 0, false}, {7, 5, true}, {6, 5, false}};
  for (const auto& p : points) EXPECT_EQ(PtInRegion(region, p.x, p.y) != 0, p.inside) << p.x << "," << p.y;
  DeleteObject(region);

  const SkinPicture white = SkinPicture::Blank(8, 6, RGB(255, 255, 255));
  HRGN empty = RegionFromMask(white);
  RECT box;
  EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
  DeleteObject(empty);
}

// Our skin as the build writes it into the program folder.
class OurSkin : public testing::TestWithParam<SkinWindow> {};

TEST_P(OurSkin, EveryControlHasItsOwnPlaceOnTheBackground) {
  const std::u16string folder = U16(BuiltProgramFolder());
  const std::u16string file = folder + SkinFileName(GetParam());
  const std::u16string main = ReadSkinString(file, u"SCREEN", u"Main", u"");
  const std::u16string mask = ReadSkinString(file, u"SCREEN", u"Mask", u"");
  SkinPicture background, shape;
  ASSERT_TRUE(DecodePictureFile(folder + u"Skins\\" + main, background)) << std::string(main.begin(), main.end());
  ASSERT_TRUE(DecodePictureFile(folder + u"Skins\\" + mask, shape));
  EXPECT_EQ(shape.width(), background.width());
  EXPECT_EQ(shape.height(), background.height());
  // The outline: rounded corners outside, the middle inside.
  HRGN region = RegionFromMask(shape);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_TRUE(PtInRegion(region, background.width() / 2, background.height() / 2));
  DeleteObject(region);

  const auto problems = CheckSkinLayout(
      GetParam(),
      [&](const std::u16string& key, std::u16string& value) {
        if (!HasSkinKey(file, u"BUTTONINFO", key.c_str())) return false;
        value = ReadSkinString(file, u"BUTTONINFO", key.c_str(), u"");
        // A drop-down list's rectangle includes its list; only the closed box must not overlap.
        if (key == u"CONTROL_XGcombox" || key == u"CONTROL_UPCombox" || key == u"FUNC_MEDIA_SELECT" ||
            key == u"FUNC_FUNCTION_SELECT") {
          SkinRect r = ParseSkinRect(value);
          std::string text = std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + ",24";
          value.assign(text.begin(), text.end());
        }
        return true;
      },
      background.width(), background.height());
  for (const std::string& problem : problems) ADD_FAILURE() << problem;
}

INSTANTIATE_TEST_SUITE_P(Skin, OurSkin,
                         testing::Values(SkinWindow::kMain, SkinWindow::kProfile, SkinWindow::kComposite,
                                         SkinWindow::kUpdate));

TEST(OurSkin, EveryPictureTheWindowsLoadIsThere) {
  const std::u16string folder = U16(BuiltProgramFolder());
  std::vector<std::u16string> names;
  for (const auto* list : {&MainWindowPictureNames(), &ProfileWindowPictureNames(), &CompositeWindowPictureNames(),
                           &UpdateWindowPictureNames()})
    names.insert(names.end(), list->begin(), list->end());
  auto bitmap = [](const std::string& name) { return u"Skins\\" + std::u16string(name.begin(), name.end()); };
  for (int i = 0; i <= 51; ++i) names.push_back(bitmap(std::to_string(i) + ".bmp"));
  for (int i = 1; i <= 10; ++i) names.push_back(bitmap("jdt" + std::to_string(i) + ".bmp"));
  for (const char* name : {"dengdown", "dengup", "leftdown", "leftup", "rightdown", "rightup", "sjsdown", "sjsup",
                           "user1down", "user1up", "user2down", "user2up"})
    names.push_back(bitmap(std::string(name) + ".bmp"));
  for (const auto& name : names) {
    SkinPicture picture;
    EXPECT_TRUE(DecodePictureFile(folder + name, picture)) << std::string(name.begin(), name.end());
  }
  // The main window's state pictures differ where a key stands (KEY_01E, the A key).
  const std::u16string mainFile = folder + SkinFileName(SkinWindow::kMain);
  const SkinRect a = ReadSkinRect(mainFile, u"KEY_01E");
  std::vector<std::uint32_t> centres;
  for (const char16_t* state : {u"main_normal.jpg", u"main_over.jpg", u"main_down.jpg", u"main_disable.jpg",
                                u"main_color0.jpg", u"main_color1.jpg"}) {
    SkinPicture picture;
    ASSERT_TRUE(DecodePictureFile(folder + u"Skins\\" + state, picture));
    centres.push_back(picture.Pixel(a.x + 6, a.y + a.h - 8));  // inside the fill, below the legend
  }
  auto distance = [](std::uint32_t p, std::uint32_t q) {
    int sum = 0;
    for (int shift : {0, 8, 16}) sum += std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF));
    return sum;
  };
  for (std::size_t i = 0; i < 4; ++i)
    for (std::size_t j = i + 1; j < 4; ++j) EXPECT_GT(distance(centres[i], centres[j]), 30) << i << " vs " << j;
}

TEST(OurSkin, TextsAndArrowOriginsInBothLanguages) {
  const std::u16string file = U16(BuiltProgramFolder()) + SkinFileName(SkinWindow::kMain);
  for (const std::u16string& key : LightingCaptionKeys()) {
    EXPECT_FALSE(ReadSkinString(file, u"Control_Name", key.c_str(), u"").empty());
    EXPECT_FALSE(ReadSkinString(file, u"Control_Name1", key.c_str(), u"").empty());
  }
  EXPECT_EQ(ReadSkinString(file, u"Control_Name", u"Light", u""), u"\x4eae\x5ea6");  // 亮度
  EXPECT_EQ(ReadSkinString(file, u"Control_Name1", u"Light", u""), u"Brightness");
  for (int effect = 1; effect <= 14; ++effect) {
    const std::string n = std::to_string(effect);
    const std::u16string key(n.begin(), n.end());
    EXPECT_FALSE(ReadSkinString(file, u"Mode", key.c_str(), u"").empty());
    EXPECT_FALSE(ReadSkinString(file, u"Mode1", key.c_str(), u"").empty());
  }
  for (bool right : {false, true})
    for (bool down : {false, true})
      for (int state : {1, 2})
        EXPECT_TRUE(HasSkinKey(file, u"BUTTONINFO2", ArrowOriginKey(right, down, state).c_str()));
  // No link of its own: the window's logo opens the help page that ships with the program.
  EXPECT_TRUE(ReadSkinString(file, u"SCREEN", u"Link", u"").empty());
}

}  // namespace
