// Keeps the writes of a dragged control (a slider) to the keyboard apart:
// while the user drags, positions arrive faster than the keyboard takes them.
// The latest position wins, at most one write of a control is under way and
// at most one position waits, and the last position is always written.
//
// Plain state and free functions over it, with the time passed in, so that
// the decisions can be tested without a clock. The panel keeps one record per
// control; when a position is kept, it arms a timer for KeptPositionDue and
// calls TakeKeptPosition when the timer fires (and after WriteFinished).
#pragma once

#include <chrono>
#include <optional>

struct DragCoalescer {
  using TimePoint = std::chrono::steady_clock::time_point;

  std::chrono::milliseconds gap{30};  // least time between the starts of two writes
  std::optional<int> kept;            // the latest position not yet written
  bool writing = false;               // a write of this control is under way
  std::optional<TimePoint> lastWrite; // when the last write began
};

// A new position at `now`. Returns it when it may be written now (the write
// then counts as begun); otherwise keeps it, replacing any position kept
// before, and returns nothing.
std::optional<int> OfferPosition(DragCoalescer& control, int position, DragCoalescer::TimePoint now);

// The write that began last has finished.
void WriteFinished(DragCoalescer& control);

// When the kept position may be written; nothing when none is kept or a write
// is under way (WriteFinished ends that).
std::optional<DragCoalescer::TimePoint> KeptPositionDue(const DragCoalescer& control);

// The kept position when it may be written at `now` (the write then counts
// as begun, and nothing is kept any more); otherwise nothing.
std::optional<int> TakeKeptPosition(DragCoalescer& control, DragCoalescer::TimePoint now);
