#include "suite_report.h"

#include <algorithm>
#include <cstdio>

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

SuiteFigures suite_figures(const std::vector<BuildingScore>& buildings, double dense_from) {
  SuiteFigures f;
  for (const BuildingScore& b : buildings) {
    const roof_scoring::FaceScores& s = b.score;
    ++f.buildings;
    const bool complete = b.error.empty() && s.found == s.faces.size();
    f.complete += complete ? 1 : 0;
    f.dense_missed += !complete && b.density >= dense_from ? 1 : 0;
    f.faces += s.faces.size();
    f.found += s.found;
    f.over_segmented += s.over_segmented;
    f.under_segmented += s.under_segmented;
    f.no_face += s.no_face_segments.size();
    f.failed += b.error.empty() ? 0 : 1;
  }
  return f;
}

namespace {

std::string percent(std::size_t part, std::size_t whole) {
  char text[32];
  const double value = whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole);
  std::snprintf(text, sizeof text, "%.1f %%", value);
  return text;
}

std::string ratio(std::size_t part, std::size_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

}  // namespace

std::string format_preset_comparison(const std::vector<std::string>& presets,
                                     const std::vector<std::vector<BuildingScore>>& scores, double dense_from) {
  std::string header = "| type | buildings | faces |", rule = "|---|---:|---:|";
  for (const std::string& preset : presets) {
    header += " found (" + preset + ") | complete (" + preset + ") |";
    rule += "---:|---:|";
  }
  std::string text = header + "\n" + rule + "\n";
  std::vector<std::string> types;
  if (!scores.empty())
    for (const BuildingScore& b : scores.front())
      if (std::find(types.begin(), types.end(), b.type) == types.end()) types.push_back(b.type);
  types.push_back("all");
  for (const std::string& type : types) {
    std::vector<SuiteFigures> figures;
    for (const auto& buildings : scores) {
      std::vector<BuildingScore> of_type;
      for (const BuildingScore& b : buildings)
        if (type == "all" || b.type == type) of_type.push_back(b);
      figures.push_back(suite_figures(of_type, dense_from));
    }
    std::string row = "| " + type + " | " + std::to_string(figures.front().buildings) + " | " +
                      std::to_string(figures.front().faces) + " |";
    for (const SuiteFigures& f : figures)
      row += " " + std::to_string(f.found) + " | " + std::to_string(f.complete) + " |";
    text += row + "\n";
  }

  std::vector<SuiteFigures> all;
  for (const auto& buildings : scores) all.push_back(suite_figures(buildings, dense_from));
  header = "| figure |";
  rule = "|---|";
  for (const std::string& preset : presets) {
    header += " " + preset + " |";
    rule += "---:|";
  }
  text += "\n" + header + "\n" + rule + "\n";
  char dense[128];
  std::snprintf(dense, sizeof dense, "buildings of %g points per m² or more with a face missed", dense_from);
  const struct {
    std::string name;
    std::string (*value)(const SuiteFigures&);
  } rows[] = {
      {"buildings with every face found", [](const SuiteFigures& f) { return percent(f.complete, f.buildings); }},
      {dense, [](const SuiteFigures& f) { return std::to_string(f.dense_missed); }},
      {"faces found", [](const SuiteFigures& f) { return percent(f.found, f.faces); }},
      {"over-segmented faces", [](const SuiteFigures& f) { return percent(f.over_segmented, f.faces); }},
      {"under-segmented faces", [](const SuiteFigures& f) { return percent(f.under_segmented, f.faces); }},
      {"segments on no face per building", [](const SuiteFigures& f) { return ratio(f.no_face, f.buildings); }},
      {"failed extractions", [](const SuiteFigures& f) { return std::to_string(f.failed); }},
  };
  for (const auto& r : rows) {
    std::string row = "| " + r.name + " |";
    for (const SuiteFigures& f : all) row += " " + r.value(f) + " |";
    text += row + "\n";
  }
  return text;
}

}  // namespace roof_suite
