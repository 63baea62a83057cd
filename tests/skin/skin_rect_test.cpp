#include "skin/skin_rect.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RectCase {
  const char16_t* value;
  SkinRect expected;
};

class SkinRectValues : public testing::TestWithParam<RectCase> {};

TEST_P(SkinRectValues, ReadAsTheWindowsPlaceThem) {
  EXPECT_EQ(ParseSkinRect(GetParam().value), GetParam().expected) << std::u16string(GetParam().value).size();
}

INSTANTIATE_TEST_SUITE_P(
    Skin, SkinRectValues,
    testing::Values(RectCase{u"10,20,30,40", {10, 20, 30, 40}},
                    RectCase{u"1,1,1,1,x", {1, 1, 1, 1}},                // the missing-key value
                    RectCase{u"10,20,30,40,50,junk", {10, 20, 30, 40}},  // after the fourth number: ignored
                    RectCase{u"10,20,30,40junk", {10, 20, 30, 40}},
                    RectCase{u" 7, 8 , 9,10", {7, 8, 1, 1}},   // a blank before a comma ends the reading
                    RectCase{u" 7, 8, 9, 10", {7, 8, 9, 10}},  // blanks before a number are skipped
                    RectCase{u"5,6,7", {5, 6, 7, 1}},          // unset numbers keep the missing value
                    RectCase{u"5,6,", {5, 6, 1, 1}}, RectCase{u"", {1, 1, 1, 1}}, RectCase{u"garbage", {1, 1, 1, 1}},
                    RectCase{u"-5,+6,-0,3", {-5, 6, 0, 3}},
                    RectCase{u"99999999999999999999,-99999999999,2,2", {32767, -32767, 2, 2}},
                    RectCase{u"1;2;3;4", {1, 1, 1, 1}}, RectCase{u"0x10,2,3,4", {0, 1, 1, 1}}));

TEST(SkinRect, OnlyTheMissingPositionDisablesAButton) {
  EXPECT_TRUE(DisablesButton(ParseSkinRect(u"1,1,80,20")));
  EXPECT_FALSE(DisablesButton(ParseSkinRect(u"1,2,80,20")));
  EXPECT_FALSE(DisablesButton(ParseSkinRect(u"2,1,80,20")));
  EXPECT_TRUE(DisablesButton(ParseSkinRect(kMissingSkinValue)));
}

TEST(SkinRect, OverlapNeedsASharedPixel) {
  const SkinRect a{10, 10, 20, 20};
  EXPECT_TRUE(Overlaps(a, {29, 29, 5, 5}));
  EXPECT_FALSE(Overlaps(a, {30, 10, 5, 5}));  // touching edges share no pixel
  EXPECT_FALSE(Overlaps(a, {10, 30, 5, 5}));
  EXPECT_TRUE(Overlaps(a, {0, 0, 100, 100}));  // containment
  EXPECT_FALSE(Overlaps(a, {15, 15, 0, 5}));   // empty rectangles overlap nothing
}

}  // namespace
