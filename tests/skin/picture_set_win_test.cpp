// A window's picture set decodes a file named twice only once; the second
// image is a copy of its own with the same pixels. Picture headers give the
// size a picture decodes to.
#include "skin/skin_picture_win.h"

#include <gtest/gtest.h>

#include "app/wide_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

TEST(WindowPictureSet, AFileNamedTwiceGivesTwoEqualPictures) {
  WindowPictureSet set;
  const std::vector<std::u16string> names = {u"Skins\\main_normal.jpg", u"Skins\\main_over.jpg",
                                             u"Skins\\main_normal.jpg"};
  set.LoadOnce(FromWide(BuiltProgramFolder()), names, 1200, 800);
  ASSERT_EQ(set.pictures.size(), 3u);
  ASSERT_NE(set[0], nullptr);
  ASSERT_NE(set[2], nullptr);
  EXPECT_NE(set[0], set[2]) << "each image is its own";
  const SkinPicture& first = set.pictures[0];
  const SkinPicture& again = set.pictures[2];
  ASSERT_EQ(first.width(), again.width());
  ASSERT_EQ(first.height(), again.height());
  for (int y = 0; y < first.height(); y += 37)
    for (int x = 0; x < first.width(); x += 41) ASSERT_EQ(first.Pixel(x, y), again.Pixel(x, y)) << x << "," << y;
  EXPECT_NE(first.Pixel(first.width() / 2, 40), 0u) << "the picture was decoded";
}

// Every picture we ship declares in its header the size it decodes to, so a
// window may take its size from the header and decode later.
TEST(PictureFileSize, EveryShippedPictureDeclaresTheSizeItDecodesTo) {
  const std::wstring skins = BuiltProgramFolder() + L"Skins\\";
  int checked = 0;
  for (const wchar_t* pattern : {L"*.jpg", L"*.bmp"}) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((skins + pattern).c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << pattern;
    do {
      const std::u16string path = FromWide(skins + found.cFileName);
      PictureSize size;
      SkinPicture picture;
      ASSERT_TRUE(ReadPictureFileSize(path, size)) << found.cFileName;
      ASSERT_TRUE(DecodePictureFile(path, picture)) << found.cFileName;
      EXPECT_EQ(size.width, picture.width()) << found.cFileName;
      EXPECT_EQ(size.height, picture.height()) << found.cFileName;
      ++checked;
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  EXPECT_GT(checked, 40);
  PictureSize none;
  EXPECT_FALSE(ReadPictureFileSize(FromWide(skins + L"no such picture.jpg"), none));
}

}  // namespace
