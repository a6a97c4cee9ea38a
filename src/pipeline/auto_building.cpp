#include "pipeline/auto_building.h"

#include <stdexcept>
#include <string>

#include "points/mark_roof_points.h"

namespace roofplanes {

namespace {

const BuildingInput& checked(const BuildingInput& input) {
  if (const std::string problem = check_input(input); !problem.empty()) throw std::invalid_argument(problem);
  return input;
}

}  // namespace

AutoBuilding::AutoBuilding(const BuildingInput& input)
    : order(canonical_order(checked(input))),
      canonical(reordered(input, order)),
      cloud(triangulate_points(canonical.points)) {
  mark_roof_points(canonical.roof, cloud);
  quality = estimate_scan_quality(cloud.triangulation);
}

}  // namespace roofplanes
