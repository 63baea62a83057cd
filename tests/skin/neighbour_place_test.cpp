#include "skin/neighbour_place.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A piece of a keyboard as the main window lays it out: 36-pixel keys, the
// rows staggered, wide keys at the ends, a gap before the arrow keys.
//   row 0:  Tab  Q  W  E
//   row 1:  Caps  A  S  D
//   row 2:  Shift   Z  X          Up
//   row 3:  Ctrl  (space bar)   Left Down
struct Key {
  std::string name;
  SkinRect place;
};
const std::vector<Key> kKeys = {
    {"Tab", {0, 0, 54, 34}},    {"Q", {56, 0, 34, 34}},    {"W", {92, 0, 34, 34}},   {"E", {128, 0, 34, 34}},
    {"Caps", {0, 36, 64, 34}},  {"A", {66, 36, 34, 34}},   {"S", {102, 36, 34, 34}}, {"D", {138, 36, 34, 34}},
    {"Shift", {0, 72, 82, 34}}, {"Z", {84, 72, 34, 34}},   {"X", {120, 72, 34, 34}}, {"Up", {260, 72, 34, 34}},
    {"Ctrl", {0, 108, 54, 34}}, {"Space", {56, 108, 150, 34}}, {"Left", {224, 108, 34, 34}}, {"Down", {260, 108, 34, 34}},
    {"Hidden", {140, 0, 0, 0}}};

std::string Move(const std::string& from, Direction direction) {
  std::vector<SkinRect> places;
  std::size_t start = 0;
  for (const Key& key : kKeys) {
    if (key.name == from) start = places.size();
    places.push_back(key.place);
  }
  const auto to = NeighbourPlace(places, start, direction);
  return to ? kKeys[*to].name : "nothing";
}

TEST(NeighbourPlace, ArrowsMoveAsTheEyeSees) {
  struct Case {
    std::string from;
    Direction direction;
    std::string to;
  };
  const Case cases[] = {
      {"Q", Direction::kRight, "W"},      {"W", Direction::kLeft, "Q"},
      {"Q", Direction::kLeft, "Tab"},     {"Tab", Direction::kLeft, "nothing"},
      // Nothing more in its row: not D (more down than right), not the hidden
      // place, but the nearest that lies more right than down.
      {"E", Direction::kRight, "Up"},
      {"Q", Direction::kDown, "A"},       {"A", Direction::kUp, "Q"},
      {"A", Direction::kDown, "Z"},       {"Caps", Direction::kDown, "Shift"},
      {"Z", Direction::kDown, "Space"},   {"X", Direction::kDown, "Space"},
      {"Space", Direction::kUp, "X"},     // the key above its middle
      {"X", Direction::kRight, "Up"},     // across the gap, in the same row
      {"Up", Direction::kDown, "Down"},   {"Down", Direction::kLeft, "Left"},
      {"Up", Direction::kLeft, "X"},      {"Left", Direction::kUp, "Up"},  // nothing in line above: the nearest
      {"Tab", Direction::kUp, "nothing"},
  };
  for (const Case& c : cases) EXPECT_EQ(Move(c.from, c.direction), c.to) << c.from;
}

TEST(NeighbourPlace, AStartOutsideThePlacesGoesNowhere) {
  const std::vector<SkinRect> places = {{0, 0, 10, 10}};
  EXPECT_EQ(NeighbourPlace(places, 1, Direction::kRight), std::nullopt);
  EXPECT_EQ(NeighbourPlace({}, 0, Direction::kRight), std::nullopt);
}

}  // namespace
