// The model stage beside the extraction it follows, on generated buildings of
// about 10k and 1M roof points (the sample house shape at 8 points per m²),
// and on the buildings of the two shared real crops when they are there.
//
// BM_Extraction times extract_roof_planes with the auto preset's parameters;
// BM_Model times building_model on that extraction's result. The issue of
// interest is their ratio per building, so both report roof_points.

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "building_generator.h"
#include "io/cityjson_writer.h"
#include "io/las_reader.h"
#include "model/building_model.h"
#include "roofplanes.h"
#include "tiles/find_buildings.h"

namespace {

using namespace roofplanes;

struct Case {
  BuildingInput input;
  Result result;
  ModelGrid grid;
};

// The grid the commands build a building's model on: its CityJSON file's.
ModelGrid grid_of(const BuildingInput& input) { return model_grid(cityjson_transform(input.points)); }

BuildingInput generated(std::size_t roof_points) {
  const auto building = building_generator::generate_building(
      building_generator::options_for_roof_points(building_generator::RoofShape::sample_house, roof_points, 7));
  BuildingInput input;
  std::vector<bool> seen(building.plane_of_position.size(), false);
  for (std::size_t r = 0; r < building.records.size(); ++r) {
    input.points.push_back({building.records[r][0], building.records[r][1], building.records[r][2]});
    const auto position = static_cast<std::size_t>(building.position_of_record[r]);
    input.roof.push_back(!seen[position] && building.plane_of_position[position] >= 0 ? 1 : 0);
    seen[position] = true;
  }
  return input;
}

// Generated cases by roof points, real ones by 1000 + building index.
Case& case_for(std::int64_t key) {
  static std::map<std::int64_t, Case> cases;
  auto it = cases.find(key);
  if (it != cases.end()) return it->second;
  Case c;
  if (key >= 10000) {
    c.input = generated(static_cast<std::size_t>(key));
  } else {
    const char* crop = key < 2000 ? "test_data_77050_627755_LA93_IGN69.las" : "test_data_77055_627760_LA93_IGN69.las";
    const LasCloud las = read_las(std::string(ROOFPLANES_SOURCE_DIR "/../shared/real/") + crop);
    std::vector<Point> points;
    std::vector<std::uint8_t> roof;
    for (const LasPoint& p : las.points) {
      points.push_back({p.x, p.y, p.z});
      roof.push_back(p.classification == 6 ? 1 : 0);
    }
    const auto found = find_buildings(points, roof);
    c.input = building_input(points, found.at(static_cast<std::size_t>(key % 1000)));
  }
  c.result = extract_roof_planes(c.input, auto_parameters(c.input));
  c.grid = grid_of(c.input);
  return cases.emplace(key, std::move(c)).first->second;
}

bool available(std::int64_t key) {
  return key >= 10000 || std::filesystem::exists(ROOFPLANES_SOURCE_DIR "/../shared/real/test_data_77050_627755_LA93_IGN69.las");
}

void BM_Extraction(benchmark::State& state) {
  if (!available(state.range(0))) return state.SkipWithError("the shared real crops are not there");
  Case& c = case_for(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(extract_roof_planes(c.input, auto_parameters(c.input)));
  state.counters["roof_points"] = static_cast<double>(std::count(c.input.roof.begin(), c.input.roof.end(), 1));
}

void BM_Model(benchmark::State& state) {
  if (!available(state.range(0))) return state.SkipWithError("the shared real crops are not there");
  Case& c = case_for(state.range(0));
  ModelOptions options;
  options.grid = c.grid;
  for (auto _ : state) benchmark::DoNotOptimize(building_model(c.input, c.result, options));
  state.counters["roof_points"] = static_cast<double>(std::count(c.input.roof.begin(), c.input.roof.end(), 1));
  state.counters["solid"] = building_model(c.input, c.result, options).problem.empty() ? 1 : 0;
}

// 10k and 1M generated roof points; the real crops' buildings with faces.
#define MODEL_CASES ->Arg(10000)->Arg(1000000)->Arg(1001)->Arg(1002)->Arg(2000)->Arg(2001)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()
BENCHMARK(BM_Extraction) MODEL_CASES->Iterations(1);
BENCHMARK(BM_Model) MODEL_CASES;

}  // namespace

BENCHMARK_MAIN();
