#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

namespace roofplanes {

// Below about this many elementary steps (votes, box projections) a loop
// runs on the calling thread alone: waking the other threads would cost more
// than they save, and on a busy machine their waiting takes a core from it.
inline constexpr double parallel_work = 4.0e6;

// The threshold in force: parallel_work, or ROOFPLANES_PARALLEL_WORK where
// that is a number (0 shares every loop; tests use it to make small
// buildings exercise the threads). Read at each loop, so a test can set it.
inline double parallel_work_threshold() {
  const char* text = std::getenv("ROOFPLANES_PARALLEL_WORK");
  if (text == nullptr) return parallel_work;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  return end != text && *end == '\0' && value >= 0.0 ? value : parallel_work;
}

// Blocks of parallel_rows loops that ran on a thread other than the loop's
// own, since the process started: lets a test prove that a loop was shared.
inline std::atomic<std::uint64_t> parallel_rows_shared_blocks{0};

// body(blocked_range) over [begin, end) in blocks of grain, on the threads of
// the calling task arena when work (the loop's steps in all) is large enough.
// Each index is handled once either way, so results do not depend on it.
template <typename Body>
void parallel_rows(std::size_t begin, std::size_t end, std::size_t grain, double work, const Body& body) {
  if (begin >= end) return;
  if (work < parallel_work_threshold()) {
    body(tbb::blocked_range<std::size_t>(begin, end, grain));
    return;
  }
  const std::thread::id caller = std::this_thread::get_id();
  tbb::parallel_for(tbb::blocked_range<std::size_t>(begin, end, grain),
                    [&](const tbb::blocked_range<std::size_t>& block) {
                      if (std::this_thread::get_id() != caller)
                        parallel_rows_shared_blocks.fetch_add(1, std::memory_order_relaxed);
                      body(block);
                    });
}

}  // namespace roofplanes
