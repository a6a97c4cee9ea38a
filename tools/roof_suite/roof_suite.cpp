// roof_suite: runs the extraction on every generated building of a preset and scores how many
// true roof faces it finds.
//
//   roof_suite [--preset NAME]
//
// Prints a Markdown table with one row per building and a summary per building type. The output
// depends only on the cases and the library, so two versions of the library can be compared by
// comparing their reports.

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
  std::cerr << "usage: roof_suite [--preset NAME]\n  NAME:";
  for (const std::string& name : roof_suite::preset_names()) std::cerr << " " << name;
  std::cerr << " (default all)\n";
}

// Extracts the roof faces of one generated building and scores them against its true faces.
roof_suite::BuildingScore run_case(const roof_suite::BuildingCase& c) {
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
  std::vector<int> labels(building.records.size(), 0);
  if (!unknown.empty()) {
    score.error = std::to_string(unknown.size()) + " roof positions name no vertex";
  } else {
    try {
      labels = roofplanes::extract_roof_planes(input, roofplanes::Parameters{}).labels;
    } catch (const std::exception& problem) {
      score.error = problem.what();
    }
  }
  score.score = roof_scoring::score_faces(roof_suite::true_faces_of_records(building), labels);
  return score;
}

}  // namespace

int main(int argc, char** argv) {
  std::string preset = "all";
  if (argc == 3 && std::string(argv[1]) == "--preset") {
    preset = argv[2];
  } else if (argc != 1) {
    print_usage();
    return 2;
  }
  std::vector<roof_suite::BuildingCase> cases;
  if (!roof_suite::preset_cases(preset, cases)) {
    print_usage();
    return 2;
  }

  std::vector<roof_suite::BuildingScore> scores;
  std::cout << roof_suite::building_table_header() << std::flush;
  for (const roof_suite::BuildingCase& c : cases) {
    scores.push_back(run_case(c));
    std::cout << roof_suite::format_building_row(scores.back()) << std::flush;
  }
  std::cout << "\n" << roof_suite::format_type_summary(scores);
  return 0;
}
