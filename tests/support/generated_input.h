#pragma once

// Generated buildings as the library takes them.

#include <cstdint>
#include <vector>

#include "building_generator.h"
#include "pipeline/building_input.h"
#include "points/centre_points.h"
#include "points/mark_roof_points.h"
#include "points/point_cloud.h"

namespace roofplanes::testing {

// The building's records in file order, with the first record of every roof
// position flagged, as the program reads a point file and its roof list.
inline BuildingInput input_of(const building_generator::Building& building) {
  BuildingInput input;
  for (const auto& r : building.records) input.points.push_back({r[0], r[1], r[2]});
  input.roof.assign(input.points.size(), 0);
  std::vector<bool> seen(building.plane_of_position.size(), false);
  std::vector<bool> roof(building.plane_of_position.size(), false);
  for (const int position : building.roof_positions) roof[static_cast<std::size_t>(position)] = true;
  for (std::size_t r = 0; r < building.records.size(); ++r) {
    const auto position = static_cast<std::size_t>(building.position_of_record[r]);
    if (!seen[position] && roof[position]) input.roof[r] = 1;
    seen[position] = true;
  }
  return input;
}

// The true face of every record (-1: none): the face of its position.
inline std::vector<int> true_faces(const building_generator::Building& building) {
  std::vector<int> faces;
  for (const int position : building.position_of_record)
    faces.push_back(building.plane_of_position[static_cast<std::size_t>(position)]);
  return faces;
}

// A generated building of about roof_points roof points as the main loop
// meets it: triangulated, centred and with its roof points marked.
inline PointCloud generated_cloud(building_generator::RoofShape shape, std::size_t roof_points, unsigned seed) {
  const BuildingInput input =
      input_of(building_generator::generate_building(building_generator::options_for_roof_points(shape, roof_points, seed)));
  PointCloud cloud = triangulate_points(input.points);
  centre_points(cloud.triangulation);
  mark_roof_points(input.roof, cloud);
  return cloud;
}

}  // namespace roofplanes::testing
