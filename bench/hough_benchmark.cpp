// Hough plane detection on generated buildings of about 10k, 100k and 1M roof
// points (the sample house shape, scaled up at 8 points per m²).
//
// The buildings are generated once and kept as a point file and a roof list in
// $ROOFPLANES_BENCH_DIR (default: <temp dir>/roofplanes_hough_bench); every run
// then reads them as the program does, from the files, so nothing but the
// triangulation is held when the detection starts.
//
// BM_HoughTDSRowByRow is the same search made to count one direction at a
// time (the path of grids above the memory budget).
// Counters: roof_points; time_per_vote (CPU time per vote, 2,292 votes per
// roof point); peak_bytes_per_roof_point, how far the heap in use rises above
// its level at the call during hough_TDS, counted by this program's own
// operator new and delete (the list returned is included).
// ROOFPLANES_THREADS limits the threads (set 1 for the time per vote of one
// core: the CPU time measured is the main thread's), ROOFPLANES_VOTE_KERNEL
// (sse2, avx2) picks the vote loop.
// BM_VoteGrid times the vote loop alone over every roof point and direction.
// BM_AutoSearchVotes times the auto search's Hough work over its passes, with
// votes cast afresh each pass and with votes kept from pass to pass.
// BM_TriangulationOnly loads the same building without detecting anything: run
// under /usr/bin/time -v, its maximum resident set is the baseline to subtract
// from that of BM_HoughTDS at the same size.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <tbb/global_control.h>

#include "building_generator.h"
#include "io/point_file.h"
#include "io/roof_list.h"
#include "observer/report.h"
#include "pipeline/building_input.h"
#include "planes/hough_TDS.h"
#include "planes/hough_levels.h"
#include "planes/hough_peaks.h"
#include "planes/hough_votes.h"
#include "planes/hough_vote.h"
#include "planes/max_roof_distance.h"
#include "points/centre_points.h"
#include "points/clear_labels.h"
#include "points/mark_roof_points.h"
#include "points/point_cloud.h"

// Heap bytes in use and their peak, kept by the operator new and delete below.
std::atomic<std::int64_t> heap_in_use{0};
std::atomic<std::int64_t> heap_peak{0};

namespace {

// Each block carries its size in front, 16 bytes to keep the alignment.
constexpr std::size_t header = 16;

void* counted_allocate(std::size_t size) {
  void* block = std::malloc(size + header);
  if (!block) return nullptr;
  *static_cast<std::size_t*>(block) = size;
  const std::int64_t now = heap_in_use.fetch_add(static_cast<std::int64_t>(size)) + static_cast<std::int64_t>(size);
  std::int64_t peak = heap_peak.load();
  while (now > peak && !heap_peak.compare_exchange_weak(peak, now)) {
  }
  return static_cast<char*>(block) + header;
}

void counted_free(void* pointer) {
  if (!pointer) return;
  void* block = static_cast<char*>(pointer) - header;
  heap_in_use.fetch_sub(static_cast<std::int64_t>(*static_cast<std::size_t*>(block)));
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* p = counted_allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted_allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted_allocate(size); }
void operator delete(void* pointer) noexcept { counted_free(pointer); }
void operator delete[](void* pointer) noexcept { counted_free(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { counted_free(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { counted_free(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { counted_free(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { counted_free(pointer); }

namespace {

using namespace roofplanes;

constexpr std::size_t directions_at_3_degrees = 2292;

std::filesystem::path data_directory() {
  if (const char* dir = std::getenv("ROOFPLANES_BENCH_DIR")) return dir;
  return std::filesystem::temp_directory_path() / "roofplanes_hough_bench";
}

struct LoadedBuilding {
  // Built in place from the file's records: no second copy of the triangulation, ever.
  LoadedBuilding(std::size_t target_roof_points, const std::vector<Point>& records)
      : target(target_roof_points), cloud(triangulate_points(records)) {}
  std::size_t target;
  PointCloud cloud;
  std::size_t roof_points = 0;
};

// The building for a target roof-point count, read, centred and marked. Only
// the most recent one is kept, so one size's memory is all there is.
LoadedBuilding& building_for(std::size_t target) {
  static std::unique_ptr<LoadedBuilding> loaded;
  if (loaded && loaded->target == target) return *loaded;
  loaded.reset();

  const std::filesystem::path dir = data_directory();
  const std::string points_file = (dir / ("building_" + std::to_string(target) + ".txt")).string();
  const std::string roof_file = (dir / ("roof_" + std::to_string(target) + ".txt")).string();
  if (!std::filesystem::exists(points_file) || !std::filesystem::exists(roof_file)) {
    std::filesystem::create_directories(dir);
    const building_generator::Building building = building_generator::generate_building(
        building_generator::options_for_roof_points(building_generator::RoofShape::sample_house, target, 1));
    building_generator::write_point_file(building, points_file);
    building_generator::write_roof_list(building, roof_file);
  }

  std::vector<std::uint8_t> roof;
  {
    const std::vector<Point> records = read_point_file(points_file).points;
    std::vector<std::size_t> unknown;
    roof = roof_flags_from_positions(records, read_roof_list(roof_file).positions, unknown);
    loaded = std::make_unique<LoadedBuilding>(target, records);
  }
  centre_points(loaded->cloud.triangulation);
  mark_roof_points(roof, loaded->cloud);
  for (const Vertex_handle& v : loaded->cloud.vertices)
    if (v->info().is_roof()) ++loaded->roof_points;
  return *loaded;
}

// One search as the first pass of a run makes it; grid_budget 0 forces the
// search to count one direction at a time, as it does for far-flung roof points.
void run_hough(benchmark::State& state, std::size_t grid_budget) {
  LoadedBuilding& building = building_for(static_cast<std::size_t>(state.range(0)));
  // The log lines go nowhere: the observer wants no text.
  ExtractionObserver silent;
  Report report(silent);
  VertexList region;
  std::int64_t peak_growth = 0;
  for (auto _ : state) {
    state.PauseTiming();
    region = VertexList();
    const std::int64_t before = heap_in_use.load();
    heap_peak.store(before);
    state.ResumeTiming();

    HoughSearch search;
    search.grid_budget = grid_budget;
    const PlaneParams plane = hough_TDS(building.cloud.triangulation, search, region, 3.0, 1.2, report);
    benchmark::DoNotOptimize(plane);

    state.PauseTiming();
    peak_growth = std::max(peak_growth, heap_peak.load() - before);
    state.ResumeTiming();
  }
  const double roof_points = static_cast<double>(building.roof_points);
  state.counters["roof_points"] = roof_points;
  state.counters["region_points"] = static_cast<double>(region.size());
  state.counters["time_per_vote"] = benchmark::Counter(
      roof_points * directions_at_3_degrees, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["peak_bytes_per_roof_point"] = roof_points > 0 ? static_cast<double>(peak_growth) / roof_points : 0.0;
}

void BM_HoughTDS(benchmark::State& state) { run_hough(state, hough_grid_budget); }
void BM_HoughTDSRowByRow(benchmark::State& state) { run_hough(state, 0); }

// The vote loop alone: every roof point in every direction of the 3-degree
// grid, as a fresh count of the whole grid makes it. The search itself counts
// only the rows that might win, so its time per vote above is per vote a
// fresh count would make; this one is per vote made.
void BM_VoteGrid(benchmark::State& state) {
  LoadedBuilding& building = building_for(static_cast<std::size_t>(state.range(0)));
  ExtractionObserver silent;
  Report report(silent);
  VertexList roof;
  for (const Vertex_handle& v : building.cloud.vertices)
    if (v->info().is_roof()) roof.push_back(v);
  std::vector<double> tilts;
  std::vector<std::vector<double>> pans;
  double resolution = 3.0;
  hough_levels(tilts, pans, 0, 360, 0, 90, resolution);
  const std::vector<HoughDirection> directions = hough_directions(tilts, pans);
  const double reach = max_roof_distance(building.cloud.triangulation, report);
  const HoughDistanceLevels levels = hough_distance_levels(reach, 1.2);
  std::vector<std::uint32_t> counts(directions.size() * levels.count);
  for (auto _ : state) {
    std::fill(counts.begin(), counts.end(), 0u);
    vote_grid(roof, directions.data(), directions.size(), counts.data(), levels, false, default_vote_kernel());
    benchmark::DoNotOptimize(counts.data());
  }
  state.counters["time_per_vote"] =
      benchmark::Counter(static_cast<double>(roof.size() * directions.size()),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The auto search's Hough work over the passes of one building: each pass
// asks for five peaks and takes the best one's cell (2° directions, 0.1 m
// levels, at most 1,500 voters, as the auto preset has them), until fewer than
// 24 points are left or 40 passes have run. Arg 0 votes afresh every pass
// (hough_peaks); arg 1 keeps the votes and withdraws the taken points'
// (vote_free_roof_points, withdraw_votes, vote_peaks). Above 1,500 roof
// points the two sample different voters after the first pass, so the passes
// counter (how many ran) can differ by one or two.
void BM_AutoSearchVotes(benchmark::State& state) {
  LoadedBuilding& building = building_for(static_cast<std::size_t>(state.range(0)));
  const bool kept = state.range(1) != 0;
  PointTriangulation& triangulation = building.cloud.triangulation;
  VertexList roof;
  for (const Vertex_handle& v : building.cloud.vertices)
    if (v->info().is_roof()) roof.push_back(v);
  std::size_t passes = 0;
  for (auto _ : state) {
    passes = 0;
    HoughVotes votes;
    if (kept) votes = vote_free_roof_points(triangulation, 2.0, 0.1, 1500);
    for (; passes < 40; ++passes) {
      const std::vector<PlaneCandidate> peaks =
          kept ? vote_peaks(votes, 5) : hough_peaks(triangulation, 2.0, 0.1, 5, 1500);
      if (peaks.empty()) break;
      VertexList taken = candidate_points(triangulation, peaks.front());
      if (taken.size() < 24) break;
      clear_is_roof(triangulation, taken);
      if (kept) withdraw_votes(votes, taken, triangulation);
    }
    state.PauseTiming();
    for (const Vertex_handle& v : roof) v->info().set_is_roof(true);
    state.ResumeTiming();
  }
  state.counters["passes"] = static_cast<double>(passes);
  state.counters["roof_points"] = static_cast<double>(building.roof_points);
}

void BM_TriangulationOnly(benchmark::State& state) {
  LoadedBuilding& building = building_for(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(building.cloud.triangulation.number_of_vertices());
  state.counters["roof_points"] = static_cast<double>(building.roof_points);
}

BENCHMARK(BM_HoughTDS)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HoughTDSRowByRow)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VoteGrid)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoSearchVotes)
    ->ArgsProduct({{10'000, 100'000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangulationOnly)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<tbb::global_control> threads;
  if (const char* value = std::getenv("ROOFPLANES_THREADS"))
    threads = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                    static_cast<std::size_t>(std::max(1, std::atoi(value))));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
