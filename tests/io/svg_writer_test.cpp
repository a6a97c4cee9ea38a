#include "io/svg_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Pixel y of every corner of one segment's outline.
std::vector<double> outline_ys(const std::string& svg, int segment) {
  const std::string start = "data-segment=\"" + std::to_string(segment) + "\" points=\"";
  const std::size_t from = svg.find(start) + start.size();
  std::istringstream corners(svg.substr(from, svg.find('"', from) - from));
  std::vector<double> ys;
  for (std::string pair; corners >> pair;) ys.push_back(std::stod(pair.substr(pair.find(',') + 1)));
  return ys;
}

// 100,000 records on a 0.1 m grid, 250 across and 400 up (24.9 m × 39.9 m);
// sixteen 5 m × 6 m faces in a 4 × 4 block at the lower left take 48,000 of them.
TEST(write_svg_top_view, ThinsOnlyTheBackgroundAndDrawsEveryOutlineOnce) {
  BuildingInput input;
  Result result;
  for (int j = 0; j < 400; ++j)
    for (int i = 0; i < 250; ++i) input.points.push_back({350000 + i * 0.1, 5800000 + j * 0.1, 40});
  input.roof.assign(input.points.size(), 1);
  result.labels.assign(input.points.size(), 0);
  for (int k = 1; k <= 16; ++k) {
    const int i0 = (k - 1) % 4 * 50, j0 = (k - 1) / 4 * 60;
    Segment segment;
    segment.number = k;
    for (int j = j0; j < j0 + 60; ++j)
      for (int i = i0; i < i0 + 50; ++i) {
        segment.points.push_back(250 * j + i);
        result.labels[250 * j + i] = k;
      }
    segment.corners = {250u * j0 + i0, 250u * j0 + i0 + 49, 250u * (j0 + 59) + i0 + 49, 250u * (j0 + 59) + i0};
    result.segments.push_back(segment);
  }
  testing::ScratchDirectory scratch;
  write_svg_top_view_file("view.svg", input, result);
  const std::string svg = testing::read_text("view.svg");

  EXPECT_LT(svg.size(), 2000000u);
  EXPECT_EQ(occurrences(svg, "<svg"), 1u);
  EXPECT_TRUE(svg.ends_with("</svg>\n"));
  EXPECT_EQ(std::system("python3 -c 'import sys, xml.etree.ElementTree as t; t.parse(sys.argv[1])' view.svg"), 0);

  const std::size_t background_from = svg.find("class=\"background\"");
  const std::string background = svg.substr(background_from, svg.find("/>", background_from) - background_from);
  const std::size_t grey = occurrences(background, "M");
  EXPECT_LE(grey, 20000u);
  EXPECT_GE(grey, 17000u);                           // 52,000 unlabelled, every third kept
  EXPECT_EQ(occurrences(svg, "h0") - grey, 48000u);  // every face point drawn

  std::map<int, std::string> colour;  // segment → stroke of its dots
  std::set<std::string> colours;
  for (int k = 1; k <= 16; ++k) {
    const std::string dots = "data-segment=\"" + std::to_string(k) + "\" stroke=\"";
    const std::size_t at = svg.find(dots);
    ASSERT_NE(at, std::string::npos) << k;
    colours.insert(colour[k] = svg.substr(at + dots.size(), 7));
  }
  EXPECT_EQ(colours.size(), 12u);  // twelve colours, cycled
  EXPECT_EQ(colour[13], colour[1]);

  EXPECT_EQ(occurrences(svg, "<polygon"), 16u);
  for (int k = 1; k <= 16; ++k) {
    EXPECT_EQ(occurrences(svg, "data-segment=\"" + std::to_string(k) + "\" points="), 1u) << k;
    for (double y : outline_ys(svg, k)) EXPECT_TRUE(y >= 40 && y <= 1040) << k << ' ' << y;
  }
  // y points up: the top row of faces lies above the bottom row.
  const auto top = outline_ys(svg, 16), bottom = outline_ys(svg, 1);
  EXPECT_LT(*std::max_element(top.begin(), top.end()), *std::min_element(bottom.begin(), bottom.end()));
  // A fifth of 24.9 m rounds to 5 m, at 1000 px per 39.9 m.
  EXPECT_NE(svg.find("h125.3\"/>"), std::string::npos);
  EXPECT_NE(svg.find(">5 m</text>"), std::string::npos);
}

}  // namespace
}  // namespace roofplanes
