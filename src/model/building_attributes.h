#pragma once

// What a city model user reads off one building: heights, areas, volume, roof
// type and fit. Until a stage builds closed solids, everything here is
// computed from the extraction's roof faces (their planes and corner
// polygons) and the building's points; a later model stage can feed the same
// functions its own faces. Heights are absolute, in the input's z units.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/building_input.h"
#include "pipeline/extraction_result.h"

namespace roofplanes {

// One roof face as the model sees it: its plane n · p + d = 0 (n up) and its
// corner polygon in x, y, counterclockwise from above, each corner lifted onto the plane.
struct RoofFace {
  Point normal;
  double d = 0.0;
  std::vector<Point> corners;
};

// The faces of an extraction, in segment order: every segment with an upward
// plane, its polygon the corner polygon, or where that has fewer than three
// corners or no area, the walked outline (segments with neither are left out).
std::vector<RoofFace> roof_faces(const BuildingInput& input, const Result& result);

// One polygon of a building's given outline (a footprint): its outer ring and
// its holes, x and y of each corner, rings not closed, in either orientation.
struct OutlinePolygon {
  std::vector<Point> outer;
  std::vector<std::vector<Point>> holes;
};

// Area of an outline: its outer rings' areas less their holes'.
double outline_area(const std::vector<OutlinePolygon>& outline);

// The volume between the ground height and the faces over an outline: the
// outline sampled at the centres of square cells (0.25 m, coarser where that
// would take more than a million samples), each sample standing under the
// face whose corner polygon holds it (the highest where several do), else
// under the face whose polygon is nearest in x, y; each sample counts
// cell² × (its face's height − ground). 0 without faces.
double outline_volume(const std::vector<RoofFace>& faces, const std::vector<OutlinePolygon>& outline, double ground);

// Height of a face's plane at x, y.
double face_height(const RoofFace& face, double x, double y);

// The ground under a building: the median height of its ground points
// (source "ground points"), else its lowest point (source "lowest point").
// ground is one flag per input point, or empty (no ground points).
struct GroundHeight {
  double height = 0.0;
  std::string source;
};
GroundHeight ground_height(const BuildingInput& input, const std::vector<std::uint8_t>& ground);

// Heights of the roof points: smallest, median, 70th percentile, largest
// (percentiles by linear interpolation between the sorted heights). None
// without roof points.
struct RoofHeights {
  double min = 0.0, p50 = 0.0, p70 = 0.0, max = 0.0;
};
std::optional<RoofHeights> roof_heights(const BuildingInput& input);

// The shape of the faces over the ground. The footprint is the union of the
// faces' corner polygons in x, y, taken as the sum of their areas (faces do not
// overlap); the volume is the integral of the roof height above ground over
// it: per face, its x, y area times its plane's height above ground at the
// polygon's centroid, which for a plane is exact.
struct RoofShape {
  double eave_height = 0.0;     // lowest corner of any face
  double ridge_height = 0.0;    // highest corner of any face
  double footprint_area = 0.0;  // m², in x, y
  double roof_area = 0.0;       // m², in 3D
  double volume = 0.0;          // m³ between the ground height and the faces
  std::size_t faces = 0;
};
RoofShape roof_shape(const std::vector<RoofFace>& faces, double ground);

// Root mean square vertical distance of the roof points from the faces: each
// roof point against the face whose polygon holds its x, y (the nearest in
// height where several do); points under no face are left out. None when no
// roof point lies under a face.
std::optional<double> model_rmse(const BuildingInput& input, const std::vector<RoofFace>& faces);

// The roof's type from its faces' slopes, count and adjacency, faces under 3 %
// of the roof's area left aside (fragments): "flat" (no face steeper than 7°),
// "shed" (one), "gable" (two adjacent, facing opposite ways), "hip" or
// "pyramid" (four, facing four ways, in two opposite pairs; a pyramid's pairs
// cross at one height, a hip's end faces stop well below their crossing),
// "mansard" (four steep faces facing four ways under
// shallower or flat ones, all above them), else "complex". "none" without faces.
std::string roof_type(const std::vector<RoofFace>& faces);

// Every attribute above for one extracted building; ground as for ground_height.
struct BuildingAttributes {
  GroundHeight ground;
  std::optional<RoofHeights> roof_heights;
  RoofShape shape;
  std::optional<double> rmse;
  std::string roof_type = "none";
  std::size_t roof_points = 0;  // of the input, for the point density over the footprint
};
// With an outline (a footprint), footprint_area and volume are the outline's
// (outline_area, outline_volume) instead of the faces'.
BuildingAttributes building_attributes(const BuildingInput& input, const Result& result,
                                      const std::vector<std::uint8_t>& ground,
                                      const std::vector<OutlinePolygon>& outline = {});

}  // namespace roofplanes
