#include "planes/max_roof_distance.h"

#include <gtest/gtest.h>

#include "support/triangulations.h"

namespace roofplanes {
namespace {

using roofplanes::testing::triangulation_of;
using roofplanes::testing::vertices_of;

TEST(PointDistance, EuclideanDistance) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(point_distance(Point3(1, 2, 3), Point3(4, 6, 3)), 5.0);
  EXPECT_EQ(point_distance(Point3(4, 6, 3), Point3(1, 2, 3)), 5.0);
  EXPECT_EQ(point_distance(Point3(0, 0, 0), Point3(2, 3, 6)), 7.0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST(PointDistance, EqualPointsWarnWithoutLineEnd) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(point_distance(Point3(1.5, -2, 3), Point3(1.5, -2, 3)), 0.0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Calculating distance between a point and itself!");
  // Equal in x and y only is no warning.
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(point_distance(Point3(1, 1, 0), Point3(1, 1, 2)), 2.0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST(MaxRoofDistance, LargestDistanceOfRoofPointsOnly) {
  PointTriangulation triangulation =
      triangulation_of({{3, 4, 0}, {100, 0, 0}, {1, 1, 1}, {-2, 0, 6}, {0, -50, 1}, {2, -1, 2}});
  const VertexList v = vertices_of(triangulation);
  EXPECT_EQ(max_roof_distance(triangulation), 0.0);  // no roof point yet
  for (int roof : {0, 2, 3, 5}) v[roof]->info().set_is_roof(true);
  // (-2, 0, 6) is farthest among the roof points; the far points are not roof.
  EXPECT_EQ(max_roof_distance(triangulation), std::sqrt(40.0));
  v[3]->info().set_is_roof(false);
  EXPECT_EQ(max_roof_distance(triangulation), 5.0);
}

TEST(MaxRoofDistance, RoofPointAtTheOriginWarns) {
  PointTriangulation triangulation = triangulation_of({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const VertexList v = vertices_of(triangulation);
  v[0]->info().set_is_roof(true);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(max_roof_distance(triangulation), 0.0);
  v[1]->info().set_is_roof(true);
  EXPECT_EQ(max_roof_distance(triangulation), 1.0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Calculating distance between a point and itself!Calculating distance between a point and itself!");
}

}  // namespace
}  // namespace roofplanes
