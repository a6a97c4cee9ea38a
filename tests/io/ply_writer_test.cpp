#include "io/ply_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <sstream>

#include "support/ply_reader.h"

namespace roofplanes {
namespace {

using testing::read_ply;

// More records than one write block holds, with coordinates that a decimal
// round trip would not keep.
void make_records(std::vector<Point>& points, std::vector<int>& labels, std::vector<std::uint8_t>& roof) {
  for (int i = 0; i < 5000; ++i) {
    points.push_back({350000.0 + i / 3.0, std::nextafter(5800000.0 + i * 0.001, 6e6), -1e-300 * i + std::sqrt(i)});
    labels.push_back(i % 7 == 0 ? 0 : i % 1000 + 1);
    roof.push_back(i % 5 == 0 ? 0 : (i % 3 == 0 ? 7 : 1));  // any non-zero flag is a roof point
  }
}

void expect_records(const testing::PlyFile& file, const std::vector<Point>& points, const std::vector<int>& labels,
                    const std::vector<std::uint8_t>& roof) {
  ASSERT_EQ(file.vertex_count, points.size());
  EXPECT_EQ(file.trailing_bytes, 0u);
  for (std::size_t i = 0; i < points.size(); ++i) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(file.columns.at("x")[i]), std::bit_cast<std::uint64_t>(points[i].x)) << i;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(file.columns.at("y")[i]), std::bit_cast<std::uint64_t>(points[i].y)) << i;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(file.columns.at("z")[i]), std::bit_cast<std::uint64_t>(points[i].z)) << i;
    ASSERT_EQ(file.columns.at("segment")[i], labels[i]) << i;
    ASSERT_EQ(file.columns.at("roof")[i], roof[i] != 0 ? 1 : 0) << i;
  }
}

TEST(write_labelled_ply, RoundTripsEveryRecordInOrder) {
  std::vector<Point> points;
  std::vector<int> labels;
  std::vector<std::uint8_t> roof;
  make_records(points, labels, roof);
  Result result;
  result.labels = labels;
  std::ostringstream out;
  write_labelled_ply(out, BuildingInput{points, roof}, result, "1.4.2");
  const testing::PlyFile file = read_ply(out.str());
  EXPECT_EQ(file.comments, std::vector<std::string>{"roofplanes 1.4.2"});
  EXPECT_EQ(file.properties, (std::vector<std::pair<std::string, std::string>>{
                                 {"double", "x"}, {"double", "y"}, {"double", "z"}, {"int", "segment"}, {"uchar", "roof"}}));
  expect_records(file, points, labels, roof);
}

TEST(write_labelled_ply, BuildingNumbersAsAnExtraProperty) {
  std::vector<Point> points;
  std::vector<int> labels;
  std::vector<std::uint8_t> roof;
  make_records(points, labels, roof);
  std::vector<int> buildings;
  for (std::size_t i = 0; i < points.size(); ++i) buildings.push_back(static_cast<int>(i / 400));
  std::ostringstream out;
  write_labelled_ply(out, points, labels, roof, "dev", &buildings);
  const testing::PlyFile file = read_ply(out.str());
  ASSERT_EQ(file.properties.size(), 6u);
  EXPECT_EQ(file.properties.back(), (std::pair<std::string, std::string>{"int", "building"}));
  expect_records(file, points, labels, roof);
  for (std::size_t i = 0; i < points.size(); ++i) ASSERT_EQ(file.columns.at("building")[i], buildings[i]) << i;

  buildings.pop_back();
  std::ostringstream ignored;
  EXPECT_THROW(write_labelled_ply(ignored, points, labels, roof, "dev", &buildings), std::invalid_argument);
}

}  // namespace
}  // namespace roofplanes
