#pragma once

// Reads roof surfaces back out of CityJSON in real coordinates, to compare a
// written model with the faces it stands for.

#include <cstddef>
#include <vector>

#include <nlohmann/json.hpp>

#include "observer/extraction_observer.h"

namespace roofplanes::testing {

// The real coordinates (vertex · scale + translate) of the outer ring of every
// surface of a city object's faces (its MultiSurface), in document order.
inline std::vector<std::vector<Point>> decoded_rings(const nlohmann::json& object, const nlohmann::json& vertices,
                                                     const nlohmann::json& transform) {
  std::vector<std::vector<Point>> rings;
  nlohmann::json faces = nlohmann::json::array();
  for (const auto& geometry : object["geometry"])
    if (geometry["type"] == "MultiSurface") faces = geometry["boundaries"];
  for (const auto& surface : faces) {
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

}  // namespace roofplanes::testing
