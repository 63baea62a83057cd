#include "controls/button_face.h"

#include <gtest/gtest.h>

namespace {

struct FaceCase {
  const char* name;
  ButtonState state;
  ButtonFace face;
};

// Fields: disabled, colourDisplay, colourWord, pressed, hover, checked, tint.
const FaceCase kFaceCases[] = {
    {"normal", {}, ButtonFace::kNormal},
    {"checked", {false, false, 0, false, false, true, false}, ButtonFace::kChecked},
    {"hover beats checked", {false, false, 0, false, true, true, false}, ButtonFace::kHover},
    {"pressed beats hover", {false, false, 0, true, true, true, false}, ButtonFace::kPressed},
    {"disabled beats checked", {true, false, 0, false, false, true, false}, ButtonFace::kDisabled},
    {"disabled beats colour", {true, true, 5, true, true, true, false}, ButtonFace::kDisabled},
    {"colour on hides hover and pressed", {false, true, 0x00FF00, true, true, false, false}, ButtonFace::kColourOn},
    {"colour off hides hover and pressed", {false, true, 0, true, true, true, false}, ButtonFace::kColourOff},
    {"tint in every state", {true, true, 1, true, true, true, true}, ButtonFace::kNormal},
    {"tint while hovered", {false, false, 0, false, true, false, true}, ButtonFace::kNormal},
};

TEST(ButtonFace, FirstMatchingRuleWins) {
  for (const FaceCase& c : kFaceCases) EXPECT_EQ(ChooseButtonFace(c.state), c.face) << c.name;
}

TEST(ButtonFace, TurnedCaptionIsCentredByItsRunAndRise) {
  // escapement 268: cos = 0.8926, sin = 0.4509. Text 60 x 16 in a 100 x 30 box:
  // run 54 < 100: left = 0 + (100 - 54) / 2 - round(16 * 0.4509 / 2) = 23 - 4 = 19;
  // rise 27 < 30: bottom = 30 + round(16 * 0.8926 / 2) - (30 - 27) / 2 = 30 + 7 - 1 = 36.
  EXPECT_EQ(TurnedTextBox({0, 0, 100, 30}, 60, 16, 268), (TextBox{19, 0, 100, 36}));
  // A text whose rise exceeds the height keeps the bottom edge.
  EXPECT_EQ(TurnedTextBox({10, 5, 110, 15}, 60, 16, 268), (TextBox{29, 5, 110, 15}));
  // A text wider than the box keeps the left edge.
  EXPECT_EQ(TurnedTextBox({0, 0, 40, 100}, 60, 16, 268).left, 0);
  // Escapement 0: run cx, no rise, so only the centring of the run applies.
  EXPECT_EQ(TurnedTextBox({0, 0, 100, 30}, 60, 16, 0), (TextBox{20, 0, 100, 23}));
}

// A caption measuring 4 pixels a point (a five-letter word at 9 points is 36
// pixels): it shrinks only as far as it must, and never below the minimum.
TEST(ButtonFace, ALongCaptionShrinksUntilItFits) {
  const auto fourPerPoint = [](int points) { return 4 * points; };
  struct Case { const char* name; int points, minimum, room, size; };
  const Case cases[] = {
      {"fits as set", 9, 6, 40, 9},
      {"fits exactly", 9, 6, 36, 9},
      {"one size smaller", 9, 6, 35, 8},
      {"the largest that fits", 9, 6, 28, 7},
      {"never below the minimum", 9, 6, 10, 6},
      {"a size below the minimum is kept", 5, 6, 10, 5},
      {"no room at all", 9, 6, -4, 6},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FittingPointSize(c.points, c.minimum, c.room, fourPerPoint), c.size) << c.name;
}

}  // namespace

TEST(ButtonFace, ATintedLegendContrastsWithEveryTint) {
  const LegendRgb black{0, 0, 0}, white{0xFF, 0xFF, 0xFF};
  const struct {
    const char* name;
    LegendRgb tint, legend;
  } cases[] = {
      {"the factory black", black, white},    {"white", white, black},
      {"pure red", {0xFF, 0, 0}, black},      {"pure blue", {0, 0, 0xFF}, white},
      {"yellow", {0xFF, 0xFF, 0}, black},     {"dark grey", {0x40, 0x40, 0x40}, white},
      {"mid grey", {0x80, 0x80, 0x80}, black}, {"deep green", {0, 0x60, 0}, white},
  };
  for (const auto& c : cases) EXPECT_EQ(LegendColourOnTint(c.tint), c.legend) << c.name;
}
