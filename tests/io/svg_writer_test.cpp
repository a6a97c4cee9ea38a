#include "io/svg_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>
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

  // Each face's number at the centre of its outline, as drawn.
  for (int k = 1; k <= 16; ++k) {
    SCOPED_TRACE(k);
    const std::string start = "data-segment=\"" + std::to_string(k) + "\" points=\"";
    const std::size_t from = svg.find(start) + start.size();
    std::istringstream corners(svg.substr(from, svg.find('"', from) - from));
    double low_x = 1e9, high_x = -1e9, low_y = 1e9, high_y = -1e9;
    for (std::string pair; corners >> pair;) {
      const double x = std::stod(pair), y = std::stod(pair.substr(pair.find(',') + 1));
      low_x = std::min(low_x, x), high_x = std::max(high_x, x), low_y = std::min(low_y, y), high_y = std::max(high_y, y);
    }
    const std::size_t label = svg.find("\">" + std::to_string(k) + "</text>");
    ASSERT_NE(label, std::string::npos);
    const std::size_t x_at = svg.rfind("<text x=\"", label) + 9;
    const double x = std::stod(svg.substr(x_at)), y = std::stod(svg.substr(svg.find("y=\"", x_at) + 3));
    EXPECT_NEAR(x, (low_x + high_x) / 2, 0.11);
    EXPECT_NEAR(y, (low_y + high_y) / 2, 0.11);
  }

  // The north arrow: in the right margin, beyond everything drawn, its tip up (north, +y).
  const double canvas_w = std::stod(svg.substr(svg.find("width=\"") + 7));
  const TopViewOptions options;
  const std::string arrow = "<g class=\"north\"><path fill=\"black\" d=\"M";
  const std::size_t arrow_at = svg.find(arrow);
  ASSERT_NE(arrow_at, std::string::npos);
  const std::string tip = svg.substr(arrow_at + arrow.size(), svg.find('"', arrow_at + arrow.size()) - arrow_at - arrow.size());
  const double tip_x = std::stod(tip), tip_y = std::stod(tip.substr(tip.find(',') + 1));
  EXPECT_DOUBLE_EQ(tip_x, canvas_w - options.margin / 2);
  EXPECT_GT(tip_x, canvas_w - options.margin);
  EXPECT_LT(tip_y, options.margin);
  EXPECT_NE(tip.find("l-7 22l7-6l7 6z"), std::string::npos) << tip;  // both barbs below the tip
  EXPECT_NE(svg.find(">N</text>", arrow_at), std::string::npos);
}

// Points that are one spot in double precision (1e-320 apart) or one point:
// a drawing of the margins, never an infinite or undefined size.
TEST(write_svg_top_view, PointsWithoutExtentGiveAFiniteDrawing) {
  for (const double apart : {0.0, 1e-320, 1e-12}) {
    SCOPED_TRACE(apart);
    BuildingInput input;
    input.points = {{1.0, 2.0, 3.0}, {1.0 + apart, 2.0 + apart, 3.0}};
    input.roof = {1, 1};
    Result result;
    result.labels = {0, 0};
    std::ostringstream out;
    write_svg_top_view(out, input, result);
    const std::string svg = out.str();
    const double width = std::stod(svg.substr(svg.find("width=\"") + 7));
    const double height = std::stod(svg.substr(svg.find("height=\"") + 8));
    EXPECT_TRUE(std::isfinite(width) && std::isfinite(height)) << svg.substr(0, 200);
    // No number printed as nan or inf ("dominant-baseline" holds "nan").
    EXPECT_FALSE(std::regex_search(svg, std::regex("(^|[^a-z])-?(nan|inf)([^a-z]|$)"))) << svg;
  }
}

}  // namespace
}  // namespace roofplanes

namespace roofplanes {
namespace {

// A region of a partition from corner lists, shared corners one vertex.
void add_region(RoofPartition& partition, int segment, const std::vector<std::vector<Point>>& rings) {
  PartitionRegion region{segment, {}};
  for (const auto& ring : rings) {
    region.rings.emplace_back();
    for (const Point& p : ring) {
      const auto at = std::find(partition.vertices.begin(), partition.vertices.end(), p);
      region.rings.back().push_back(static_cast<std::size_t>(at - partition.vertices.begin()));
      if (at == partition.vertices.end()) partition.vertices.push_back(p);
    }
  }
  partition.regions.push_back(region);
}

// Two buildings with partitions: a 10 m square cut into a thin L (face 1,
// whose centroid lies outside it) and the square it wraps (face 2), and a
// 20 m courtyard house (face 1, its centroid in the courtyard) drawn as face 3.
// The view is 40 m by 20 m: 25 pixels a metre, 40 pixels of margin.
TEST(write_svg_top_view, PartitionEdgesOnceFilledRegionsNumberedInside) {
  RoofPartition cut, courtyard;
  add_region(cut, 1, {{{0, 0}, {10, 0}, {10, 2}, {2, 2}, {2, 10}, {0, 10}}});
  add_region(cut, 2, {{{2, 2}, {10, 2}, {10, 10}, {2, 10}}});
  add_region(courtyard, 1, {{{20, 0}, {40, 0}, {40, 20}, {20, 20}}, {{28, 8}, {28, 12}, {32, 12}, {32, 8}}});
  const auto inside = [](int number, double x, double y) {
    if (number == 1) return (0 < x && x < 10 && 0 < y && y < 2) || (0 < x && x < 2 && 0 < y && y < 10);
    if (number == 2) return 2 < x && x < 10 && 2 < y && y < 10;
    return 20 < x && x < 40 && 0 < y && y < 20 && !(28 <= x && x <= 32 && 8 <= y && y <= 12);
  };
  BuildingInput a, b;
  a.points = {{1, 1, 5}, {9, 9, 6}};
  b.points = {{25, 5, 5}, {35, 15, 5}};
  a.roof = b.roof = {1, 1};
  Result ra, rb;
  for (int k = 1; k <= 2; ++k) {
    Segment s;
    s.number = k;
    s.points = {std::size_t(k - 1)};
    s.corners = {0, 1, 0};  // would be drawn as a polygon without the partition
    ra.segments.push_back(s);
  }
  rb.segments = {ra.segments[0]};
  ra.labels = rb.labels = {1, 2};
  std::ostringstream out;
  write_svg_top_view(out, {}, {{&a, &ra, 0, "a", &cut}, {&b, &rb, 2, "b", &courtyard}});
  const std::string svg = out.str();

  EXPECT_EQ(occurrences(svg, "<polygon"), 0u);  // the partition replaces the corner polygons
  // Edges: the L's six and the square's four, two of them shared: eight lines.
  const std::regex edges_of_a("class=\"partition\" data-building=\"a\" d=\"([^\"]*)\"");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(svg, match, edges_of_a));
  const std::string edges = match[1];
  EXPECT_EQ(std::count(edges.begin(), edges.end(), 'M'), 8);
  std::set<std::string> lines;
  for (std::size_t at = edges.find('M'); at != std::string::npos;) {
    const std::size_t next = edges.find('M', at + 1);
    std::string line = edges.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
    const std::size_t l = line.find('L');
    std::string reversed = line.substr(l + 1) + "L" + line.substr(0, l);
    EXPECT_TRUE(lines.insert(line).second && !lines.count(reversed)) << "drawn twice: " << line;
    at = next;
  }
  // Regions filled in their faces' colours, the courtyard a hole of its region.
  EXPECT_EQ(occurrences(svg, "fill-rule=\"evenodd\""), 1u);
  const std::regex region("<path data-building=\"(\\w)\" data-segment=\"(\\d)\" fill=\"#[0-9a-f]{6}\" d=\"([^\"]*)\"");
  std::map<int, std::string> regions;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), region); it != std::sregex_iterator(); ++it)
    regions[std::stoi((*it)[2])] = (*it)[3];
  ASSERT_EQ(regions.size(), 3u);
  EXPECT_EQ(std::count(regions[3].begin(), regions[3].end(), 'Z'), 2);

  // Each number inside its own region, back from pixels to metres.
  const std::regex label("<text x=\"([0-9.]+)\" y=\"([0-9.]+)\">(\\d)</text>");
  std::set<int> numbered;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator(); ++it) {
    const int number = std::stoi((*it)[3]);
    const double x = (std::stod((*it)[1]) - 40) / 25, y = 20 - (std::stod((*it)[2]) - 40) / 25;
    EXPECT_TRUE(inside(number, x, y)) << number << " at " << x << ", " << y;
    numbered.insert(number);
  }
  EXPECT_EQ(numbered, (std::set<int>{1, 2, 3}));

  // A ring naming no vertex is refused, as a corner naming no point is.
  RoofPartition broken = cut;
  broken.regions[0].rings[0].push_back(99);
  std::ostringstream ignored;
  EXPECT_THROW(write_svg_top_view(ignored, {}, {{&a, &ra, 0, "a", &broken}}), std::invalid_argument);
}

}  // namespace
}  // namespace roofplanes
