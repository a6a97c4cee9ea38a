#include "planes/hough_accumulator.h"


namespace roofplanes {

void hough_peaks_TDS(const HoughAccumulator& accumulator, std::vector<unsigned>& pan_indices,
                     std::vector<unsigned>& tilt_indices, std::vector<unsigned>& s_indices, Report& report) {
  std::uint64_t largest = 0;
  const std::size_t s_count =
      accumulator.empty() || accumulator[0].empty() ? 0 : accumulator[0][0].size();
  for (std::size_t i = 0; i < accumulator.size(); ++i) {
    for (std::size_t j = 0; j < accumulator[i].size(); ++j) {
      const std::vector<std::uint64_t>& row = accumulator[i][j];
      for (std::size_t k = 0; k < s_count && k < row.size(); ++k) {
        const std::uint64_t count = row[k];
        // Equal first, then greater: a new largest count restarts the lists
        // with this cell alone.
        if (count == largest) {
          pan_indices.push_back(static_cast<unsigned>(j));
          tilt_indices.push_back(static_cast<unsigned>(i));
          s_indices.push_back(static_cast<unsigned>(k));
        }
        if (count > largest) {
          largest = count;
          pan_indices.clear();
          tilt_indices.clear();
          s_indices.clear();
          pan_indices.push_back(static_cast<unsigned>(j));
          tilt_indices.push_back(static_cast<unsigned>(i));
          s_indices.push_back(static_cast<unsigned>(k));
        }
      }
    }
  }
  report.log_line("hough_peaks_TDS: maximum value in accumulator cell = ", largest);
}

}  // namespace roofplanes
