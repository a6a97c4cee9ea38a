// Reading generated LAS tiles of about 1 and 10 million points (20 and 400 houses at 10 points
// per m², LAS 1.2 format 1, as make_tile writes them by default).
//
// The tiles are generated once and kept in $ROOFPLANES_BENCH_DIR (default: <temp dir>/
// roofplanes_las_bench); the first run spends a few seconds on that. Counter: points per second
// read. The page cache is warm after the first iteration, so this measures decoding, not disk.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "io/las_reader.h"
#include "las_writer.h"
#include "tile_generator.h"

namespace {

std::filesystem::path bench_directory() {
  if (const char* dir = std::getenv("ROOFPLANES_BENCH_DIR")) return dir;
  return std::filesystem::temp_directory_path() / "roofplanes_las_bench";
}

std::string tile_file(int buildings) {
  const std::filesystem::path file = bench_directory() / ("tile_" + std::to_string(buildings) + ".las");
  if (!std::filesystem::exists(file)) {
    std::filesystem::create_directories(file.parent_path());
    building_generator::TileOptions options;
    options.buildings = buildings;
    const building_generator::Tile tile = building_generator::generate_tile(options);
    building_generator::LasFileOptions las;
    las.offset[0] = tile.min_x;
    las.offset[1] = tile.min_y;
    if (!building_generator::write_las(tile.records, las, file.string())) std::abort();
  }
  return file.string();
}

void BM_ReadLas(benchmark::State& state) {
  const std::string file = tile_file(static_cast<int>(state.range(0)));
  std::size_t points = 0;
  for (auto _ : state) {
    const roofplanes::LasCloud cloud = roofplanes::read_las(file);
    points = cloud.points.size();
    benchmark::DoNotOptimize(cloud.points.data());
  }
  state.counters["points"] = static_cast<double>(points);
  state.counters["points_per_second"] = benchmark::Counter(
      static_cast<double>(points) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_ReadLas)->Arg(20)->Arg(400)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
