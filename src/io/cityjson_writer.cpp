#include "io/cityjson_writer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <stdexcept>
#include <variant>

#include "io/output_file.h"
#include "model/shell_measures.h"

namespace roofplanes {
namespace {

// Insertion-ordered, so members appear as written here: type first, as readers expect.
using Json = nlohmann::ordered_json;
using GridVertex = std::array<std::int64_t, 3>;

constexpr double degrees_per_radian = 180.0 / 3.14159265358979323846;
// Beyond this a grid coordinate would no longer be an exact double.
constexpr double largest_grid_value = 9.0e15;

std::optional<std::int64_t> grid_value(double value, double translate, double scale) {
  const double steps = std::round((value - translate) / scale);
  if (!std::isfinite(steps) || std::fabs(steps) > largest_grid_value) return std::nullopt;
  return static_cast<std::int64_t>(steps);
}

std::optional<GridVertex> to_grid(const Point& p, const CityJsonTransform& transform) {
  const auto x = grid_value(p.x, transform.translate.x, transform.scale.x);
  const auto y = grid_value(p.y, transform.translate.y, transform.scale.y);
  const auto z = grid_value(p.z, transform.translate.z, transform.scale.z);
  if (!x || !y || !z) return std::nullopt;
  return GridVertex{*x, *y, *z};
}

// Twice the signed xy area, relative to the first corner so that large
// projected coordinates do not cancel away the result.
template <class Corner, class X, class Y>
double twice_signed_area(const std::vector<Corner>& ring, X x, Y y) {
  double sum = 0.0;
  for (std::size_t i = 1; i + 1 < ring.size(); ++i) {
    const double ax = x(ring[i]) - x(ring[0]), ay = y(ring[i]) - y(ring[0]);
    const double bx = x(ring[i + 1]) - x(ring[0]), by = y(ring[i + 1]) - y(ring[0]);
    sum += ax * by - bx * ay;
  }
  return sum;
}

// Slope in degrees from horizontal and aspect in degrees clockwise from +y of
// the downslope direction, which for an upward normal is its horizontal part.
// A face with no horizontal part has no downslope direction; it gets aspect 0.
void slope_and_aspect(const Point& n, double& slope, double& aspect) {
  const double horizontal = std::hypot(n.x, n.y);
  slope = std::atan2(horizontal, n.z) * degrees_per_radian;
  aspect = 0.0;
  if (horizontal == 0.0) return;
  aspect = std::atan2(n.x, n.y) * degrees_per_radian;
  if (aspect < 0.0) aspect += 360.0;
  if (aspect >= 360.0 || aspect == 0.0) aspect = 0.0;  // -0 and the wrap of tiny negatives
}

struct Corner {
  Point lifted;  // input coordinates, z on the plane
  GridVertex grid;
};

// The face of one segment, or nothing when it is left out.
std::optional<std::vector<Corner>> face_ring(const BuildingInput& input, const Segment& segment,
                                             const CityJsonTransform& transform) {
  const Point& n = segment.normal;
  if (!(n.z > 0.0)) return std::nullopt;
  std::vector<Corner> ring;
  for (std::size_t index : segment.corners) {
    if (index >= input.points.size())
      throw std::invalid_argument("segment " + std::to_string(segment.number) + ": corner " + std::to_string(index) +
                                  " names no input point");
    Point p = input.points[index];
    p.z = -(n.x * p.x + n.y * p.y + segment.d) / n.z;
    const auto grid = to_grid(p, transform);
    if (!grid) return std::nullopt;
    if (ring.empty() || ring.back().grid != *grid) ring.push_back({p, *grid});
  }
  while (ring.size() > 1 && ring.back().grid == ring.front().grid) ring.pop_back();

  std::vector<GridVertex> distinct;
  for (const Corner& c : ring) distinct.push_back(c.grid);
  std::sort(distinct.begin(), distinct.end());
  if (std::unique(distinct.begin(), distinct.end()) - distinct.begin() < 3) return std::nullopt;

  const double grid_area = twice_signed_area(
      ring, [](const Corner& c) { return double(c.grid[0]); }, [](const Corner& c) { return double(c.grid[1]); });
  if (grid_area == 0.0) return std::nullopt;
  if (grid_area < 0.0) std::reverse(ring.begin(), ring.end());
  return ring;
}

Json surface_json(const CityJsonRoofSurface& s) {
  return Json{{"type", "RoofSurface"}, {"segment", s.segment}, {"points", s.points}, {"slope", s.slope},
              {"aspect", s.aspect},    {"area", s.area},       {"rmse", s.rmse},     {"plane", s.plane}};
}

// A roof's semantic object: its type, then its face's attributes where it has them.
Json roof_semantics(const std::optional<CityJsonRoofSurface>& roof) {
  return roof ? surface_json(*roof) : Json{{"type", "RoofSurface"}};
}

// One Solid with its semantics: every roof polygon its own semantic object
// (it carries its face's attributes), one WallSurface and one GroundSurface
// object named by every wall and ground polygon.
Json solid_json(const CityJsonSolid& solid, std::size_t first_vertex) {
  Json shell = Json::array(), surfaces = Json::array(), values = Json::array();
  std::optional<std::size_t> wall, ground;
  for (const CityJsonSolidSurface& surface : solid.surfaces) {
    Json polygon = Json::array();
    for (const auto& ring : surface.rings) {
      Json positions = Json::array();
      for (std::size_t v : ring) positions.push_back(first_vertex + v);
      polygon.push_back(std::move(positions));
    }
    shell.push_back(std::move(polygon));
    std::optional<std::size_t>* shared = surface.kind == SurfaceKind::wall     ? &wall
                                         : surface.kind == SurfaceKind::ground ? &ground
                                                                               : nullptr;
    if (shared && *shared) {
      values.push_back(**shared);
      continue;
    }
    values.push_back(surfaces.size());
    if (shared) *shared = surfaces.size();
    surfaces.push_back(surface.kind == SurfaceKind::wall     ? Json{{"type", "WallSurface"}}
                       : surface.kind == SurfaceKind::ground ? Json{{"type", "GroundSurface"}}
                                                             : roof_semantics(surface.roof));
  }
  return Json{{"type", "Solid"},
              {"lod", solid.lod},
              {"boundaries", Json::array({shell})},
              {"semantics", {{"surfaces", surfaces}, {"values", Json::array({values})}}}};
}

// The faces' MultiSurface, one RoofSurface per face.
Json faces_json(const CityJsonBuilding& b, std::size_t first_vertex) {
  Json boundaries = Json::array(), surfaces = Json::array(), values = Json::array();
  for (std::size_t i = 0; i < b.surfaces.size(); ++i) {
    Json ring = Json::array();
    for (std::size_t v : b.surfaces[i].ring) ring.push_back(first_vertex + v);
    boundaries.push_back(Json::array({ring}));
    surfaces.push_back(surface_json(b.surfaces[i]));
    values.push_back(i);
  }
  return Json{{"type", "MultiSurface"},
              {"lod", "2"},
              {"boundaries", boundaries},
              {"semantics", {{"surfaces", surfaces}, {"values", values}}}};
}

// The city object, its rings numbered from first_vertex on.
Json building_json(const CityJsonBuilding& b, std::size_t first_vertex) {
  Json attributes{{"points", b.points}, {"roof_points", b.roof_points}, {"segments", b.segments}};
  for (const auto& [name, value] : b.attributes)
    std::visit([&attributes, &name](const auto& v) { attributes[name] = v; }, value);
  if (!b.parameters.empty()) {
    Json parameters = Json::object();
    for (const auto& [name, value] : b.parameters)
      std::visit([&parameters, &name](const auto& v) { parameters[name] = v; }, value);
    attributes["parameters"] = std::move(parameters);
  }
  Json object{{"type", "Building"}, {"attributes", std::move(attributes)}};
  Json geometry = Json::array();
  for (const CityJsonSolid& solid : b.solids)
    if (!solid.surfaces.empty()) geometry.push_back(solid_json(solid, first_vertex));
  // A MultiSurface needs at least one surface.
  if (b.write_faces && !b.surfaces.empty()) geometry.push_back(faces_json(b, first_vertex));
  if (!geometry.empty()) object["geometry"] = std::move(geometry);
  return object;
}

// The members every CityJSON document and sequence header starts with.
Json document_head(const CityJsonTransform& transform, const CityJsonOptions& options) {
  Json head{{"type", "CityJSON"},
            {"version", "2.0"},
            {"transform",
             {{"scale", {transform.scale.x, transform.scale.y, transform.scale.z}},
              {"translate", {transform.translate.x, transform.translate.y, transform.translate.z}}}}};
  Json metadata = Json::object();
  if (options.extent) metadata["geographicalExtent"] = *options.extent;
  if (options.epsg) metadata["referenceSystem"] = "https://www.opengis.net/def/crs/EPSG/0/" + std::to_string(*options.epsg);
  if (!metadata.empty()) head["metadata"] = std::move(metadata);
  return head;
}

}  // namespace

CityJsonTransform cityjson_transform(const std::vector<Point>& points) {
  CityJsonTransform transform;
  if (points.empty()) return transform;
  transform.translate = points.front();
  for (const Point& p : points) {
    transform.translate.x = std::min(transform.translate.x, p.x);
    transform.translate.y = std::min(transform.translate.y, p.y);
    transform.translate.z = std::min(transform.translate.z, p.z);
  }
  return transform;
}

CityJsonBuilding cityjson_building(const std::string& id, const BuildingInput& input, const Result& result,
                                   const CityJsonTransform& transform) {
  CityJsonBuilding building;
  building.id = id;
  building.points = input.points.size();
  building.roof_points = static_cast<std::size_t>(std::count_if(input.roof.begin(), input.roof.end(),
                                                                [](std::uint8_t flag) { return flag != 0; }));
  building.segments = result.segments.size();
  std::map<GridVertex, std::size_t> position;  // shared corners are written once
  for (const Segment& segment : result.segments) {
    for (std::size_t index : segment.points)
      if (index >= input.points.size())
        throw std::invalid_argument("segment " + std::to_string(segment.number) + ": point " + std::to_string(index) +
                                    " names no input point");
    const auto ring = face_ring(input, segment, transform);
    if (!ring) {
      ++building.left_out;
      continue;
    }
    CityJsonRoofSurface surface;
    for (const Corner& c : *ring) {
      const auto [it, added] = position.try_emplace(c.grid, building.vertices.size());
      if (added) building.vertices.push_back(c.grid);
      surface.ring.push_back(it->second);
    }
    surface.segment = segment.number;
    surface.points = segment.points.size();
    slope_and_aspect(segment.normal, surface.slope, surface.aspect);
    const double xy_area =
        0.5 * std::fabs(twice_signed_area(*ring, [](const Corner& c) { return c.lifted.x; },
                                          [](const Corner& c) { return c.lifted.y; }));
    surface.area = xy_area / segment.normal.z;
    surface.rmse = segment.rms;
    surface.plane = {segment.normal.x, segment.normal.y, segment.normal.z, segment.d};
    building.surfaces.push_back(std::move(surface));
  }
  return building;
}

ModelGrid model_grid(const CityJsonTransform& transform) { return {transform.scale, transform.translate}; }

void add_cityjson_model(CityJsonBuilding& building, const BuildingModel& model, const ModelGrid& grid,
                        const Result& result, const CityJsonTransform& transform, bool keep_faces) {
  // A model without shells has no vertex the grid could misplace.
  const bool shells = !model.lod22.surfaces.empty() || !model.lod12.surfaces.empty();
  if (shells && !(grid.scale == transform.scale && grid.translate == transform.translate))
    throw std::invalid_argument(building.id + ": the model's grid is not the file's transform");
  const bool solid = !model.lod22.surfaces.empty();
  std::map<GridVertex, std::size_t> position;
  if (solid && !keep_faces) {
    building.vertices.clear();
    building.surfaces.clear();
    building.left_out = 0;
    building.write_faces = false;
  } else {
    building.write_faces = true;
    for (std::size_t i = 0; i < building.vertices.size(); ++i) position.emplace(building.vertices[i], i);
  }
  std::map<int, const Segment*> segments;
  for (const Segment& s : result.segments) segments.emplace(s.number, &s);

  const auto add_shell = [&](const Shell& shell, const char* lod, bool roof_attributes) {
    if (shell.surfaces.empty()) return;
    CityJsonSolid written{lod, {}};
    for (const ShellSurface& surface : shell.surfaces) {
      CityJsonSolidSurface out{surface.kind, {}, std::nullopt};
      for (const auto& ring : surface.rings) {
        std::vector<std::size_t> positions;
        for (std::size_t v : ring) {
          if (v >= shell.vertices.size())
            throw std::invalid_argument(building.id + ": a ring of its LoD" + lod + " shell names no vertex");
          const auto [it, added] = position.try_emplace(shell.vertices[v], building.vertices.size());
          if (added) building.vertices.push_back(shell.vertices[v]);
          positions.push_back(it->second);
        }
        out.rings.push_back(std::move(positions));
      }
      if (roof_attributes && surface.kind == SurfaceKind::roof) {
        CityJsonRoofSurface roof;
        roof.segment = surface.segment;
        roof.area = surface_area(shell, surface, grid);
        if (const auto found = segments.find(surface.segment); found != segments.end()) {
          const Segment& segment = *found->second;
          roof.points = segment.points.size();
          slope_and_aspect(segment.normal, roof.slope, roof.aspect);
          roof.rmse = segment.rms;
          roof.plane = {segment.normal.x, segment.normal.y, segment.normal.z, segment.d};
        }
        out.roof = std::move(roof);
      }
      written.surfaces.push_back(std::move(out));
    }
    building.solids.push_back(std::move(written));
  };
  add_shell(model.lod22, "2.2", true);
  add_shell(model.lod12, "1.2", false);
}

std::optional<std::array<double, 6>> cityjson_extent(const std::vector<CityJsonBuilding>& buildings,
                                                     const CityJsonTransform& transform) {
  std::optional<std::array<std::int64_t, 6>> grid;
  for (const CityJsonBuilding& b : buildings)
    for (const GridVertex& v : b.vertices) {
      if (!grid) grid = std::array<std::int64_t, 6>{v[0], v[1], v[2], v[0], v[1], v[2]};
      for (int k = 0; k < 3; ++k) {
        (*grid)[k] = std::min((*grid)[k], v[k]);
        (*grid)[k + 3] = std::max((*grid)[k + 3], v[k]);
      }
    }
  if (!grid) return std::nullopt;
  const double scale[3] = {transform.scale.x, transform.scale.y, transform.scale.z};
  const double translate[3] = {transform.translate.x, transform.translate.y, transform.translate.z};
  std::array<double, 6> extent{};
  for (int k = 0; k < 6; ++k) extent[k] = double((*grid)[k]) * scale[k % 3] + translate[k % 3];
  return extent;
}

void write_cityjson(std::ostream& out, const std::vector<CityJsonBuilding>& buildings,
                    const CityJsonTransform& transform, const CityJsonOptions& options) {
  CityJsonOptions with_extent = options;
  with_extent.extent = cityjson_extent(buildings, transform);
  Json document = document_head(transform, with_extent);
  Json objects = Json::object(), vertices = Json::array();
  for (const CityJsonBuilding& b : buildings) {
    // A second object of the same id would silently replace the first.
    if (objects.contains(b.id)) throw std::invalid_argument("CityJSON output: two buildings with id " + b.id);
    objects[b.id] = building_json(b, vertices.size());
    for (const GridVertex& v : b.vertices) vertices.push_back(v);
  }
  document["CityObjects"] = std::move(objects);
  document["vertices"] = std::move(vertices);
  out << document.dump() << '\n';
}

void write_cityjson_file(const std::filesystem::path& file, const std::vector<CityJsonBuilding>& buildings,
                         const CityJsonTransform& transform, const CityJsonOptions& options) {
  write_output_file(file, [&](std::ostream& out) { write_cityjson(out, buildings, transform, options); });
}

std::size_t write_building_cityjson(std::ostream& out, const BuildingInput& input, const Result& result,
                                    const CityJsonOptions& options) {
  const CityJsonTransform transform = cityjson_transform(input.points);
  const CityJsonBuilding building = cityjson_building("b1", input, result, transform);
  write_cityjson(out, {building}, transform, options);
  return building.left_out;
}

std::size_t write_building_cityjson_file(const std::filesystem::path& file, const BuildingInput& input,
                                         const Result& result, const CityJsonOptions& options) {
  std::size_t left_out = 0;
  write_output_file(file, [&](std::ostream& out) { left_out = write_building_cityjson(out, input, result, options); });
  return left_out;
}

void write_cityjson_sequence_header(std::ostream& out, const CityJsonTransform& transform,
                                    const CityJsonOptions& options) {
  Json header = document_head(transform, options);
  header["CityObjects"] = Json::object();
  header["vertices"] = Json::array();
  out << header.dump() << '\n';
}

void write_cityjson_feature(std::ostream& out, const CityJsonBuilding& building) {
  const Json feature{{"type", "CityJSONFeature"},
                     {"id", building.id},
                     {"CityObjects", {{building.id, building_json(building, 0)}}},
                     {"vertices", building.vertices}};
  out << feature.dump() << '\n';
}

void write_cityjson_sequence(std::ostream& out, const std::vector<CityJsonBuilding>& buildings,
                             const CityJsonTransform& transform, const CityJsonOptions& options) {
  CityJsonOptions with_extent = options;
  with_extent.extent = cityjson_extent(buildings, transform);
  write_cityjson_sequence_header(out, transform, with_extent);
  for (const CityJsonBuilding& b : buildings) write_cityjson_feature(out, b);
}

void write_cityjson_sequence_file(const std::filesystem::path& file, const std::vector<CityJsonBuilding>& buildings,
                                  const CityJsonTransform& transform, const CityJsonOptions& options) {
  write_output_file(file, [&](std::ostream& out) { write_cityjson_sequence(out, buildings, transform, options); });
}

}  // namespace roofplanes
