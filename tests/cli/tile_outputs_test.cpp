#include "cli/tile_outputs.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "roofplanes.h"
#include "support/generated_tile.h"
#include "support/ply_reader.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

TEST(write_tile_outputs, FailedBuildingLeftOutOfEveryFile) {
  const testing::TilePoints tile = testing::tile_points(testing::small_tile_options());
  const std::vector<FoundBuilding> found = find_buildings(tile.points, tile.roof);
  ASSERT_EQ(found.size(), 6u);
  const std::vector<TileBuilding> buildings = extract_tile(tile.points, found, [&](const BuildingInput& input) {
    if (input.points.size() == found[2].input.size()) throw std::runtime_error("no roof here");
    return extract_roof_planes(input);
  });
  ASSERT_EQ(buildings[2].error, "no roof here");
  testing::ScratchDirectory scratch;
  write_tile_outputs(scratch.path(), tile.points, found, buildings);

  const nlohmann::json city = nlohmann::json::parse(testing::read_text("tile.city.json"));
  std::vector<std::string> ids;
  for (const auto& [id, object] : city["CityObjects"].items()) ids.push_back(id);
  const std::vector<std::string> written{"b1", "b2", "b4", "b5", "b6"};  // b3 failed
  EXPECT_EQ(ids, written);

  std::size_t segments = 0;
  for (const TileBuilding& b : buildings) segments += b.result.segments.size();
  const testing::PlyFile ply = testing::read_ply(testing::read_text("points.ply"));
  ASSERT_EQ(ply.vertex_count, tile.points.size());
  const std::vector<double>& building = ply.columns.at("building");
  const std::vector<double>& segment = ply.columns.at("segment");
  EXPECT_EQ(std::count(building.begin(), building.end(), 3.0), 0);
  EXPECT_EQ(*std::max_element(segment.begin(), segment.end()), static_cast<double>(segments));
}

}  // namespace
}  // namespace roofplanes
