#pragma once

// One building as a closed LoD2.2 solid: the outline, the roof partition
// (one region per roof face, neighbours sharing their edges), roofs lifted
// onto their planes, walls down to the ground and between faces at height
// steps, and a ground surface; beside it an LoD1.2 block. Opens no file and
// writes nothing: the writers and both commands take its result.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/building_attributes.h"
#include "pipeline/building_input.h"
#include "pipeline/extraction_result.h"

namespace roofplanes {

// The integer grid vertices are snapped to: a vertex v stands for
// v · scale + translate (componentwise). Snapping happens before the shell is
// assembled, so two surfaces that meet share a vertex on the grid exactly.
struct ModelGrid {
  Point scale{0.001, 0.001, 0.001};
  Point translate;
};

enum class SurfaceKind { roof, wall, ground };

// One polygon of a shell: its outer ring, then its holes, each a list of
// positions in the shell's vertices, not closed. Rings run counterclockwise
// seen from outside the solid (holes clockwise), so the normal points out.
struct ShellSurface {
  SurfaceKind kind = SurfaceKind::roof;
  int segment = 0;  // a roof's Segment::number; 0 for walls and ground
  std::vector<std::vector<std::size_t>> rings;
};

// A closed shell on a grid: each distinct vertex once.
struct Shell {
  std::vector<std::array<std::int64_t, 3>> vertices;
  std::vector<ShellSurface> surfaces;
};

// One region of the roof partition in x, y: the face it belongs to and its
// rings (outer counterclockwise from above, then holes clockwise), positions
// in RoofPartition::vertices.
struct PartitionRegion {
  int segment = 0;  // Segment::number
  std::vector<std::vector<std::size_t>> rings;
};

// The outline cut into one or more regions per roof face, without gaps or
// overlaps; neighbouring regions name the same vertices along their common
// edge. Vertices carry x and y only (z = 0).
struct RoofPartition {
  std::vector<Point> vertices;
  std::vector<PartitionRegion> regions;
};

// Where the ground height came from.
enum class GroundSource { given, ground_points, non_roof_points, assumed };

// Words for the attributes and messages: "given", "ground points",
// "non-roof points", "assumed".
const char* ground_source_name(GroundSource source);

struct ModelOptions {
  ModelGrid grid;
  // The building's footprint; empty: the outline is derived from the roof points.
  std::vector<OutlinePolygon> footprint;
  // Overrides every other source of the ground height.
  std::optional<double> ground_height;
  // One flag per input point (the ground class of a LAS file), or empty.
  std::vector<std::uint8_t> ground;
};

struct BuildingModel {
  std::vector<OutlinePolygon> outline;  // the footprint given, or the one derived, rings not closed
  RoofPartition partition;
  Shell lod22;  // the LoD2.2 solid: no surfaces when none could be made valid
  Shell lod12;  // the outline extruded from the ground to lod12_height
  double ground_height = 0.0;
  GroundSource ground_source = GroundSource::assumed;
  double lod12_height = 0.0;    // 70th percentile of the roof points' heights
  std::optional<double> rmse;   // vertical rms of the roof points against the solid's roofs
  std::string problem;          // why lod22 is empty; empty when it was made
  // Segment numbers of the faces the solid was made without, smallest first:
  // with them it was not valid. Empty when lod22 is empty.
  std::vector<int> left_out_faces;
  // No face of the extraction could be placed (none found, or none with a
  // plane and points inside the outline): nothing to model, which is no
  // fault; problem says so all the same.
  bool faceless = false;
};

// Builds the model of one extracted building. Never throws for a building it
// cannot model: problem then says why and lod22 is empty (lod12 is still made
// when there is an outline).
BuildingModel building_model(const BuildingInput& input, const Result& result, const ModelOptions& options);

}  // namespace roofplanes
