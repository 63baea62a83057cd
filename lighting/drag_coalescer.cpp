#include "lighting/drag_coalescer.h"

namespace {

bool MayWrite(const DragCoalescer& control, DragCoalescer::TimePoint now) {
  return !control.writing && (!control.lastWrite || now - *control.lastWrite >= control.gap);
}

int BeginWrite(DragCoalescer& control, int position, DragCoalescer::TimePoint now) {
  control.writing = true;
  control.lastWrite = now;
  control.kept.reset();
  return position;
}

}  // namespace

std::optional<int> OfferPosition(DragCoalescer& control, int position, DragCoalescer::TimePoint now) {
  if (MayWrite(control, now)) return BeginWrite(control, position, now);
  control.kept = position;
  return std::nullopt;
}

void WriteFinished(DragCoalescer& control) { control.writing = false; }

std::optional<DragCoalescer::TimePoint> KeptPositionDue(const DragCoalescer& control) {
  if (!control.kept || control.writing) return std::nullopt;
  if (!control.lastWrite) return DragCoalescer::TimePoint{};
  return *control.lastWrite + control.gap;
}

std::optional<int> TakeKeptPosition(DragCoalescer& control, DragCoalescer::TimePoint now) {
  if (!control.kept || !MayWrite(control, now)) return std::nullopt;
  return BeginWrite(control, *control.kept, now);
}
