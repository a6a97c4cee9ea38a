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
  double density = 0.0;  // scan density, points per m²
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

// The figures a run of the suite is judged by.
struct SuiteFigures {
  std::size_t buildings = 0;
  std::size_t complete = 0;         // buildings with every scored face found
  std::size_t dense_missed = 0;     // buildings scanned at dense_from points per m² or more with a face missed
  std::size_t faces = 0, found = 0;
  std::size_t over_segmented = 0;   // faces in two pieces or more
  std::size_t under_segmented = 0;  // faces sharing a segment with another face
  std::size_t no_face = 0;          // segments on no face
  std::size_t failed = 0;           // extractions that failed
};

// Adds up the figures of the buildings; dense_from is the density from which a
// building must miss no face.
SuiteFigures suite_figures(const std::vector<BuildingScore>& buildings, double dense_from = 8.0);

// The presets side by side on the same buildings (scores[k] the buildings of
// presets[k], in the same order): faces found of faces per building type, then
// one row per figure, shares of buildings or faces as percentages.
std::string format_preset_comparison(const std::vector<std::string>& presets,
                                     const std::vector<std::vector<BuildingScore>>& scores,
                                     double dense_from = 8.0);

}  // namespace roof_suite
