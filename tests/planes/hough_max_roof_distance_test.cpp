#include "planes/max_roof_distance.h"

#include <gtest/gtest.h>

#include "support/captured_report.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using roofplanes::testing::triangulation_of;
using roofplanes::testing::vertices_of;

TEST(PointDistance, EuclideanDistance) {
  testing::CapturedReport out;
  EXPECT_EQ(point_distance(Point3(1, 2, 3), Point3(4, 6, 3), out.report), 5.0);
  EXPECT_EQ(point_distance(Point3(4, 6, 3), Point3(1, 2, 3), out.report), 5.0);
  EXPECT_EQ(point_distance(Point3(0, 0, 0), Point3(2, 3, 6), out.report), 7.0);
  EXPECT_EQ(out.observer.console_text, "");
}

TEST(PointDistance, EqualPointsWarnWithoutLineEnd) {
  testing::CapturedReport out;
  EXPECT_EQ(point_distance(Point3(1.5, -2, 3), Point3(1.5, -2, 3), out.report), 0.0);
  EXPECT_EQ(out.observer.console_text, "Calculating distance between a point and itself!");
  // Equal in x and y only is no warning.
  testing::CapturedReport other;
  EXPECT_EQ(point_distance(Point3(1, 1, 0), Point3(1, 1, 2), other.report), 2.0);
  EXPECT_EQ(other.observer.console_text, "");
}

TEST(MaxRoofDistance, LargestDistanceOfRoofPointsOnly) {
  PointTriangulation triangulation =
      triangulation_of({{3, 4, 0}, {100, 0, 0}, {1, 1, 1}, {-2, 0, 6}, {0, -50, 1}, {2, -1, 2}});
  const VertexList v = vertices_of(triangulation);
  testing::CapturedReport out;
  EXPECT_EQ(max_roof_distance(triangulation, out.report), 0.0);  // no roof point yet
  for (int roof : {0, 2, 3, 5}) v[roof]->info().set_is_roof(true);
  // (-2, 0, 6) is farthest among the roof points; the far points are not roof.
  EXPECT_EQ(max_roof_distance(triangulation, out.report), std::sqrt(40.0));
  v[3]->info().set_is_roof(false);
  EXPECT_EQ(max_roof_distance(triangulation, out.report), 5.0);
}

TEST(MaxRoofDistance, RoofPointAtTheOriginWarns) {
  PointTriangulation triangulation = triangulation_of({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const VertexList v = vertices_of(triangulation);
  v[0]->info().set_is_roof(true);
  testing::CapturedReport out;
  EXPECT_EQ(max_roof_distance(triangulation, out.report), 0.0);
  v[1]->info().set_is_roof(true);
  EXPECT_EQ(max_roof_distance(triangulation, out.report), 1.0);
  EXPECT_EQ(out.observer.console_text,
            "Calculating distance between a point and itself!Calculating distance between a point and itself!");
}

}  // namespace
}  // namespace roofplanes
