#pragma once

// Closed shells on a grid: the LoD2.2 solid lifted from a roof partition and
// the LoD1.2 block of an outline.

#include <string>
#include <vector>

#include "model/building_attributes.h"
#include "model/building_model.h"
#include "model/roof_partition.h"

namespace roofplanes {

// The LoD2.2 shell of a partition (local x, y; the grid's translate is the
// local origin in x and y): each region lifted onto its face's plane, a wall
// along every partition edge where the two sides' heights differ on the grid
// (an edge whose sides swap heights along it is first cut where they cross),
// faces whose planes pass within a grid step of each other at a corner
// sharing one height there,
// walls from the outline's roofs down to ground, and the ground surface
// under the outline. Vertices are snapped to the grid before the shell is
// assembled, so surfaces meeting there share them. Returns the shell, or
// sets problem (a region without a plane, a roof below the ground, an
// outline in several pieces) and returns an empty shell.
Shell lod22_shell(const RoofPartition& partition, const std::vector<FacePlane>& planes, double ground,
                  const ModelGrid& grid, std::string& problem);

// The outline extruded from ground to top: a roof and a ground polygon per
// outline polygon, holes included, and a wall per outline edge. Empty when
// top is not above the ground on the grid or the outline has no ring.
Shell lod12_shell(const std::vector<OutlinePolygon>& outline, double ground, double top, const ModelGrid& grid);

}  // namespace roofplanes
