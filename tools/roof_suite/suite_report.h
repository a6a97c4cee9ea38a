#pragma once

// The roof suite's report: one Markdown row per building and a summary per building type.

#include <cstddef>
#include <string>
#include <vector>

#include "face_score.h"

namespace roof_suite {

// What one building of the suite came to.
struct BuildingScore {
  std::string name;
  std::string type;
  std::size_t records = 0;
  roof_scoring::FaceScores score;
  std::string error;  // why the extraction failed; empty when it ran (score then has every label 0)
};

// The per-building table: its header, and the row of one building.
std::string building_table_header();
std::string format_building_row(const BuildingScore& building);

// One row per building type, in order of first appearance, and a last row over all buildings:
// buildings, faces found of faces scored, over-segmented faces, merging segments, segments on no
// face and failed extractions.
std::string format_type_summary(const std::vector<BuildingScore>& buildings);

}  // namespace roof_suite
