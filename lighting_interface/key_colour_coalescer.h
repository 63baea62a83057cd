// Key colours from other programs on their way to the keyboard: newest wins.
//
// A program may send colour frames far faster than the keyboard takes them.
// The coalescer keeps only the newest colour table and which of its chunks
// (18 key positions, one command frame each) changed since the last batch;
// one batch at a time goes to the keyboard, in one configuration bracket,
// with only the changed chunks. Whatever arrives meanwhile joins the next
// batch, so nothing ever queues up and the keyboard shows the newest colours
// as fast as it answers.
//
// The owner offers colours; the transfer thread takes and ends batches. A
// class for its lock.
#pragma once

#include <bitset>
#include <mutex>

#include "lighting/key_colours.h"
#include "lighting/lighting_changes.h"

class KeyColourCoalescer {
 public:
  using Chunks = std::bitset<kKeyColourChunks>;

  // The newest table, of which `changed` chunks differ from the one before.
  // True when no batch is under way: the caller starts one (a job that takes
  // it on the transfer thread); otherwise the batch under way sees to it.
  bool Offer(const KeyColourTable& newest, Chunks changed);

  // The writes of the changed chunks of the newest table (nothing when none
  // changed); they count as sent from now on.
  LightingWrites TakeBatch();
  // The batch taken last has ended. True when more changed meanwhile and the
  // keyboard took the batch: the caller starts the next one. After a failed
  // batch its chunks count as changed again, and the next Offer starts one.
  bool BatchEnded(bool written);

  // Whether a batch is under way (tests).
  bool UnderWay() const;

 private:
  mutable std::mutex mutex_;
  KeyColourTable newest_{};
  Chunks changed_;
  Chunks inBatch_;
  bool underWay_ = false;
};

// The chunks in which two tables differ.
KeyColourCoalescer::Chunks ChangedChunks(const KeyColourTable& before, const KeyColourTable& after);
