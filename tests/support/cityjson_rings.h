#pragma once

// Reads roof surfaces back out of CityJSON: the rings in real coordinates and
// their areas, to compare a written model with the faces it stands for.

#include <cmath>
#include <cstddef>
#include <vector>

#include <nlohmann/json.hpp>

#include "observer/extraction_observer.h"

namespace roofplanes::testing {

// The real coordinates (vertex · scale + translate) of the outer ring of every
// surface of a city object's first geometry, in document order.
inline std::vector<std::vector<Point>> decoded_rings(const nlohmann::json& object, const nlohmann::json& vertices,
                                                     const nlohmann::json& transform) {
  std::vector<std::vector<Point>> rings;
  for (const auto& surface : object["geometry"][0]["boundaries"]) {
    rings.emplace_back();
    for (const auto& v : surface[0]) {
      const auto& g = vertices.at(v.get<std::size_t>());
      auto real = [&](int k) {
        return g[k].get<double>() * transform["scale"][k].get<double>() +
               transform["translate"][k].get<double>();
      };
      rings.back().push_back({real(0), real(1), real(2)});
    }
  }
  return rings;
}

// Area of a flat ring in 3D (half the length of Newell's vector), taken
// relative to its first vertex so that projected coordinates do not cancel.
inline double ring_area(const std::vector<Point>& ring) {
  double nx = 0.0, ny = 0.0, nz = 0.0;
  for (std::size_t i = 1; i + 1 < ring.size(); ++i) {
    const Point& o = ring[0];
    const double ax = ring[i].x - o.x, ay = ring[i].y - o.y, az = ring[i].z - o.z;
    const double bx = ring[i + 1].x - o.x, by = ring[i + 1].y - o.y, bz = ring[i + 1].z - o.z;
    nx += ay * bz - az * by;
    ny += az * bx - ax * bz;
    nz += ax * by - ay * bx;
  }
  return 0.5 * std::hypot(nx, ny, nz);
}

}  // namespace roofplanes::testing
