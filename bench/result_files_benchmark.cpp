// What the result files of `roofplanes extract -o` add to a run of about a
// million points: the generated sample house with 320,000 roof points (as
// make_building --shape sample_house --roof-points 320000 writes it, 992,798
// records), extracted once with the seed constants before timing; then each
// writer into a file under the temporary folder. Counter: bytes written.

#include <filesystem>
#include <vector>

#include <benchmark/benchmark.h>

#include "building_generator.h"
#include "io/cityjson_writer.h"
#include "io/ply_writer.h"
#include "io/svg_writer.h"
#include "roofplanes.h"

namespace {

namespace fs = std::filesystem;
using roofplanes::BuildingInput;
using roofplanes::Result;

struct Extracted {
  BuildingInput input;
  Result result;
};

// The building as the command reads it from make_building's files, and what it finds there.
const Extracted& extracted() {
  static const Extracted once = [] {
    namespace gen = building_generator;
    const gen::Building building =
        gen::generate_building(gen::options_for_roof_points(gen::RoofShape::sample_house, 320000, 1));
    Extracted e;
    for (const auto& r : building.records) e.input.points.push_back({r[0], r[1], r[2]});
    std::vector<long long> positions(building.roof_positions.begin(), building.roof_positions.end());
    std::vector<std::size_t> unknown;
    e.input.roof = roofplanes::roof_flags_from_positions(e.input.points, positions, unknown);
    e.result = roofplanes::extract_roof_planes(e.input);
    return e;
  }();
  return once;
}

// Times write(file, extraction) and reports the size of what it wrote.
template <class Write>
void time_writer(benchmark::State& state, const char* name, Write write) {
  const Extracted& e = extracted();
  const fs::path file = fs::temp_directory_path() / name;
  for (auto _ : state) write(file, e);
  state.counters["bytes"] = static_cast<double>(fs::file_size(file));
  state.counters["records"] = static_cast<double>(e.input.points.size());
  fs::remove(file);
}

void BM_WriteCityJson(benchmark::State& state) {
  time_writer(state, "roofplanes_bench_roof.city.json", [](const fs::path& file, const Extracted& e) {
    roofplanes::write_building_cityjson_file(file, e.input, e.result);
  });
}

void BM_WritePly(benchmark::State& state) {
  time_writer(state, "roofplanes_bench_points.ply", [](const fs::path& file, const Extracted& e) {
    roofplanes::write_labelled_ply_file(file, e.input, e.result, "benchmark");
  });
}

void BM_WriteSvg(benchmark::State& state) {
  time_writer(state, "roofplanes_bench_roof.svg", [](const fs::path& file, const Extracted& e) {
    roofplanes::write_svg_top_view_file(file, e.input, e.result);
  });
}

}  // namespace

BENCHMARK(BM_WriteCityJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSvg)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
