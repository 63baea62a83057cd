#include "lighting/drag_coalescer.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const DragCoalescer::TimePoint kStart{std::chrono::seconds(100)};

}  // namespace

TEST(DragCoalescer, ADragWritesTheFirstAndTheLastPosition) {
  DragCoalescer slider;
  slider.gap = 30ms;
  // A write goes out at once and finishes quickly.
  EXPECT_EQ(OfferPosition(slider, 1, kStart), 1);
  WriteFinished(slider);
  // Positions within the gap are kept, the latest replacing the others.
  for (int position = 2; position <= 9; ++position)
    EXPECT_EQ(OfferPosition(slider, position, kStart + std::chrono::milliseconds(position)), std::nullopt);
  EXPECT_EQ(slider.kept, 9);
  EXPECT_EQ(KeptPositionDue(slider), kStart + 30ms);
  EXPECT_EQ(TakeKeptPosition(slider, kStart + 29ms), std::nullopt);
  EXPECT_EQ(TakeKeptPosition(slider, kStart + 30ms), 9);
  WriteFinished(slider);
  // Nothing more is kept: the drag ended where it was last written.
  EXPECT_EQ(KeptPositionDue(slider), std::nullopt);
  EXPECT_EQ(TakeKeptPosition(slider, kStart + 1s), std::nullopt);
  // After the gap a new position goes out at once.
  EXPECT_EQ(OfferPosition(slider, 4, kStart + 61ms), 4);
}

TEST(DragCoalescer, OneWriteAtATime) {
  DragCoalescer slider;
  slider.gap = 30ms;
  EXPECT_EQ(OfferPosition(slider, 1, kStart), 1);
  // The write takes longer than the gap: positions wait for it.
  EXPECT_EQ(OfferPosition(slider, 2, kStart + 50ms), std::nullopt);
  EXPECT_EQ(OfferPosition(slider, 3, kStart + 60ms), std::nullopt);
  EXPECT_EQ(KeptPositionDue(slider), std::nullopt);
  EXPECT_EQ(TakeKeptPosition(slider, kStart + 70ms), std::nullopt);
  WriteFinished(slider);
  EXPECT_EQ(TakeKeptPosition(slider, kStart + 80ms), 3);
  EXPECT_EQ(slider.kept, std::nullopt);
}

TEST(DragCoalescer, ZeroGapWritesEveryPositionWhenIdle) {
  DragCoalescer slider;
  slider.gap = 0ms;
  for (int position = 0; position < 5; ++position) {
    EXPECT_EQ(OfferPosition(slider, position, kStart), position);
    WriteFinished(slider);
  }
}
