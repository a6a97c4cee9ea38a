#pragma once

// The generated buildings the roof suite measures the extraction on.

#include <string>
#include <vector>

#include "building_generator.h"

namespace roof_suite {

// One generated building of the suite.
struct BuildingCase {
  std::string name;  // unique: the type and the scan variant, e.g. "mansard-sparse"
  std::string type;  // what the summary groups by: the shape's name
  building_generator::BuildingOptions options;
};

// Every case: each roof shape under the same five scan variants (usual, sparse, dense and in
// Gauss-Krüger coordinates, noisy with repeated returns, bare roof near the local origin), with
// the rotation, density and noise moved a little from shape to shape, then each shape as a real
// airborne scan ("real": two overlapping strips a few centimetres apart in height, roof texture,
// scan lines, gaps in the roof's coverage, a tree over the eaves). The first variants spread
// density over 2 to 20 points per m² and noise over 0.02 to 0.1 m; all but the bare roofs have
// walls and trees around them. The first 65 cases (13 shapes × 5 variants) come first and are
// the same as they always were.
std::vector<BuildingCase> building_cases();

// The cases of a named set: "all", "quick" (the usual scan of each shape), a variant name ("usual",
// "sparse", "dense", "noisy", "bare", "real") or a shape name. False, and cases left alone, for any other
// name.
bool named_cases(const std::string& set, std::vector<BuildingCase>& cases);

// The names named_cases accepts, in the order the usage text lists them.
std::vector<std::string> case_set_names();

// The true face of every record of a generated building: the face of its (x, y) position, which
// the first record there decides. Records at one position share one vertex, and so one label.
std::vector<int> true_faces_of_records(const building_generator::Building& building);

}  // namespace roof_suite
