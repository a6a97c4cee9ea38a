#include "cli/tile_outputs.h"

#include <stdexcept>
#include <string>

#include <tbb/parallel_invoke.h>

#include "io/cityjson_writer.h"
#include "io/ply_writer.h"
#include "io/svg_writer.h"
#include "tiles/tile_labels.h"

namespace roofplanes {

std::size_t write_tile_outputs(const std::filesystem::path& folder, const std::vector<Point>& points,
                               const std::vector<FoundBuilding>& found, const std::vector<TileBuilding>& buildings) {
  const CityJsonTransform transform = cityjson_transform(points);
  std::vector<CityJsonBuilding> city;
  std::vector<TopViewBuilding> views;
  std::size_t left_out = 0;
  for (const TileBuilding& b : buildings) {
    if (!b.error.empty()) continue;
    city.push_back(cityjson_building(b.id, b.shown, b.result, transform));
    left_out += city.back().left_out;
    city.back().points = b.points;
    city.back().roof_points = b.roof_points;
    views.push_back({&b.shown, &b.result});
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
  const auto city_json = [&] { write_cityjson_file(folder / "tile.city.json", city, transform); };
  const auto city_sequence = [&] { write_cityjson_sequence_file(folder / "tile.city.jsonl", city, transform); };
  tbb::parallel_invoke(guarded(failed[0], city_json), guarded(failed[1], city_sequence), guarded(failed[2], ply),
                       guarded(failed[3], svg));
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
