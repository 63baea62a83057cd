#include "lighting_interface/key_colour_coalescer.h"

bool KeyColourCoalescer::Offer(const KeyColourTable& newest, Chunks changed) {
  std::lock_guard guard(mutex_);
  newest_ = newest;
  changed_ |= changed;
  if (underWay_ || changed_.none()) return false;
  underWay_ = true;
  return true;
}

LightingWrites KeyColourCoalescer::TakeBatch() {
  std::lock_guard guard(mutex_);
  LightingWrites writes;
  for (int chunk = 0; chunk < kKeyColourChunks; ++chunk) {
    if (!changed_[chunk]) continue;
    const KeyColourChunk bytes = ChunkOfKeyColours(newest_, chunk);
    writes.push_back({LightingArea::kKeyColours, static_cast<std::uint16_t>(chunk * kKeyColourChunkPositions),
                      {bytes.begin(), bytes.end()}});
  }
  inBatch_ = changed_;
  changed_.reset();
  return writes;
}

bool KeyColourCoalescer::BatchEnded(bool written) {
  std::lock_guard guard(mutex_);
  if (!written) {
    // The keyboard may hold any of them: sent again with the next batch,
    // which the next offer starts (a keyboard that has gone is not pressed).
    changed_ |= inBatch_;
    inBatch_.reset();
    underWay_ = false;
    return false;
  }
  inBatch_.reset();
  underWay_ = changed_.any();
  return underWay_;
}

bool KeyColourCoalescer::UnderWay() const {
  std::lock_guard guard(mutex_);
  return underWay_;
}

KeyColourCoalescer::Chunks ChangedChunks(const KeyColourTable& before, const KeyColourTable& after) {
  KeyColourCoalescer::Chunks chunks;
  for (int position = 0; position < kKeyColourPositions; ++position)
    if (before[position] != after[position]) chunks.set(position / kKeyColourChunkPositions);
  return chunks;
}
