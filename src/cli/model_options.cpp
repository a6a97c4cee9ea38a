#include "cli/model_options.h"

#include <cstdio>

#include "cli/option_ranges.h"

namespace roofplanes {

void add_ground_options(CLI::App& command, GroundChoice& choice) {
  const char* group = "Building model";
  command
      .add_option_function<int>(
          "--ground-class",
          [&choice](int value) {
            choice.ground_class = value;
            choice.class_given = true;
          },
          "LAS input: class of the ground points; each building's ground height is the median height of "
          "those around it (default 2)")
      ->check(CLI::Range(0, 255))
      ->group(group);
  command
      .add_option_function<double>(
          "--ground-height", [&choice](double z) { choice.ground_height = z; },
          "the ground height of every building, in the input's z units, instead of one from the points")
      ->check(number_from_to(-1.0e7, 1.0e7))
      ->group(group);
}

std::string ground_report(const std::string& id, const BuildingModel& model) {
  char height[64];
  std::snprintf(height, sizeof height, "%.3f", model.ground_height);
  return id + ": ground height " + height + " from " + ground_source_name(model.ground_source);
}

std::string left_out_report(const BuildingModel& model) {
  std::string text = model.left_out_faces.size() == 1 ? "the solid leaves out face " : "the solid leaves out faces ";
  for (std::size_t k = 0; k < model.left_out_faces.size(); ++k)
    text += (k == 0 ? "" : ", ") + std::to_string(model.left_out_faces[k]);
  return text + ": it was not valid with " + (model.left_out_faces.size() == 1 ? "it" : "them");
}

}  // namespace roofplanes
