// A window's picture set decodes a file named twice only once; the second
// image is a copy of its own with the same pixels.
#include "skin/skin_picture_win.h"

#include <gtest/gtest.h>

#include "controls/wide_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

TEST(WindowPictureSet, AFileNamedTwiceGivesTwoEqualPictures) {
  WindowPictureSet set;
  const std::vector<std::u16string> names = {u"Skins\\main_normal.jpg", u"Skins\\main_over.jpg",
                                             u"Skins\\main_normal.jpg"};
  set.LoadOnce(FromWide(BuiltProgramFolder()), names, 64, 64);
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

}  // namespace
