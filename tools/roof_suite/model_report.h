#pragma once

// The roof suite's report on building models: one Markdown row per building and a summary per
// building type, every figure with its unit in the header.

#include <string>
#include <vector>

#include "model_accuracy.h"

namespace roof_suite {

// What the model of one building of the suite came to.
struct ModelScore {
  std::string name;
  std::string type;
  ModelAccuracy accuracy;
  std::string error;  // why the extraction or the model stage threw; empty when both ran
};

// The value at fraction q (0 to 1) of the values, interpolated linearly between the sorted
// values; NaN for none.
double percentile(std::vector<double> values, double q);

std::string model_table_header();
std::string format_model_row(const ModelScore& score);

// One row per building type in order of first appearance, then one over all: solids made,
// edge and eave errors over every sample of the type's buildings (median and 95th
// percentile), the share of the true edges' length found, and the median over the buildings
// of the height rmse and of outline area / footprint area.
std::string format_model_summary(const std::vector<ModelScore>& scores);

}  // namespace roof_suite
