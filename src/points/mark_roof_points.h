#pragma once

#include <istream>
#include <string>

#include "points/point_triangulation.h"

namespace roofplanes {

// Sets is_roof on the vertices named by a list of 0-based positions in the
// vertex iteration order (positions among distinct (x, y), not record numbers).
// A negative position names the first vertex. A position with no vertex is
// skipped with a one-line message on standard error. Reading stops at the
// first token that is not an integer; a missing file marks nothing.
void mark_roof_points(std::string file_name, PointTriangulation& triangulation);
void mark_roof_points(std::istream& in, PointTriangulation& triangulation);

}  // namespace roofplanes
