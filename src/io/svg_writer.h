#pragma once

// A top view of extracted roof faces as SVG, for a quick look in a browser:
// grey dots for the points no face took, each face's points in its own
// colour, its corner polygon outlined and numbered, a scale bar and a north
// arrow. y points up, as on a map.

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

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
};

// How large the view is and how many grey dots it may hold.
struct TopViewOptions {
  double size = 1000.0;  // pixels on the longer side of the drawing
  double margin = 40.0;  // pixels around it, holding the scale bar and north arrow
  // Grey dots are thinned to every k-th point, k as small as keeps them at or below this.
  std::size_t max_background_points = 20000;
};

// Draws background as grey dots (thinned), then for every building each
// segment's points in the colour of its number (twelve colours, cycled), its
// corner polygon and its number at the polygon's centroid. The view is fitted
// to all points given. Segment outlines and coloured points are never thinned.
// Throws std::invalid_argument when a point or corner index names no record.
void write_svg_top_view(std::ostream& out, const std::vector<Point>& background,
                        const std::vector<TopViewBuilding>& buildings, const TopViewOptions& options = {});

// One extracted building; its records with label 0 are the background.
// Throws std::invalid_argument unless result.labels has one label per record.
void write_svg_top_view(std::ostream& out, const BuildingInput& input, const Result& result,
                        const TopViewOptions& options = {});

// The same into a file; throw std::runtime_error("<file>: <what failed>").
void write_svg_top_view_file(const std::filesystem::path& file, const std::vector<Point>& background,
                             const std::vector<TopViewBuilding>& buildings, const TopViewOptions& options = {});
void write_svg_top_view_file(const std::filesystem::path& file, const BuildingInput& input, const Result& result,
                             const TopViewOptions& options = {});

}  // namespace roofplanes
