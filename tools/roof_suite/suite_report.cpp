#include "suite_report.h"

#include <algorithm>

namespace roof_suite {
namespace {

// Counts that add up over buildings.
struct Totals {
  std::string type;
  std::size_t buildings = 0, faces = 0, found = 0, over_segmented = 0, merging = 0, no_face = 0, failed = 0;
};

void add(Totals& totals, const BuildingScore& building) {
  ++totals.buildings;
  totals.faces += building.score.faces.size();
  totals.found += building.score.found;
  totals.over_segmented += building.score.over_segmented;
  totals.merging += building.score.merging_segments.size();
  totals.no_face += building.score.no_face_segments.size();
  totals.failed += building.error.empty() ? 0 : 1;
}

std::string cells(std::initializer_list<std::string> values) {
  std::string row = "|";
  for (const std::string& value : values) row += " " + value + " |";
  return row + "\n";
}

std::string summary_row(const Totals& t) {
  return cells({t.type, std::to_string(t.buildings), std::to_string(t.found) + " / " + std::to_string(t.faces),
                std::to_string(t.over_segmented), std::to_string(t.merging), std::to_string(t.no_face),
                std::to_string(t.failed)});
}

}  // namespace

std::string building_table_header() {
  return "| building | type | records | faces found | over-segmented | merging | on no face | segments |\n"
         "|---|---|---:|---:|---:|---:|---:|---:|\n";
}

std::string format_building_row(const BuildingScore& b) {
  const roof_scoring::FaceScores& s = b.score;
  std::string segments = std::to_string(s.segments);
  if (!b.error.empty()) {
    segments = "failed: " + b.error;
    std::replace(segments.begin(), segments.end(), '|', '/');  // would end the cell
  }
  return cells({b.name, b.type, std::to_string(b.records),
                std::to_string(s.found) + " / " + std::to_string(s.faces.size()), std::to_string(s.over_segmented),
                std::to_string(s.merging_segments.size()), std::to_string(s.no_face_segments.size()), segments});
}

std::string format_type_summary(const std::vector<BuildingScore>& buildings) {
  std::vector<Totals> types;
  Totals all;
  all.type = "all";
  for (const BuildingScore& building : buildings) {
    auto it = std::find_if(types.begin(), types.end(), [&](const Totals& t) { return t.type == building.type; });
    if (it == types.end()) {
      types.push_back({});
      types.back().type = building.type;
      it = types.end() - 1;
    }
    add(*it, building);
    add(all, building);
  }
  std::string text =
      "| type | buildings | faces found | over-segmented faces | merging segments | segments on no face | failed |\n"
      "|---|---:|---:|---:|---:|---:|---:|\n";
  for (const Totals& t : types) text += summary_row(t);
  return text + summary_row(all);
}

}  // namespace roof_suite
