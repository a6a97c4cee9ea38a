#pragma once

#include <cstdint>
#include <vector>

#include "observer/report.h"

namespace roofplanes {

// Vote counts of the Hough transform, indexed [tilt level][pan level][s level].
// Each tilt level has as many rows as it has pan levels; every row has the same
// number of s levels. Only counts are kept: the points of a cell are found
// again by recomputing their levels, which keeps memory independent of the
// number of votes.
using HoughAccumulator = std::vector<std::vector<std::vector<std::uint64_t>>>;

// Finds every cell with the largest vote count, visiting tilt, then pan, then
// s indices in ascending order, and appends their indices to the three lists
// (entry k of each names the k-th such cell). The lists are expected empty.
// The number of s levels is taken from row [0][0]. Reports the largest count
// to the execution log.
void hough_peaks_TDS(const HoughAccumulator& accumulator, std::vector<unsigned>& pan_indices,
                     std::vector<unsigned>& tilt_indices, std::vector<unsigned>& s_indices, Report& report);

}  // namespace roofplanes
