#include "tile_generator.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "io/las_reader.h"
#include "support/scratch_directory.h"

namespace {

using namespace building_generator;

constexpr double kGround = 36.40;

TileOptions small_town(std::uint64_t seed) {
  TileOptions options;
  options.buildings = 6;
  options.size = 120.0;
  options.points_per_m2 = 12.0;
  options.seed = seed;
  return options;
}

std::string truth_text(const Tile& tile) {
  std::ostringstream out;
  write_tile_truth(tile, out);
  return out.str();
}

TEST(generate_tile, SameSeedSameTileOtherSeedOtherTile) {
  const Tile a = generate_tile(small_town(3)), b = generate_tile(small_town(3));
  const Tile c = generate_tile(small_town(4));
  ASSERT_EQ(a.records.size(), b.records.size());
  for (std::size_t i = 0; i < a.records.size(); ++i) {
    ASSERT_EQ(a.records[i].x, b.records[i].x);
    ASSERT_EQ(a.records[i].y, b.records[i].y);
    ASSERT_EQ(a.records[i].z, b.records[i].z);
    ASSERT_EQ(a.records[i].classification, b.records[i].classification);
  }
  EXPECT_EQ(truth_text(a), truth_text(b));
  EXPECT_NE(truth_text(a), truth_text(c));
}

// Grid of roof points for "is there a roof point within r" look-ups, r at most a cell.
struct RoofCells {
  std::map<std::pair<long, long>, std::vector<std::pair<double, double>>> cells;
  static long cell(double t) { return static_cast<long>(std::floor(t)); }
  bool near(double x, double y, double r) const {
    for (long i = cell(x) - 1; i <= cell(x) + 1; ++i)
      for (long j = cell(y) - 1; j <= cell(y) + 1; ++j) {
        const auto found = cells.find({i, j});
        if (found == cells.end()) continue;
        for (const auto& [px, py] : found->second)
          if (std::hypot(px - x, py - y) < r) return true;
      }
    return false;
  }
};

TEST(generate_tile, RecordsAgreeWithTheirTruth) {
  TileOptions options = small_town(11);
  options.wall_class = 6;
  const Tile tile = generate_tile(options);
  ASSERT_EQ(tile.buildings.size(), 6u);
  const double area = (tile.max_x - tile.min_x) * (tile.max_y - tile.min_y);
  const double density = static_cast<double>(tile.records.size()) / area;
  EXPECT_GT(density, 0.9 * options.points_per_m2);
  EXPECT_LT(density, 1.3 * options.points_per_m2);

  // Houses stand apart: every roof point inside its building's circle, circles 6 m apart.
  for (std::size_t i = 0; i < tile.buildings.size(); ++i)
    for (std::size_t j = 0; j < i; ++j) {
      const TileBuilding &a = tile.buildings[i], &b = tile.buildings[j];
      EXPECT_GE(std::hypot(a.centre_x - b.centre_x, a.centre_y - b.centre_y),
                a.radius + b.radius + 6.0);
    }
  RoofCells roofs;
  std::vector<std::vector<int>> face_hits(tile.buildings.size());
  std::vector<double> highest(tile.buildings.size(), 0.0);
  for (std::size_t i = 0; i < tile.records.size(); ++i) {
    const LasRecord& r = tile.records[i];
    const int b = tile.building_of_record[i], f = tile.face_of_record[i];
    ASSERT_TRUE(r.x >= tile.min_x && r.x <= tile.max_x && r.y >= tile.min_y && r.y <= tile.max_y);
    if (f < 0) continue;
    const TileBuilding& building = tile.buildings[static_cast<std::size_t>(b)];
    ASSERT_EQ(r.classification, 6);
    ASSERT_LT(static_cast<std::size_t>(f), building.planes.size());
    const TruePlane& plane = building.planes[static_cast<std::size_t>(f)];
    ASSERT_NEAR(r.z, plane.a * r.x + plane.b * r.y + plane.c, 0.25) << "record " << i;
    ASSERT_LE(std::hypot(r.x - building.centre_x, r.y - building.centre_y), building.radius);
    face_hits[b].resize(building.planes.size());
    ++face_hits[b][static_cast<std::size_t>(f)];
    highest[b] = std::max(highest[b], r.z);
    roofs.cells[{RoofCells::cell(r.x), RoofCells::cell(r.y)}].push_back({r.x, r.y});
  }
  for (std::size_t b = 0; b < tile.buildings.size(); ++b) {
    ASSERT_EQ(face_hits[b].size(), tile.buildings[b].planes.size()) << "building " << b;
    for (int hits : face_hits[b]) EXPECT_GE(hits, 20) << "building " << b;
  }

  std::size_t walls = 0, trees = 0;
  for (std::size_t i = 0; i < tile.records.size(); ++i) {
    const LasRecord& r = tile.records[i];
    const int b = tile.building_of_record[i];
    if (tile.face_of_record[i] >= 0) continue;
    if (b >= 0) {  // facade: beside its roof, between the ground and the roof
      ++walls;
      const TileBuilding& building = tile.buildings[static_cast<std::size_t>(b)];
      ASSERT_EQ(r.classification, options.wall_class);
      ASSERT_LE(std::hypot(r.x - building.centre_x, r.y - building.centre_y), building.radius + 0.3);
      ASSERT_TRUE(r.z >= kGround + 0.29 && r.z <= highest[b]) << "record " << i;
      continue;
    }
    // Ground and trees never under a roof.
    ASSERT_FALSE(roofs.near(r.x, r.y, 0.25)) << "record " << i;
    if (r.classification == 2) {
      ASSERT_NEAR(r.z, kGround, 0.2) << "record " << i;
    } else {
      ASSERT_EQ(r.classification, 5);
      ASSERT_TRUE(r.z >= kGround + 3.0 && r.z <= kGround + 15.0) << "record " << i;
      ++trees;
    }
  }
  EXPECT_GT(walls, 100u);
  EXPECT_GT(trees, 100u);
}

TEST(generate_tile, WrittenTileReadsBackWithItsTruth) {
  const Tile tile = generate_tile(small_town(5));
  roofplanes::testing::ScratchDirectory scratch;
  LasFileOptions las;
  las.version_minor = 4;
  las.point_format = 6;
  las.offset[0] = tile.min_x;
  las.offset[1] = tile.min_y;
  ASSERT_TRUE(write_las(tile.records, las, "tile.las"));
  const roofplanes::LasCloud cloud = roofplanes::read_las("tile.las");
  ASSERT_EQ(cloud.points.size(), tile.records.size());

  std::istringstream truth(truth_text(tile));
  std::string word;
  std::size_t count = 0;
  while (truth >> word && word != "records") {}
  ASSERT_TRUE(truth >> count);
  ASSERT_EQ(count, tile.records.size());
  for (std::size_t i = 0; i < count; ++i) {
    const roofplanes::LasPoint& p = cloud.points[i];
    ASSERT_NEAR(p.x, tile.records[i].x, 0.005 + 1e-9);
    ASSERT_NEAR(p.y, tile.records[i].y, 0.005 + 1e-9);
    ASSERT_NEAR(p.z, tile.records[i].z, 0.005 + 1e-9);
    ASSERT_EQ(p.classification, tile.records[i].classification);
    int building = 0, face = 0;
    ASSERT_TRUE(truth >> building >> face);
    ASSERT_EQ(building, tile.building_of_record[i]);
    ASSERT_EQ(face, tile.face_of_record[i]);
  }
  EXPECT_FALSE(truth >> word);  // nothing after the last record
}

}  // namespace
