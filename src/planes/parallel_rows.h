#pragma once

#include <cstddef>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

namespace roofplanes {

// Below about this many elementary steps (votes, box projections) a loop
// runs on the calling thread alone: waking the other threads would cost more
// than they save, and on a busy machine their waiting takes a core from it.
inline constexpr double parallel_work = 4.0e6;

// body(blocked_range) over [begin, end) in blocks of grain, on the threads of
// the calling task arena when work (the loop's steps in all) is large enough.
// Each index is handled once either way, so results do not depend on it.
template <typename Body>
void parallel_rows(std::size_t begin, std::size_t end, std::size_t grain, double work, const Body& body) {
  if (begin >= end) return;
  if (work < parallel_work) {
    body(tbb::blocked_range<std::size_t>(begin, end, grain));
    return;
  }
  tbb::parallel_for(tbb::blocked_range<std::size_t>(begin, end, grain), body);
}

}  // namespace roofplanes
