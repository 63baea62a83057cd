#include "lighting/key_colours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

int ButtonOf(KeyCode key) {
  const auto at = std::find(KeyboardKeys.begin(), KeyboardKeys.end(), key);
  return at == KeyboardKeys.end() ? -1 : static_cast<int>(at - KeyboardKeys.begin());
}

}  // namespace

TEST(KeyColours, ButtonsLightTheirKeysPositions) {
  struct Case {
    const char* name;
    int button;
    int position;
  };
  const Case cases[] = {
      {"Esc", ButtonOf(0x001), 8},
      {"A", ButtonOf(0x01E), 19},
      {"= (in the table twice)", ButtonOf(0x00D), 105},
      {"Right Win (not in the table)", ButtonOf(0x15C), 30},
      {"Win", ButtonOf(0x15B), 21},
      {"Num Enter", ButtonOf(0x11C), 133},
      {"Fn", kFnButton, 53},
      {"past Fn", kPaintableButtonCount, -1},
      {"negative", -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(KeyColourPosition(c.button), c.position);
  }
}

TEST(KeyColours, EveryButtonHasAPositionOfItsOwn) {
  std::set<int> positions;
  for (int button = 0; button < kPaintableButtonCount; ++button) {
    SCOPED_TRACE(button);
    const int position = KeyColourPosition(button);
    EXPECT_GE(position, 0);
    EXPECT_LT(position, kKeyColourPositions);
    positions.insert(position);
  }
  EXPECT_EQ(positions.size(), std::size_t{kPaintableButtonCount});
  // None of them is a G key's.
  for (int g = 0; g < kExtraKeyButtonCount; ++g) EXPECT_FALSE(positions.count(ExtraKeyColourPosition(g)));
}

TEST(KeyColours, ExtraKeys) {
  const int expected[kExtraKeyButtonCount] = {1, 2, 3, 4, 5, 0, 0, 0, 0};  // G1-G5 own, G6-G9 share 0
  for (int g = 0; g < kExtraKeyButtonCount; ++g) EXPECT_EQ(ExtraKeyColourPosition(g), expected[g]) << "G" << g + 1;
  EXPECT_EQ(ExtraKeyColourPosition(kExtraKeyButtonCount), -1);
  EXPECT_EQ(ExtraKeyColourPosition(-1), -1);
}

TEST(KeyColours, ChunksCarryTheirPositionsRedFirst) {
  KeyColourTable table{};
  for (int p = 0; p < kKeyColourPositions; ++p)
    table[p] = {static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p + 1), static_cast<std::uint8_t>(~p)};
  const KeyColourChunk last = ChunkOfKeyColours(table, kKeyColourChunks - 1);
  EXPECT_EQ(last[0], 144);  // position 144 starts the last chunk
  EXPECT_EQ(last[1], 145);
  EXPECT_EQ(last[kKeyColourChunkBytes - 1], std::uint8_t(~161));

  KeyColourTable copy{};
  for (int chunk = 0; chunk < kKeyColourChunks; ++chunk)
    PutKeyColourChunk(copy, chunk, ChunkOfKeyColours(table, chunk));
  EXPECT_EQ(copy, table);
}
