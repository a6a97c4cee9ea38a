#include "io/vrml_writers.h"

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

using testing::read_text;
using testing::ScratchDirectory;

// Points in the order given.
std::vector<Point> points_of(const std::vector<std::array<double, 3>>& coordinates) {
  std::vector<Point> points;
  for (const auto& c : coordinates) points.push_back({c[0], c[1], c[2]});
  return points;
}

const std::string points_preamble =
    "#VRML V2.0 utf8\n\n"
    "DEF red Appearance {material Material { diffuseColor 1 0 0 }}\n"
    "DEF white Appearance {material Material { diffuseColor 1 1 1 }}\n"
    "DEF green Appearance {material Material { diffuseColor 0 1 0 }}\n"
    "DEF blue Appearance {material Material { diffuseColor 0 0 1 }}\n"
    "DEF yellow Appearance {material Material { diffuseColor 1 1 0 }}\n"
    "DEF magenta Appearance {material Material { diffuseColor 1 0 1 }}\n"
    "DEF cyan Appearance {material Material { diffuseColor 0 1 1 }}\n\n";

const std::string polygon_preamble =
    "#VRML V2.0 utf8\n"
    "DEF white Appearance {material Material { diffuseColor 1 1 1 }}\n"
    "DEF red Appearance {material Material { diffuseColor 1 0 0 }}\n"
    "DEF green Appearance {material Material { diffuseColor 0 1 0 }}\n"
    "DEF blue Appearance {material Material { diffuseColor 0 0 1 }}\n"
    "DEF yellow Appearance {material Material { diffuseColor 1 1 0 }}\n"
    "DEF magenta Appearance {material Material { diffuseColor 1 0 1 }}\n"
    "DEF cyan Appearance {material Material { diffuseColor 0 1 1 }}\n\n";

TEST(write_vrml_polygon, WholeFileOfThreeVertices) {
  ScratchDirectory scratch;
  std::vector<Point> vertices = points_of({{0, 0, 5}, {10, 0, 5}, {10, 8, 6.5}});
  write_vrml_polygon(vertices, "poly.wrl", "default", "blue", 2);
  EXPECT_EQ(read_text("poly.wrl"),
            "#VRML V2.0 utf8\n"
            "DEF white Appearance {material Material { diffuseColor 1 1 1 }}\n"
            "DEF red Appearance {material Material { diffuseColor 1 0 0 }}\n"
            "DEF green Appearance {material Material { diffuseColor 0 1 0 }}\n"
            "DEF blue Appearance {material Material { diffuseColor 0 0 1 }}\n"
            "DEF yellow Appearance {material Material { diffuseColor 1 1 0 }}\n"
            "DEF magenta Appearance {material Material { diffuseColor 1 0 1 }}\n"
            "DEF cyan Appearance {material Material { diffuseColor 0 1 1 }}\n"
            "\n"
            "\n"
            "Shape{ appearance USE blue\n"
            "geometry IndexedLineSet{coord Coordinate{point[\n"
            "0.00 0.00 5.00\n"
            "10.00 0.00 5.00\n"
            "10.00 8.00 6.50\n"
            "]}coordIndex [0 1 2 0 -1 2 1 0 2]}}\n");
}

TEST(write_vrml_polygon, SingleAndNoVertex) {
  ScratchDirectory scratch;
  std::vector<Point> one = points_of({{1, 2, 3}});
  write_vrml_polygon(one, "one.wrl", "default", "red", 1);
  EXPECT_EQ(read_text("one.wrl"), polygon_preamble +
                                      "\nShape{ appearance USE red\n"
                                      "geometry IndexedLineSet{coord Coordinate{point[\n"
                                      "1.0 2.0 3.0\n"
                                      "]}coordIndex [0 0 -1 0 0]}}\n");
  std::vector<Point> none;
  write_vrml_polygon(none, "none.wrl", "default", "blue", 2);
  EXPECT_EQ(read_text("none.wrl"), polygon_preamble);
}

TEST(write_vrml_points, SpheresWithFixedDecimals) {
  ScratchDirectory scratch;
  std::vector<Point> vertices = points_of({{12.345, 100, -0.004}, {1.5, -2.25, 0}});
  write_vrml_points(vertices, "points.wrl", "default", "blue", 2);
  EXPECT_EQ(read_text("points.wrl"),
            points_preamble +
                "Transform {translation 12.35 100.00 -0.00\n"  // 12.345 is stored just above the half
                "children Shape { appearance USE\tblue geometry Sphere\t{radius 0.3}}}\n"
                "Transform {translation 1.50 -2.25 0.00\n"
                "children Shape { appearance USE\tblue geometry Sphere\t{radius 0.3}}}\n");
  std::vector<Point> none;
  write_vrml_points(none, "empty.wrl", "default", "blue", 2);
  EXPECT_EQ(read_text("empty.wrl"), points_preamble);
}

TEST(write_vrml_points_cycled, ColoursCycleAndAppearanceIsIgnored) {
  ScratchDirectory scratch;
  std::vector<Point> vertices = points_of({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
  write_vrml_points_cycled(vertices, "cycled.wrl", "default", "yellow", 0);
  const std::string closing = " geometry Sphere\t{radius 0.1}}}\n";
  EXPECT_EQ(read_text("cycled.wrl"), points_preamble +
                                         "Transform {translation 0 0 0\nchildren Shape { appearance USE\tred" +
                                         closing + "Transform {translation 1 0 0\nchildren Shape { appearance USE\tgreen" +
                                         closing + "Transform {translation 0 1 0\nchildren Shape { appearance USE\tblue" +
                                         closing + "Transform {translation 1 1 0\nchildren Shape { appearance USE\tred" +
                                         closing);
  std::vector<Point> none;
  write_vrml_points_cycled(none, "empty.wrl", "default", "yellow", 2);
  EXPECT_EQ(read_text("empty.wrl"), points_preamble);
}

// Every coordinate reads as a stream in fixed notation writes it: the values
// whose decimals round differently from how they read (0.005 and 2.675 are
// stored just above and below their half, 0.015 just below), exact ties
// (half to even), signed zero, huge, tiny and non-finite values, and random
// ones of every magnitude, at several precisions.
TEST(write_vrml_points, CoordinatesReadAsTheStreamWritesThem) {
  ScratchDirectory scratch;
  std::vector<double> values{-0.0, 0.005, 0.015, 2.675, -0.005, 0.125, 0.375, 2.5, 1.005, 0.995, 1e300, -1e-300,
                             5e-324, std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
  std::mt19937_64 random(3);
  for (int i = 0; i < 3000; ++i) {
    values.push_back(std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 90) - 75) *
                     (i % 2 == 0 ? 1 : -1));
    values.push_back(static_cast<double>(static_cast<long long>(random() % 2000001) - 1000000) / 1000 + 0.005);
  }
  std::vector<Point> points;
  for (std::size_t i = 0; i + 2 < values.size(); i += 3) points.push_back({values[i], values[i + 1], values[i + 2]});
  points.push_back({values[values.size() - 2], values.back(), 0.0});
  for (const int precision : {0, 2, 3, 17}) {
    std::ostringstream expected;
    expected << points_preamble;
    expected.setf(std::ios::fixed, std::ios::floatfield);
    expected.precision(precision);
    for (const Point& p : points)
      expected << "Transform {translation " << p.x << " " << p.y << " " << p.z << "\n"
               << "children Shape { appearance USE\tblue geometry Sphere\t{radius 0.3}}}\n";
    write_vrml_points(points, "points.wrl", "default", "blue", precision);
    EXPECT_TRUE(read_text("points.wrl") == expected.str()) << "precision " << precision;
  }
}

TEST(write_vrml_points, DefaultModeReplacesAndAppModeAppends) {
  ScratchDirectory scratch;
  const std::vector<Point> first = points_of({{0, 0, 0}});
  const std::vector<Point> second = points_of({{1, 0, 0}});
  write_vrml_points(first, "scene.wrl", "default", "blue", 2);
  write_vrml_points(second, "scene.wrl", "default", "blue", 2);
  const std::string only_second = read_text("scene.wrl");
  EXPECT_EQ(only_second, points_preamble +
                             "Transform {translation 1.00 0.00 0.00\n"
                             "children Shape { appearance USE\tblue geometry Sphere\t{radius 0.3}}}\n");
  write_vrml_points(first, "scene.wrl", "app", "blue", 2);
  EXPECT_EQ(read_text("scene.wrl"), only_second + points_preamble +
                                        "Transform {translation 0.00 0.00 0.00\n"
                                        "children Shape { appearance USE\tblue geometry Sphere\t{radius 0.3}}}\n");
}

TEST(write_vrml_points, UnwritableFileIsSkippedAndSaidSo) {
  ScratchDirectory scratch;
  const std::vector<Point> vertices = points_of({{0, 0, 0}});
  EXPECT_FALSE(write_vrml_points(vertices, "no_such_directory/scene.wrl", "default", "blue", 2));
  EXPECT_FALSE(write_vrml_polygon(vertices, "no_such_directory/poly.wrl", "app", "blue", 2));
  EXPECT_FALSE(std::filesystem::exists("no_such_directory"));
  EXPECT_TRUE(write_vrml_points(vertices, "scene.wrl", "default", "blue", 2));
  // A full disk shows only when the stream is closed.
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(write_vrml_points(vertices, "/dev/full", "app", "blue", 2));
  }
}

}  // namespace
}  // namespace roofplanes
