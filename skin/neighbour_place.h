// Moving through a window's controls with the arrow keys: from one place of
// the skin's layout to its neighbour in a direction, as the eye sees it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "skin/skin_rect.h"

enum class Direction { kLeft, kRight, kUp, kDown };

// The place among `places` that an arrow in `direction` moves to from
// `places[from]`: of those whose centre lies beyond `from`'s centre in that
// direction, the one nearest along it, where a step sideways counts double
// and a place that shares no row (or, moving up and down, no column) with
// `from` comes only when none does, and only when it lies more that way than
// sideways. Empty places (width or height 0 or less)
// are never chosen; none lies that way: nothing.
std::optional<std::size_t> NeighbourPlace(std::span<const SkinRect> places, std::size_t from, Direction direction);
