#include "points/point_cloud.h"

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/generated_input.h"
#include "support/triangulations.h"

namespace roofplanes {
namespace {

using testing::vertices_of;

TEST(triangulate_points, FreshLabelsInRecordOrder) {
  const PointCloud cloud = triangulate_points({{0, 0, 1}, {4, 0, 2}, {0, 3, 3}});
  ASSERT_EQ(cloud.triangulation.number_of_vertices(), 3u);
  const VertexList v = vertices_of(cloud.triangulation);
  EXPECT_EQ(v, cloud.vertices);
  for (int k = 0; k < 3; ++k) {
    const PointLabel& label = v[k]->info();
    EXPECT_EQ(label.index(), k);
    EXPECT_FALSE(label.is_roof());
    EXPECT_FALSE(label.on_plane());
    EXPECT_EQ(label.border_mark(), 0);
    EXPECT_EQ(label.cluster_id(), -1);
    EXPECT_EQ(label.position(), k);
    EXPECT_EQ(v[k]->point().z(), k + 1.0);
  }
  EXPECT_EQ(cloud.triangulation.dimension(), 2);
}

TEST(triangulate_points, RepeatedPositionKeepsFirstPointTakesLaterLabel) {
  // Records 2 and 3 share x and y; so do records 0 and 6 (−0 equals 0).
  const PointCloud cloud =
      triangulate_points({{0, 0, 0}, {5, 0, 0}, {2, 2, 7}, {2, 2, 9}, {5, 5, 1}, {0, 5, 2}, {-0.0, 0, 4}});
  ASSERT_EQ(cloud.triangulation.number_of_vertices(), 5u);
  const VertexList& v = cloud.vertices;
  EXPECT_EQ(v[2]->point().z(), 7.0);
  EXPECT_EQ(v[2]->info().index(), 3);
  EXPECT_EQ(v[0]->info().index(), 6);
  // Every later vertex is one position earlier than its record number.
  EXPECT_EQ(v[4]->info().index(), 5);
  EXPECT_EQ(cloud.first_record, (std::vector<std::size_t>{0, 1, 2, 4, 5}));
  EXPECT_EQ(cloud.position_of_record, (std::vector<std::int32_t>{0, 1, 2, 2, 3, 4, 0}));
  for (std::size_t k = 0; k < v.size(); ++k) EXPECT_EQ(v[k]->info().position(), static_cast<int>(k));
}

TEST(triangulate_points, DegenerateInputsAndTheInfiniteVertex) {
  EXPECT_EQ(triangulate_points({}).triangulation.number_of_vertices(), 0u);
  const PointCloud line = triangulate_points({{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 5}});
  EXPECT_EQ(line.triangulation.number_of_vertices(), 4u);
  EXPECT_EQ(line.triangulation.number_of_faces(), 0u);

  // The infinite vertex must read as no roof, plane, marked or region point.
  const PointCloud t = triangulate_points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const PointLabel& label = t.triangulation.infinite_vertex()->info();
  EXPECT_EQ(label.index(), -1);
  EXPECT_FALSE(label.is_roof());
  EXPECT_FALSE(label.on_plane());
  EXPECT_EQ(label.border_mark(), 0);
  EXPECT_EQ(label.cluster_id(), -3);
}

}  // namespace
}  // namespace roofplanes

namespace roofplanes {
namespace {

// Every vertex and face in iteration order, with what each holds: two
// triangulations that give the same text were built the same way.
std::string structure_of(const PointTriangulation& t) {
  std::map<Vertex_handle, std::size_t> number;
  std::ostringstream out;
  out.precision(17);
  for (auto v = t.all_vertices_begin(); v != t.all_vertices_end(); ++v) {
    number[v] = number.size();
    if (!t.is_infinite(v)) out << v->point() << ';';
  }
  std::map<Face_handle, std::size_t> face_number;
  for (auto f = t.all_faces_begin(); f != t.all_faces_end(); ++f) face_number[f] = face_number.size();
  for (auto f = t.all_faces_begin(); f != t.all_faces_end(); ++f)
    for (int i = 0; i < 3; ++i) out << number[f->vertex(i)] << ',' << face_number[f->neighbor(i)] << ' ';
  for (auto v = t.all_vertices_begin(); v != t.all_vertices_end(); ++v) out << face_number[v->face()] << ' ';
  return out.str();
}

TEST(triangulate_points, SameTriangulationAsInsertingWithoutAHint) {
  // A lattice (points on edges and on common circles), the same lattice
  // again (every point a repeat), a line first (one dimension for a while),
  // and a generated building with its repeats.
  std::vector<std::vector<Point>> inputs(2);
  for (int i = 0; i < 15; ++i) inputs[0].push_back({static_cast<double>(i), 0.0, 0.0});
  for (int i = 0; i < 15; ++i)
    for (int j = 0; j < 15; ++j) inputs[0].push_back({static_cast<double>(i), static_cast<double>(j), 0.5 * i});
  inputs[0].insert(inputs[0].end(), inputs[0].begin(), inputs[0].end());
  inputs[1] = testing::input_of(building_generator::generate_building(building_generator::options_for_roof_points(
                                    building_generator::RoofShape::cross_gable, 4000, 11)))
                  .points;
  for (const std::vector<Point>& records : inputs) {
    PointTriangulation plain;
    for (const Point& p : records) plain.insert(Point3(p.x, p.y, p.z));
    EXPECT_EQ(structure_of(triangulate_points(records).triangulation), structure_of(plain));
  }
}

}  // namespace
}  // namespace roofplanes
