#pragma once

// Buildings as CityJSON 2.0: one Building per extracted building, its model a
// Solid of lod "2.2" (RoofSurface, WallSurface and GroundSurface) and its
// LoD1.2 block a second Solid of lod "1.2"; the extraction's roof faces as a
// level-of-detail 2 MultiSurface of RoofSurfaces where there is no solid, or
// when asked for (kept where there is no solid). A file is either one
// document (one or many buildings) or a text sequence (.city.jsonl: a header
// line, then one CityJSONFeature per building and line). Output is
// deterministic: the same input gives the same bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "model/building_model.h"
#include "pipeline/building_input.h"
#include "pipeline/extraction_result.h"

namespace roofplanes {

// The integer grid of one file: a vertex v stands for the point
// v · scale + translate (componentwise). Every building of a file shares it.
struct CityJsonTransform {
  Point scale{0.001, 0.001, 0.001};
  Point translate;
};

// What a file says about itself.
struct CityJsonOptions {
  // EPSG code of the coordinates, written as metadata.referenceSystem
  // "https://www.opengis.net/def/crs/EPSG/0/<code>"; none when empty.
  std::optional<int> epsg;
  // metadata.geographicalExtent [minx, miny, minz, maxx, maxy, maxz] of a
  // sequence header written on its own; the whole-file writers take the
  // extent of the buildings' vertices instead.
  std::optional<std::array<double, 6>> extent;
};

// A building attribute's value: a count, a measure or a word.
using CityJsonValue = std::variant<std::int64_t, double, std::string>;

// One roof face as written: its ring and the attributes of its semantic surface.
struct CityJsonRoofSurface {
  std::vector<std::size_t> ring;  // positions in CityJsonBuilding::vertices, counterclockwise from above, not closed
  int segment = 0;                // Segment::number
  std::size_t points = 0;         // the segment's point count
  double slope = 0.0;             // degrees from horizontal
  double aspect = 0.0;            // degrees clockwise from +y of the downslope direction; 0 for a flat face
  double area = 0.0;              // of the face in 3D, square input units
  double rmse = 0.0;              // Segment::rms
  std::array<double, 4> plane{};  // nx, ny, nz, d of n · p + d = 0
};

// One polygon of a solid as written: its rings (outer counterclockwise seen
// from outside, then holes), positions in CityJsonBuilding::vertices, not
// closed; a roof's attributes (its ring member unused) where it is a face's.
struct CityJsonSolidSurface {
  SurfaceKind kind = SurfaceKind::roof;
  std::vector<std::vector<std::size_t>> rings;
  std::optional<CityJsonRoofSurface> roof;
};

// One closed shell, written as a Solid of level of detail lod.
struct CityJsonSolid {
  std::string lod;
  std::vector<CityJsonSolidSurface> surfaces;
};

// One Building city object with its own vertex list, already on a file's grid.
// Its geometries are written in this order: solids, then the faces as a
// MultiSurface when write_faces is set and there are any.
struct CityJsonBuilding {
  std::string id;
  std::vector<std::array<std::int64_t, 3>> vertices;  // grid coordinates, each distinct triple once
  std::vector<CityJsonSolid> solids;                 // the LoD2.2 solid, then the LoD1.2 block; either may be missing
  std::vector<CityJsonRoofSurface> surfaces;         // in segment order
  bool write_faces = true;                            // the faces' MultiSurface
  // Attributes of the city object.
  std::size_t points = 0;       // input records
  std::size_t roof_points = 0;  // records flagged as roof
  std::size_t segments = 0;     // segments the extraction found, left-out ones included
  // Further attributes, written after those above in this order.
  std::vector<std::pair<std::string, CityJsonValue>> attributes;
  // The extraction's constants by name, written as the object "parameters"
  // among the attributes when there are any.
  std::vector<std::pair<std::string, CityJsonValue>> parameters;
  // Segments not written: fewer than three distinct corners on the grid, no
  // area there, or a plane that gives no height (n.z not positive).
  std::size_t left_out = 0;
};

// The grid for a file holding these points: scale 1 mm, translate the
// smallest x, y and z (0, 0, 0 without points).
CityJsonTransform cityjson_transform(const std::vector<Point>& points);

// The city object for one extracted building on transform's grid. Each
// segment's corner polygon is lifted onto the segment's plane at the corners'
// x and y, rounded to the grid, freed of consecutive repeats and turned
// counterclockwise seen from above. Throws std::invalid_argument when a corner
// or point index names no input record.
CityJsonBuilding cityjson_building(const std::string& id, const BuildingInput& input, const Result& result,
                                   const CityJsonTransform& transform);

// Adds a building model's shells, built on grid, to a city object made by
// cityjson_building from the same extraction: the LoD2.2 solid when it has surfaces, its roof
// polygons carrying the attributes of their segments (area: the polygon's, in
// 3D), then the LoD1.2 block when there is one. The faces' MultiSurface stays
// only where there is no LoD2.2 solid, or with keep_faces; vertices no
// geometry written uses are dropped, and left_out counts only with faces
// written. Throws std::invalid_argument when the model has shells and its grid is not
// transform (its vertices would not mean what the file says) or a ring names
// no vertex of its shell.
void add_cityjson_model(CityJsonBuilding& building, const BuildingModel& model, const ModelGrid& grid,
                        const Result& result, const CityJsonTransform& transform, bool keep_faces = false);

// The grid a model must be built on to be written into a file of transform.
ModelGrid model_grid(const CityJsonTransform& transform);

// [minx, miny, minz, maxx, maxy, maxz] of the buildings' vertices in input
// units; none when they have no vertex.
std::optional<std::array<double, 6>> cityjson_extent(const std::vector<CityJsonBuilding>& buildings,
                                                     const CityJsonTransform& transform);

// One CityJSON document holding the buildings in order; their vertex lists are
// concatenated and their rings renumbered accordingly. Ends with a line end.
// Throws std::invalid_argument when two buildings share an id.
void write_cityjson(std::ostream& out, const std::vector<CityJsonBuilding>& buildings,
                    const CityJsonTransform& transform, const CityJsonOptions& options = {});
void write_cityjson_file(const std::filesystem::path& file, const std::vector<CityJsonBuilding>& buildings,
                         const CityJsonTransform& transform, const CityJsonOptions& options = {});

// One extracted building as a document with the single city object "b1" on the
// grid of cityjson_transform(input.points). Returns how many segments were left
// out. The file version throws std::runtime_error("<file>: <what failed>").
std::size_t write_building_cityjson(std::ostream& out, const BuildingInput& input, const Result& result,
                                    const CityJsonOptions& options = {});
std::size_t write_building_cityjson_file(const std::filesystem::path& file, const BuildingInput& input,
                                         const Result& result, const CityJsonOptions& options = {});

// The text sequence, line by line so that a caller can stream it: the header
// line (a CityJSON object with the transform, the metadata and no objects),
// then one CityJSONFeature line per building whose vertices are its own, on
// the header's grid.
void write_cityjson_sequence_header(std::ostream& out, const CityJsonTransform& transform,
                                    const CityJsonOptions& options = {});
void write_cityjson_feature(std::ostream& out, const CityJsonBuilding& building);

// The whole text sequence at once.
void write_cityjson_sequence(std::ostream& out, const std::vector<CityJsonBuilding>& buildings,
                             const CityJsonTransform& transform, const CityJsonOptions& options = {});
void write_cityjson_sequence_file(const std::filesystem::path& file, const std::vector<CityJsonBuilding>& buildings,
                                  const CityJsonTransform& transform, const CityJsonOptions& options = {});

}  // namespace roofplanes
