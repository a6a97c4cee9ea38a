// roof_suite: runs the extraction on every generated building of a set of cases, with the seed
// preset, the auto preset or both, and scores how many true roof faces each finds.
//
//   roof_suite [--cases NAME] [--preset seed|auto|both] [--seed-offset N]
//
// Prints a Markdown table with one row per building for each preset, then the presets side by
// side: faces found per building type and the figures the suite is judged by. The output depends
// only on the cases and the library, so two versions of the library can be compared by comparing
// their reports. --seed-offset adds N to every case's seed: the same cases with other noise, scan
// lines and trees, to check that what was tuned on the suite holds beyond its seeds.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "building_cases.h"
#include "building_generator.h"
#include "face_score.h"
#include "roofplanes.h"
#include "suite_report.h"

namespace {

void print_usage() {
  std::cerr << "usage: roof_suite [--cases NAME] [--preset seed|auto|both] [--seed-offset N]\n  NAME:";
  for (const std::string& name : roof_suite::case_set_names()) std::cerr << " " << name;
  std::cerr << " (default all)\n  --preset: the extraction preset (default both, side by side)\n";
}

// Extracts the roof faces of one generated building and scores them against its true faces.
roof_suite::BuildingScore run_case(const roof_suite::BuildingCase& c, roofplanes::Preset preset) {
  const building_generator::Building building = building_generator::generate_building(c.options);
  roofplanes::BuildingInput input;
  input.points.reserve(building.records.size());
  for (const auto& r : building.records) input.points.push_back({r[0], r[1], r[2]});
  const std::vector<long long> positions(building.roof_positions.begin(), building.roof_positions.end());
  std::vector<std::size_t> unknown;
  input.roof = roofplanes::roof_flags_from_positions(input.points, positions, unknown);

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
  std::string set = "all", preset = "both", offset = "0";
  for (int i = 1; i < argc; i += 2) {
    const std::string option = argv[i];
    if (i + 1 >= argc || (option != "--cases" && option != "--preset" && option != "--seed-offset")) {
      print_usage();
      return 2;
    }
    (option == "--cases" ? set : option == "--preset" ? preset : offset) = argv[i + 1];
  }
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
