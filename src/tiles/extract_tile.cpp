#include "tiles/extract_tile.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <limits>
#include <mutex>
#include <numeric>

#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

namespace roofplanes {
namespace {

// Keeps of input and result only the records some segment names, with every
// index of the result moved onto the kept records.
void keep_shown(const BuildingInput& input, Result& result, const FoundBuilding& found, TileBuilding& building) {
  constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> kept(input.points.size(), none);
  for (const Segment& s : result.segments)
    for (const auto* list : {&s.points, &s.outline, &s.refined_outline, &s.corners})
      for (std::size_t i : *list) kept.at(i) = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (kept[i] == none) continue;
    kept[i] = building.tile_index.size();
    building.tile_index.push_back(found.input[i]);
    building.shown.points.push_back(input.points[i]);
    building.shown.roof.push_back(input.roof[i]);
  }
  std::vector<int> labels(building.tile_index.size());
  for (std::size_t i = 0; i < kept.size(); ++i)
    if (kept[i] != none) labels[kept[i]] = result.labels.at(i);
  result.labels = std::move(labels);
  for (Segment& s : result.segments)
    for (auto* list : {&s.points, &s.outline, &s.refined_outline, &s.corners})
      for (std::size_t& i : *list) i = kept[i];
  building.result = std::move(result);
}

// The model of one extracted building; a stage that throws gives an empty
// model saying why, so that one building cannot stop the tile.
BuildingModel model_of(const BuildingInput& input, const Result& result, const ModelOptions& options) {
  try {
    return building_model(input, result, options);
  } catch (const std::exception& failure) {
    BuildingModel model;
    model.problem = failure.what();
    return model;
  }
}

void run_building(const std::vector<Point>& points, const FoundBuilding& found, const BuildingExtractor& extract,
                  const std::vector<std::uint8_t>& ground, const TileModelOptions& model, TileBuilding& building) {
  const BuildingInput input = building_input(points, found);
  building.points = input.points.size();
  building.roof_points = found.roof.size();
  try {
    Result result = extract(input);
    std::vector<std::uint8_t> own_ground;
    if (!ground.empty())
      for (std::size_t i : found.input) own_ground.push_back(ground.at(i));
    building.attributes = building_attributes(input, result, own_ground, found.outline);
    if (model.build) {
      building.grid = model.grid;
      building.model = model_of(input, result, {model.grid, found.outline, model.ground_height, own_ground});
    }
    keep_shown(input, result, found, building);
  } catch (const std::exception& failure) {
    building.error = failure.what();
  } catch (...) {
    building.error = "unknown failure";
  }
  if (!building.error.empty()) {
    building.shown = {};
    building.tile_index.clear();
    building.result = {};
    building.model = {};
  }
}

}  // namespace

std::vector<TileBuilding> extract_tile(const std::vector<Point>& points, const std::vector<FoundBuilding>& buildings,
                                       const BuildingExtractor& extract, int jobs,
                                       const std::function<void(const TileProgress&)>& progress,
                                       const std::vector<std::uint8_t>& ground, const TileModelOptions& model) {
  std::vector<TileBuilding> done(buildings.size());
  for (std::size_t k = 0; k < buildings.size(); ++k) {
    char id[24];  // not "b" + std::to_string(...), which GCC 12 falsely warns about
    std::snprintf(id, sizeof id, "b%zu", k + 1);
    done[k].id = buildings[k].id.empty() ? std::string(id) : buildings[k].id;
  }
  // Largest first; ties in finder order, so the schedule is the same on every run.
  std::vector<std::size_t> order(buildings.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return buildings[a].input.size() > buildings[b].input.size();
  });

  std::mutex progress_mutex;
  TileProgress status;
  status.buildings = buildings.size();
  tbb::task_arena arena(jobs > 0 ? jobs : tbb::info::default_concurrency());
  arena.execute([&] {
    // One building per task: buildings differ too much in size for chunks to balance.
    tbb::parallel_for(tbb::blocked_range<std::size_t>(0, order.size(), 1),
                      [&](const tbb::blocked_range<std::size_t>& range) {
                        for (std::size_t n = range.begin(); n != range.end(); ++n) {
                          const std::size_t k = order[n];
                          run_building(points, buildings[k], extract, ground, model, done[k]);
                          if (!progress) continue;
                          const std::lock_guard<std::mutex> lock(progress_mutex);
                          ++status.buildings_done;
                          status.points_done += done[k].points;
                          progress(status);
                        }
                      },
                      tbb::simple_partitioner());
  });
  return done;
}

}  // namespace roofplanes
