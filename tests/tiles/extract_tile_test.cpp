#include "tiles/extract_tile.h"

#include <set>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "roofplanes.h"
#include "support/generated_tile.h"
#include "tiles/tile_labels.h"

namespace {

using namespace roofplanes;
using roofplanes::testing::small_tile_options;
using roofplanes::testing::tile_points;
using roofplanes::testing::TilePoints;
using Indices = std::vector<std::size_t>;

// Tile indices of a list of the building's own record indices.
Indices in_tile(const Indices& records, const Indices& tile_index) {
  Indices result;
  for (std::size_t r : records) result.push_back(tile_index.at(r));
  return result;
}

TEST(extract_tile, FailuresLeftOutResultsOnTileIndicesInBuildingOrder) {
  const TilePoints tile = tile_points(small_tile_options());
  const std::vector<FoundBuilding> found = find_buildings(tile.points, tile.roof);
  ASSERT_EQ(found.size(), 6u);
  // The second building fails; the extractor knows it by its input's size, which no other shares.
  for (std::size_t k : {0, 2, 3, 4, 5}) ASSERT_NE(found[k].input.size(), found[1].input.size());
  const BuildingExtractor extract = [&](const BuildingInput& input) {
    if (input.points.size() == found[1].input.size()) throw std::runtime_error("no roof here");
    return extract_roof_planes(input);
  };
  // Each report adds one building done and that building's input records
  // (the failed one too): the steps are the input sizes, each once.
  std::size_t calls = 0, points_before = 0;
  std::multiset<std::size_t> sizes_left;
  for (const FoundBuilding& b : found) sizes_left.insert(b.input.size());
  const std::vector<TileBuilding> done = extract_tile(tile.points, found, extract, 2, [&](const TileProgress& p) {
    EXPECT_EQ(p.buildings_done, ++calls);
    EXPECT_EQ(p.buildings, found.size());
    const auto step = sizes_left.find(p.points_done - points_before);
    ASSERT_NE(step, sizes_left.end()) << "a step of " << p.points_done - points_before << " points";
    sizes_left.erase(step);
    points_before = p.points_done;
  });
  EXPECT_EQ(calls, found.size());
  EXPECT_TRUE(sizes_left.empty());
  EXPECT_EQ(done[1].error, "no roof here");
  EXPECT_TRUE(done[1].result.segments.empty() && done[1].tile_index.empty());

  const char* const ids[] = {"b1", "b2", "b3", "b4", "b5", "b6"};
  for (std::size_t k : {0, 2, 3, 4, 5}) {
    SCOPED_TRACE(k);
    const TileBuilding& b = done[k];
    EXPECT_EQ(b.id, ids[k]);
    EXPECT_EQ(b.points, found[k].input.size());
    EXPECT_EQ(b.roof_points, found[k].roof.size());
    // The kept records tell the same as a run of the building on its own.
    const Result direct = extract_roof_planes(building_input(tile.points, found[k]));
    ASSERT_EQ(b.result.segments.size(), direct.segments.size());
    EXPECT_GE(direct.segments.size(), 2u);
    for (std::size_t s = 0; s < direct.segments.size(); ++s) {
      const Segment &kept = b.result.segments[s], &full = direct.segments[s];
      EXPECT_EQ(in_tile(kept.points, b.tile_index), in_tile(full.points, found[k].input));
      EXPECT_EQ(in_tile(kept.corners, b.tile_index), in_tile(full.corners, found[k].input));
      EXPECT_EQ(in_tile(kept.refined_outline, b.tile_index), in_tile(full.refined_outline, found[k].input));
    }
    for (std::size_t r = 0; r < b.tile_index.size(); ++r) EXPECT_EQ(b.shown.points[r], tile.points[b.tile_index[r]]);
  }
}

TileBuilding succeeded(const char* id, Indices tile_index, std::vector<int> labels, std::size_t segments) {
  TileBuilding b;
  b.id = id;
  b.tile_index = std::move(tile_index);
  b.result.labels = std::move(labels);
  b.result.segments.resize(segments);
  return b;
}

// Models built in the buildings' own tasks: each on the tile's grid, the
// same on one thread and on two, none for a building whose extraction failed.
TEST(extract_tile, ModelsOnTheTileGridAlikeForAnyThreads) {
  const TilePoints tile = tile_points(small_tile_options());
  const std::vector<FoundBuilding> found = find_buildings(tile.points, tile.roof);
  const BuildingExtractor extract = [&](const BuildingInput& input) {
    if (input.points.size() == found[1].input.size()) throw std::runtime_error("no roof here");
    return extract_roof_planes(input);
  };
  const TileModelOptions model{true, {{0.001, 0.001, 0.001}, {350000.0, 5800000.0, 30.0}}, std::nullopt};
  const std::vector<TileBuilding> one = extract_tile(tile.points, found, extract, 1, {}, {}, model);
  const std::vector<TileBuilding> two = extract_tile(tile.points, found, extract, 2, {}, {}, model);
  ASSERT_EQ(one.size(), found.size());
  for (std::size_t k = 0; k < one.size(); ++k) {
    SCOPED_TRACE(one[k].id);
    if (k == 1) {
      EXPECT_FALSE(one[k].error.empty());
      EXPECT_TRUE(one[k].model.lod22.surfaces.empty() && one[k].model.lod12.surfaces.empty());
      continue;
    }
    EXPECT_EQ(one[k].grid.translate, model.grid.translate);
    // A solid, or the reason there is none.
    EXPECT_NE(one[k].model.lod22.surfaces.empty(), one[k].model.problem.empty());
    EXPECT_EQ(one[k].model.problem, two[k].model.problem);
    EXPECT_EQ(one[k].model.lod22.vertices, two[k].model.lod22.vertices);
    EXPECT_EQ(one[k].model.lod12.vertices, two[k].model.lod12.vertices);
    EXPECT_EQ(one[k].model.lod22.surfaces.size(), two[k].model.lod22.surfaces.size());
    EXPECT_EQ(one[k].model.ground_height, two[k].model.ground_height);
  }
  // Without models asked for, none is built.
  const std::vector<TileBuilding> bare = extract_tile(tile.points, found, extract, 2);
  for (const TileBuilding& b : bare) EXPECT_TRUE(b.model.problem.empty() && b.model.lod12.surfaces.empty());
}

TEST(tile_labels, OwnersOfSharedPointsAndTileWideSegmentNumbers) {
  // b1's box holds points 0-4 and its roof 1, 2; b2 (failed) holds 7 and 8;
  // b3's box holds 2, 3, 5, 6, its roof 5. Point 9 lies in no box.
  std::vector<FoundBuilding> found(3);
  found[0].roof = {1, 2}, found[0].input = {0, 1, 2, 3, 4};
  found[1].roof = {8}, found[1].input = {7, 8};
  found[2].roof = {5}, found[2].input = {2, 3, 5, 6};
  TileBuilding failed;
  failed.id = "b2", failed.error = "no roof here";
  const std::vector<TileBuilding> buildings{succeeded("b1", {1, 2}, {2, 1}, 2), failed,
                                            succeeded("b3", {5, 6}, {1, 0}, 1)};
  const TileLabels labels = tile_labels(10, found, buildings);
  // 2 is b1's roof point inside b3's box: b1's; 3 is in both boxes, nobody's roof: no one's.
  EXPECT_EQ(labels.building, (std::vector<int>{1, 1, 1, 0, 1, 3, 3, 0, 0, 0}));
  EXPECT_EQ(labels.roof, (std::vector<std::uint8_t>{0, 1, 1, 0, 0, 1, 0, 0, 1, 0}));
  // b3's segment 1 comes after b1's two.
  EXPECT_EQ(labels.segment, (std::vector<int>{0, 2, 1, 0, 0, 3, 0, 0, 0, 0}));
}

}  // namespace
