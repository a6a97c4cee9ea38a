#pragma once

#include <istream>
#include <string>

#include "points/point_triangulation.h"

namespace roofplanes {

// Reads white-space separated (x, y, z) records and inserts them one at a time,
// in file order, so the vertex iteration follows the first appearance of each
// (x, y). A repeated (x, y) keeps the earlier point but takes a fresh label
// with the later record number. Reading stops at the first token that is not a
// number; a missing file gives an empty triangulation. Writes nothing.
PointTriangulation read_point_cloud(std::string file_name);
PointTriangulation read_point_cloud(std::istream& in);

}  // namespace roofplanes
