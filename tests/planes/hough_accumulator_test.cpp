#include "planes/hough_accumulator.h"

#include <gtest/gtest.h>

#include "support/captured_report.h"

namespace roofplanes {
namespace {

using testing::CapturedReport;

// Two tilt levels with two and one pan levels, three s levels each, all zero.
HoughAccumulator small_accumulator() {
  HoughAccumulator accumulator(2);
  accumulator[0].assign(2, std::vector<std::uint64_t>(3, 0));
  accumulator[1].assign(1, std::vector<std::uint64_t>(3, 0));
  return accumulator;
}

struct Peaks {
  std::vector<unsigned> pan, tilt, s;
};

Peaks peaks_of(const HoughAccumulator& accumulator, Report& report) {
  Peaks peaks;
  hough_peaks_TDS(accumulator, peaks.pan, peaks.tilt, peaks.s, report);
  return peaks;
}

TEST(HoughPeaksTDS, FindsTheUniqueLargestCell) {
  HoughAccumulator accumulator = small_accumulator();
  accumulator[0][0][1] = 4;
  accumulator[0][1][0] = 2;
  accumulator[1][0][2] = 5;
  CapturedReport log;
  const Peaks peaks = peaks_of(accumulator, log.report);
  EXPECT_EQ(peaks.pan, std::vector<unsigned>{0});
  EXPECT_EQ(peaks.tilt, std::vector<unsigned>{1});
  EXPECT_EQ(peaks.s, std::vector<unsigned>{2});
  EXPECT_EQ(log.observer.log_text, "hough_peaks_TDS: maximum value in accumulator cell = 5\n");
}

TEST(HoughPeaksTDS, ListsTiedCellsInTiltPanSOrder) {
  HoughAccumulator accumulator = small_accumulator();
  accumulator[0][0][1] = 4;
  accumulator[0][1][2] = 5;
  accumulator[1][0][0] = 5;
  CapturedReport log;
  const Peaks peaks = peaks_of(accumulator, log.report);
  EXPECT_EQ(peaks.pan, (std::vector<unsigned>{1, 0}));
  EXPECT_EQ(peaks.tilt, (std::vector<unsigned>{0, 1}));
  EXPECT_EQ(peaks.s, (std::vector<unsigned>{2, 0}));
  EXPECT_EQ(log.log_lines(), std::vector<std::string>{"hough_peaks_TDS: maximum value in accumulator cell = 5"});
}

TEST(HoughPeaksTDS, EmptyCellsEqualTheStartingMaximum) {
  // The largest count starts at 0, so without any vote every cell is a peak.
  CapturedReport log;
  const Peaks peaks = peaks_of(small_accumulator(), log.report);
  EXPECT_EQ(peaks.pan, (std::vector<unsigned>{0, 0, 0, 1, 1, 1, 0, 0, 0}));
  EXPECT_EQ(peaks.tilt, (std::vector<unsigned>{0, 0, 0, 0, 0, 0, 1, 1, 1}));
  EXPECT_EQ(peaks.s, (std::vector<unsigned>{0, 1, 2, 0, 1, 2, 0, 1, 2}));
  EXPECT_EQ(log.log_lines(), std::vector<std::string>{"hough_peaks_TDS: maximum value in accumulator cell = 0"});
}

TEST(HoughPeaksTDS, NoCellGivesEmptyLists) {
  CapturedReport log;
  HoughAccumulator no_s_level = small_accumulator();
  for (auto& pans : no_s_level)
    for (auto& row : pans) row.clear();
  const Peaks peaks = peaks_of(no_s_level, log.report);
  EXPECT_TRUE(peaks.pan.empty() && peaks.tilt.empty() && peaks.s.empty());
  const Peaks none = peaks_of(HoughAccumulator{}, log.report);
  EXPECT_TRUE(none.pan.empty() && none.tilt.empty() && none.s.empty());
  EXPECT_EQ(log.observer.log_text,
            "hough_peaks_TDS: maximum value in accumulator cell = 0\n"
            "hough_peaks_TDS: maximum value in accumulator cell = 0\n");
}

TEST(HoughPeaksTDS, TakesTheNumberOfSLevelsFromTheFirstRow) {
  HoughAccumulator accumulator = small_accumulator();
  accumulator[0][0].resize(2);
  accumulator[0][1][1] = 3;
  accumulator[1][0][2] = 9;  // beyond the first row's two levels: not visited
  CapturedReport log;
  const Peaks peaks = peaks_of(accumulator, log.report);
  EXPECT_EQ(peaks.tilt, std::vector<unsigned>{0});
  EXPECT_EQ(peaks.pan, std::vector<unsigned>{1});
  EXPECT_EQ(peaks.s, std::vector<unsigned>{1});
  EXPECT_EQ(log.observer.log_text, "hough_peaks_TDS: maximum value in accumulator cell = 3\n");
}

}  // namespace
}  // namespace roofplanes
