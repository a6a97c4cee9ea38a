#pragma once

#include <vector>

#include "observer/extraction_observer.h"

namespace roofplanes {

// Whether (x, y) lies inside the closed ring (its x and y; the last corner joins the
// first), by the even-odd rule. Points on an edge fall to one side consistently, so cells
// that share an edge never both hold a point of it. A ring of fewer than three corners
// holds nothing.
bool ring_contains(const std::vector<Point>& ring, double x, double y);

}  // namespace roofplanes
