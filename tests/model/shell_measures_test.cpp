#include "model/shell_measures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/model_shells.h"

namespace roofplanes {
namespace {

using testing::box_house;
using testing::courtyard_house;
using testing::gable_house;
using testing::model_test_grid;

// Volumes, areas and heights of hand-built shells against their hand-computed values.
TEST(shell_measures, BoxGableAndCourtyardMeasuredByHand) {
  const ModelGrid grid = model_test_grid();
  const BuildingModel box = box_house(), gable = gable_house(), courtyard = courtyard_house();

  EXPECT_NEAR(shell_volume(box.lod22, grid), 240.0, 1e-9);
  EXPECT_NEAR(shell_volume(gable.lod22, grid), 400.0, 1e-9);
  EXPECT_NEAR(shell_volume(gable.lod12, grid), 10 * 8 * 5.6, 1e-9);
  EXPECT_NEAR(shell_volume(courtyard.lod22, grid), 1920.0, 1e-9);

  EXPECT_NEAR(shell_area(box.lod22, SurfaceKind::roof, grid), 60.0, 1e-9);
  EXPECT_NEAR(shell_area(box.lod22, SurfaceKind::wall, grid), 2 * (10 + 6) * 4.0, 1e-9);
  EXPECT_NEAR(shell_area(box.lod22, SurfaceKind::ground, grid), 60.0, 1e-9);
  EXPECT_NEAR(shell_area(gable.lod22, SurfaceKind::roof, grid), 2 * 8 * std::sqrt(41.0), 1e-9);
  // Two eave walls 10 × 3 with the gable triangle 10 × 4 / 2 on top, two side walls 8 × 3.
  EXPECT_NEAR(shell_area(gable.lod22, SurfaceKind::wall, grid), 2 * (30 + 20) + 2 * 24, 1e-9);
  // The holes subtract: 400 − 16 for the roof; the courtyard's four walls add 4 · 4 · 5.
  EXPECT_NEAR(shell_area(courtyard.lod22, SurfaceKind::roof, grid), 384.0, 1e-9);
  EXPECT_NEAR(shell_area(courtyard.lod22, SurfaceKind::wall, grid), 4 * 20 * 5 + 4 * 4 * 5, 1e-9);
  EXPECT_NEAR(surface_xy_area(courtyard.lod22, courtyard.lod22.surfaces[0], grid), 384.0, 1e-9);
  EXPECT_NEAR(surface_area(gable.lod22, gable.lod22.surfaces[0], grid), 8 * std::sqrt(41.0), 1e-9);
  EXPECT_NEAR(surface_xy_area(gable.lod22, gable.lod22.surfaces[0], grid), 40.0, 1e-9);
  EXPECT_NEAR(surface_xy_area(gable.lod22, gable.lod22.surfaces[2], grid), 0.0, 1e-9);  // a wall

  const auto heights = roof_corner_heights(gable.lod22, grid);
  ASSERT_TRUE(heights);
  EXPECT_DOUBLE_EQ(heights->eave, 43.0);
  EXPECT_DOUBLE_EQ(heights->ridge, 47.0);
  EXPECT_FALSE(roof_corner_heights(Shell{}, grid));
  EXPECT_EQ(shell_volume(Shell{}, grid), 0.0);
}

// The volume is a property of the closed shell, not of where its vertices
// sit: moving every vertex keeps it, and turning every ring inside out
// negates it (so a shell facing inwards cannot pass for a valid one).
TEST(shell_measures, VolumeKeepsUnderTranslationAndTurnsWithOrientation) {
  const ModelGrid grid = model_test_grid();
  for (BuildingModel model : {box_house(), gable_house(), courtyard_house()}) {
    const double volume = shell_volume(model.lod22, grid);
    Shell moved = model.lod22;
    for (auto& v : moved.vertices) v = {v[0] + 123456789, v[1] - 98765432, v[2] + 5000};
    EXPECT_NEAR(shell_volume(moved, grid), volume, 1e-6 * volume);
    Shell inside_out = model.lod22;
    for (ShellSurface& surface : inside_out.surfaces)
      for (auto& ring : surface.rings) std::reverse(ring.begin(), ring.end());
    EXPECT_NEAR(shell_volume(inside_out, grid), -volume, 1e-9);
    // Starting each ring elsewhere changes nothing.
    Shell rotated = model.lod22;
    for (ShellSurface& surface : rotated.surfaces)
      for (auto& ring : surface.rings) std::rotate(ring.begin(), ring.begin() + 1, ring.end());
    EXPECT_NEAR(shell_volume(rotated, grid), volume, 1e-9);
  }
}

}  // namespace
}  // namespace roofplanes
