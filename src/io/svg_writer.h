#pragma once

// A top view of extracted roof faces as SVG, for a quick look in a browser:
// grey dots for the points no face took, each face's points in its own
// colour, a building's roof partition (each region filled in its face's
// colour, every edge drawn once, the face's number inside its region) or,
// for a building without one, each face's corner polygon outlined and
// numbered; a scale bar and a north arrow. y points up, as on a map.

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "model/building_model.h"
#include "pipeline/building_input.h"
#include "pipeline/extraction_result.h"

namespace roofplanes {

// One building of a view: its records and what the extraction found in them.
// Neither may be null; both must outlive the call that draws them.
struct TopViewBuilding {
  const BuildingInput* input = nullptr;
  const Result* result = nullptr;
  // Added to every segment number shown, so that a tile's numbers run on across its buildings.
  int first_segment = 0;
  std::string id;  // data-building of its shapes; empty: its 1-based place in the view
  // Its model's roof partition; null or without regions: its corner polygons are drawn instead.
  const RoofPartition* partition = nullptr;
};

// How large the view is and how many grey dots it may hold.
struct TopViewOptions {
  double size = 1000.0;  // pixels on the longer side of the drawing
  double margin = 40.0;  // pixels around it, holding the scale bar and north arrow
  // Grey dots are thinned to every k-th point, k as small as keeps them at or below this.
  std::size_t max_background_points = 20000;
};

// Draws background as grey dots (thinned), then for every building each
// segment's points in the colour of its number (twelve colours, cycled). A
// building with a partition gets its regions filled in their faces' colours
// under the dots, each edge of the partition once (an edge two regions share
// is one line) and each region's face number at a point inside the region
// (also for L-shaped and holed ones); one without gets each segment's corner
// polygon and its number at the polygon's centroid. The view is fitted to all
// points and partition vertices given. Segment outlines and coloured points
// are never thinned. Throws std::invalid_argument when a point or corner
// index names no record, or a partition ring no vertex.
void write_svg_top_view(std::ostream& out, const std::vector<Point>& background,
                        const std::vector<TopViewBuilding>& buildings, const TopViewOptions& options = {});

// One extracted building; its records with label 0 are the background.
// Throws std::invalid_argument unless result.labels has one label per record.
// partition, when given, is the building's.
void write_svg_top_view(std::ostream& out, const BuildingInput& input, const Result& result,
                        const TopViewOptions& options = {}, const RoofPartition* partition = nullptr);

// The same into a file; throw std::runtime_error("<file>: <what failed>").
void write_svg_top_view_file(const std::filesystem::path& file, const std::vector<Point>& background,
                             const std::vector<TopViewBuilding>& buildings, const TopViewOptions& options = {});
void write_svg_top_view_file(const std::filesystem::path& file, const BuildingInput& input, const Result& result,
                             const TopViewOptions& options = {}, const RoofPartition* partition = nullptr);

// A point strictly inside a region of a partition (rings: outer, then holes;
// positions in vertices): the middle of the widest span that a horizontal
// line halfway between two consecutive vertex heights cuts out of the
// region. The mean of its outer ring's vertices when it has no span.
Point point_inside_region(const std::vector<Point>& vertices, const std::vector<std::vector<std::size_t>>& rings);

}  // namespace roofplanes
