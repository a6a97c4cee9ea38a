#include "points/mark_roof_points.h"

#include <fstream>
#include <iostream>

namespace roofplanes {

void mark_roof_points(std::string file_name, PointTriangulation& triangulation) {
  std::ifstream in(file_name);
  mark_roof_points(in, triangulation);
}

void mark_roof_points(std::istream& in, PointTriangulation& triangulation) {
  // One table in iteration order: stepping through the iteration for every
  // position would be quadratic on a large building.
  VertexList by_position;
  by_position.reserve(triangulation.number_of_vertices());
  for (auto v = triangulation.finite_vertices_begin(); v != triangulation.finite_vertices_end(); ++v)
    by_position.push_back(v);

  int k;
  while (in >> k) {
    const long long position = k < 0 ? 0 : k;
    if (position >= static_cast<long long>(by_position.size())) {
      std::cerr << "mark_roof_points: no vertex at position " << k << ", skipped\n";
      continue;
    }
    by_position[static_cast<std::size_t>(position)]->info().set_is_roof(true);
  }
}

}  // namespace roofplanes
