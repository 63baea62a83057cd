#include "skin/neighbour_place.h"

#include <cstdlib>
#include <limits>

namespace {

// Centres in half pixels, so that they stay whole numbers.
struct Centre {
  long long x, y;
};
Centre CentreOf(const SkinRect& r) { return {2LL * r.x + r.w, 2LL * r.y + r.h}; }

bool Horizontal(Direction d) { return d == Direction::kLeft || d == Direction::kRight; }

// Whether the two places share a row (moving sideways) or a column.
bool Shares(const SkinRect& a, const SkinRect& b, Direction d) {
  return Horizontal(d) ? a.y < b.bottom() && b.y < a.bottom() : a.x < b.right() && b.x < a.right();
}

}  // namespace

std::optional<std::size_t> NeighbourPlace(std::span<const SkinRect> places, std::size_t from, Direction direction) {
  if (from >= places.size()) return std::nullopt;
  const SkinRect& start = places[from];
  const Centre here = CentreOf(start);
  std::optional<std::size_t> best;
  long long bestScore = std::numeric_limits<long long>::max();
  for (std::size_t i = 0; i < places.size(); ++i) {
    const SkinRect& place = places[i];
    if (i == from || place.w <= 0 || place.h <= 0) continue;
    const Centre there = CentreOf(place);
    const long long along = direction == Direction::kRight  ? there.x - here.x
                       : direction == Direction::kLeft ? here.x - there.x
                       : direction == Direction::kDown ? there.y - here.y
                                                       : here.y - there.y;
    if (along <= 0) continue;
    const long long sideways = Horizontal(direction) ? std::llabs(there.y - here.y) : std::llabs(there.x - here.x);
    // Any place in line beats every place out of line, and a place out of
    // line counts only while it lies more that way than sideways.
    const bool inLine = Shares(start, place, direction);
    if (!inLine && sideways > along) continue;
    constexpr long long kOutOfLine = 1LL << 40;
    const long long score = along + 2 * sideways + (inLine ? 0 : kOutOfLine);
    if (score < bestScore) bestScore = score, best = i;
  }
  return best;
}
