#pragma once

#include <cstddef>
#include <vector>

#include "pipeline/building_input.h"
#include "points/point_cloud.h"
#include "points/scan_quality.h"

namespace roofplanes {

// A building made ready for the auto method, once for both of its steps
// (auto_parameters estimates from it, extract_roof_planes runs on it): its
// records in canonical order, their triangulation with the roof points
// marked, and the scan quality estimated from them. Built in place, since the
// cloud's vertex handles point into its own triangulation.
// Throws std::invalid_argument when check_input finds a problem.
struct AutoBuilding {
  explicit AutoBuilding(const BuildingInput& input);
  AutoBuilding(const AutoBuilding&) = delete;
  AutoBuilding& operator=(const AutoBuilding&) = delete;

  std::vector<std::size_t> order;  // canonical_order of the input
  BuildingInput canonical;         // the input's records in that order
  PointCloud cloud;                // canonical's records triangulated, roof points marked
  ScanQuality quality;             // estimate_scan_quality of the cloud
};

}  // namespace roofplanes
