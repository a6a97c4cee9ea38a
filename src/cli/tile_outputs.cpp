#include "cli/tile_outputs.h"

#include <charconv>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

#include <tbb/parallel_invoke.h>

#include "cli/city_attributes.h"
#include "io/cityjson_writer.h"
#include "io/ply_writer.h"
#include "io/svg_writer.h"
#include "tiles/tile_labels.h"

namespace roofplanes {

namespace {

// "name value" lines into pairs; whole numbers stay whole.
std::vector<std::pair<std::string, CityJsonValue>> parameter_list(const Parameters& parameters) {
  std::vector<std::pair<std::string, CityJsonValue>> list;
  std::istringstream lines(format_parameters(parameters));
  std::string name, text;
  while (lines >> name >> text) {
    std::int64_t whole = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), whole);
    if (error == std::errc() && end == text.data() + text.size())
      list.emplace_back(name, whole);
    else
      list.emplace_back(name, std::stod(text));
  }
  return list;
}

}  // namespace

CityJsonBuilding tile_cityjson_building(const TileBuilding& b, const CityJsonTransform& transform, int first_segment,
                                        bool parameters, bool faces) {
  CityJsonBuilding city = cityjson_building(b.id, b.shown, b.result, transform);
  city.points = b.points;
  city.roof_points = b.roof_points;
  for (CityJsonRoofSurface& surface : city.surfaces) surface.segment += first_segment;
  add_cityjson_model(city, b.model, b.grid, b.result, transform, faces);
  for (CityJsonSolid& solid : city.solids)
    for (CityJsonSolidSurface& surface : solid.surfaces)
      if (surface.roof) surface.roof->segment += first_segment;
  city.attributes = city_attributes(b.attributes, b.model, b.grid);
  if (parameters) city.parameters = parameter_list(b.result.parameters);
  return city;
}

std::size_t write_tile_outputs(const std::filesystem::path& folder, const std::vector<Point>& points,
                               const std::vector<FoundBuilding>& found, const std::vector<TileBuilding>& buildings,
                               const ResultFiles& files, bool parameters) {
  const CityJsonTransform transform = cityjson_transform(points);
  std::vector<CityJsonBuilding> city;
  std::vector<TopViewBuilding> views;
  int first = 0;  // segments of the buildings written before
  std::size_t left_out = 0;
  for (const TileBuilding& b : buildings) {
    if (!b.error.empty()) continue;
    city.push_back(tile_cityjson_building(b, transform, first, parameters, files.faces));
    left_out += city.back().left_out;
    views.push_back({&b.shown, &b.result, first, b.id, &b.model.partition});
    first += static_cast<int>(b.result.segments.size());
  }
  const TileLabels labels = tile_labels(points.size(), found, buildings);

  // The view thins its grey dots anyway; thinning them here first spares a
  // copy of every point of a large tile.
  const TopViewOptions view_options;
  std::size_t unlabelled = 0;
  for (int s : labels.segment) unlabelled += s == 0;
  const std::size_t step = std::max<std::size_t>(
      1, (unlabelled + view_options.max_background_points - 1) / view_options.max_background_points);
  std::vector<Point> background;
  for (std::size_t i = 0, n = 0; i < points.size(); ++i)
    if (labels.segment[i] == 0 && n++ % step == 0) background.push_back(points[i]);

  // The files side by side, on the threads of the caller's arena: writing is
  // the largest part of a tile run that its buildings' threads do not share.
  // Each catches its own failure, so one file that fails stops no other.
  std::string failed[4];
  const auto guarded = [](std::string& failure, const auto& write) {
    return [&failure, &write] {
      try {
        write();
      } catch (const std::runtime_error& error) {
        failure = error.what();
      }
    };
  };
  const auto ply = [&] {
    write_labelled_ply_file(folder / "points.ply", points, labels.segment, labels.roof, ROOFPLANES_VERSION,
                            &labels.building);
  };
  const auto svg = [&] { write_svg_top_view_file(folder / "tile.svg", background, views, view_options); };
  const CityJsonOptions city_options{files.epsg, std::nullopt};
  const auto city_json = [&] { write_cityjson_file(folder / "tile.city.json", city, transform, city_options); };
  const auto city_sequence = [&] {
    write_cityjson_sequence_file(folder / "tile.city.jsonl", city, transform, city_options);
  };
  const auto nothing = [] {};
  const std::function<void()> chosen[4] = {files.cityjson ? std::function<void()>(city_json) : nothing,
                                           files.cityjson ? std::function<void()>(city_sequence) : nothing,
                                           files.ply ? std::function<void()>(ply) : nothing,
                                           files.svg ? std::function<void()>(svg) : nothing};
  tbb::parallel_invoke(guarded(failed[0], chosen[0]), guarded(failed[1], chosen[1]), guarded(failed[2], chosen[2]),
                       guarded(failed[3], chosen[3]));
  std::string message;
  for (const std::string& failure : failed) {
    if (failure.empty()) continue;
    if (!message.empty()) message += "; ";
    message += failure;
  }
  if (!message.empty()) throw std::runtime_error(message);
  return left_out;
}

}  // namespace roofplanes
