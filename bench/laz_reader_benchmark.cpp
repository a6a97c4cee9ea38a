// Decoding LAZ files: the shipped pairs of point formats 3 and 8 (../shared/laz and
// ../shared/real beside the checkout), on one thread and on every thread, and reading their
// uncompressed twins for comparison. Counter: points per second; on one thread that is the
// decoder's rate per core.

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <tbb/global_control.h>

#include "io/las_reader.h"

namespace {

const char* const files[] = {
    "laz/autzen_trim",                            // format 3, 110,000 points
    "real/test_data_77050_627755_LA93_IGN69",     // format 3, 84,524 points
    "real/test_data_77055_627760_LA93_IGN69",     // format 8, 60,653 points
    "laz/extra-bytes",                            // format 8 with 3 extra bytes, 697,721 points, no twin
};

std::string shared_file(int index, const char* ending) {
  return ROOFPLANES_SOURCE_DIR "/../shared/" + std::string(files[index]) + ending;
}

void read(benchmark::State& state, const std::string& file, int threads) {
  if (!std::filesystem::exists(file)) {
    state.SkipWithError("no ../shared beside the checkout");
    return;
  }
  std::unique_ptr<tbb::global_control> limit;
  if (threads > 0) limit = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism, threads);
  std::size_t points = 0;
  for (auto _ : state) {
    const roofplanes::LasCloud cloud = roofplanes::read_las(file);
    points = cloud.points.size() + cloud.withheld;
    benchmark::DoNotOptimize(cloud.points.data());
  }
  state.SetLabel(files[state.range(0)]);
  state.counters["points"] = static_cast<double>(points);
  state.counters["points_per_second"] = benchmark::Counter(
      static_cast<double>(points) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ReadLazOneThread(benchmark::State& state) { read(state, shared_file(static_cast<int>(state.range(0)), ".laz"), 1); }
void BM_ReadLazEveryThread(benchmark::State& state) { read(state, shared_file(static_cast<int>(state.range(0)), ".laz"), 0); }
void BM_ReadLasTwin(benchmark::State& state) { read(state, shared_file(static_cast<int>(state.range(0)), ".las"), 1); }

}  // namespace

// One thread: the rate by CPU time, the decoder's own rate per core even on a busy machine.
BENCHMARK(BM_ReadLazOneThread)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
// Every thread: the rate by wall time.
BENCHMARK(BM_ReadLazEveryThread)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadLasTwin)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
