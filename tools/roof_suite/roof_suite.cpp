// roof_suite: runs the extraction on every generated building of a set of cases, with the seed
// preset, the auto preset or both, and scores how many true roof faces each finds.
//
//   roof_suite [--cases NAME] [--preset seed|auto|both] [--seed-offset N] [--model]
//
// Prints a Markdown table with one row per building for each preset, then the presets side by
// side: faces found per building type and the figures the suite is judged by. The output depends
// only on the cases and the library, so two versions of the library can be compared by comparing
// their reports. --seed-offset adds N to every case's seed: the same cases with other noise, scan
// lines and trees, to check that what was tuned on the suite holds beyond its seeds.
//
// --model (the preset auto unless --preset says otherwise) builds each building's model after
// the extraction instead, and measures it against the generator's true edges and footprint:
// one row per building, then a summary per building type.

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "building_cases.h"
#include "building_generator.h"
#include "face_score.h"
#include "model/building_model.h"
#include "model_accuracy.h"
#include "model_report.h"
#include "roofplanes.h"
#include "suite_report.h"

namespace {

void print_usage() {
  std::cerr << "usage: roof_suite [--cases NAME] [--preset seed|auto|both] [--seed-offset N] [--model]\n  NAME:";
  for (const std::string& name : roof_suite::case_set_names()) std::cerr << " " << name;
  std::cerr << " (default all)\n  --preset: the extraction preset (default both, side by side; auto with --model)\n"
               "  --model: measure the building models against the true edges and footprints\n";
}

// The generated building as the library reads it; unknown gets the roof positions that name no vertex.
roofplanes::BuildingInput building_input(const building_generator::Building& building, std::vector<std::size_t>& unknown) {
  roofplanes::BuildingInput input;
  input.points.reserve(building.records.size());
  for (const auto& r : building.records) input.points.push_back({r[0], r[1], r[2]});
  const std::vector<long long> positions(building.roof_positions.begin(), building.roof_positions.end());
  input.roof = roofplanes::roof_flags_from_positions(input.points, positions, unknown);
  return input;
}

// Extracts one generated building, builds its model on a millimetre grid from the building's
// smallest x, y and z, and measures the model against the building's truth.
roof_suite::ModelScore run_model_case(const roof_suite::BuildingCase& c, roofplanes::Preset preset) {
  const building_generator::Building building = building_generator::generate_building(c.options);
  std::vector<std::size_t> unknown;
  const roofplanes::BuildingInput input = building_input(building, unknown);
  roof_suite::ModelScore score;
  score.name = c.name;
  score.type = c.type;
  roofplanes::ModelOptions options;
  if (!input.points.empty()) {
    options.grid.translate = input.points.front();
    for (const roofplanes::Point& p : input.points) {
      options.grid.translate.x = std::min(options.grid.translate.x, p.x);
      options.grid.translate.y = std::min(options.grid.translate.y, p.y);
      options.grid.translate.z = std::min(options.grid.translate.z, p.z);
    }
  }
  roofplanes::BuildingModel model;
  if (!unknown.empty()) {
    score.error = std::to_string(unknown.size()) + " roof positions name no vertex";
  } else {
    try {
      const roofplanes::Result result = roofplanes::extract_roof_planes(input, roofplanes::preset_parameters(preset, input));
      model = roofplanes::building_model(input, result, options);
    } catch (const std::exception& problem) {
      score.error = problem.what();
    }
  }
  score.accuracy = roof_suite::model_accuracy(building, model, options.grid);
  return score;
}

// Extracts the roof faces of one generated building and scores them against its true faces.
roof_suite::BuildingScore run_case(const roof_suite::BuildingCase& c, roofplanes::Preset preset) {
  const building_generator::Building building = building_generator::generate_building(c.options);
  std::vector<std::size_t> unknown;
  const roofplanes::BuildingInput input = building_input(building, unknown);

  roof_suite::BuildingScore score;
  score.name = c.name;
  score.type = c.type;
  score.records = building.records.size();
  score.density = c.options.points_per_m2;
  std::vector<int> labels(building.records.size(), 0);
  if (!unknown.empty()) {
    score.error = std::to_string(unknown.size()) + " roof positions name no vertex";
  } else {
    try {
      labels = roofplanes::extract_roof_planes(input, roofplanes::preset_parameters(preset, input)).labels;
    } catch (const std::exception& problem) {
      score.error = problem.what();
    }
  }
  score.score = roof_scoring::score_faces(roof_suite::true_faces_of_records(building), labels);
  return score;
}

}  // namespace

int main(int argc, char** argv) {
  std::string set = "all", preset, offset = "0";
  bool models = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--model") {
      models = true;
      continue;
    }
    if (i + 1 >= argc || (option != "--cases" && option != "--preset" && option != "--seed-offset")) {
      print_usage();
      return 2;
    }
    (option == "--cases" ? set : option == "--preset" ? preset : offset) = argv[++i];
  }
  if (preset.empty()) preset = models ? "auto" : "both";
  if (offset.empty() || offset.find_first_not_of("0123456789") != std::string::npos) {
    print_usage();
    return 2;
  }
  std::vector<roof_suite::BuildingCase> cases;
  if (!roof_suite::named_cases(set, cases) || (preset != "seed" && preset != "auto" && preset != "both")) {
    print_usage();
    return 2;
  }
  for (roof_suite::BuildingCase& c : cases) c.options.seed += std::stoull(offset);
  std::vector<std::string> presets;
  if (preset != "auto") presets.push_back("seed");
  if (preset != "seed") presets.push_back("auto");

  if (models) {
    for (const std::string& name : presets) {
      const roofplanes::Preset chosen = name == "auto" ? roofplanes::Preset::automatic : roofplanes::Preset::seed;
      std::vector<roof_suite::ModelScore> scores;
      std::cout << "## Models, preset " << name << "\n\n" << roof_suite::model_table_header() << std::flush;
      for (const roof_suite::BuildingCase& c : cases) {
        scores.push_back(run_model_case(c, chosen));
        std::cout << roof_suite::format_model_row(scores.back()) << std::flush;
      }
      std::cout << "\n" << roof_suite::format_model_summary(scores) << "\n";
    }
    return 0;
  }

  std::vector<std::vector<roof_suite::BuildingScore>> scores;
  for (const std::string& name : presets) {
    const roofplanes::Preset chosen = name == "auto" ? roofplanes::Preset::automatic : roofplanes::Preset::seed;
    scores.emplace_back();
    std::cout << "## Preset " << name << "\n\n" << roof_suite::building_table_header() << std::flush;
    for (const roof_suite::BuildingCase& c : cases) {
      scores.back().push_back(run_case(c, chosen));
      std::cout << roof_suite::format_building_row(scores.back().back()) << std::flush;
    }
    std::cout << "\n" << roof_suite::format_type_summary(scores.back()) << "\n";
  }
  std::cout << "## Presets side by side\n\n" << roof_suite::format_preset_comparison(presets, scores);
  return 0;
}
