#include "model_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace roof_suite {
namespace {

std::string fixed(double value, int decimals) {
  if (!std::isfinite(value)) return "–";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string cells(std::initializer_list<std::string> values) {
  std::string row = "|";
  for (const std::string& value : values) row += " " + value + " |";
  return row + "\n";
}

// Text for a table cell: no bar, no line break.
std::string cell_text(std::string text) {
  std::replace(text.begin(), text.end(), '|', '/');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

double share(double part, double whole) {
  return whole > 0.0 ? 100.0 * part / whole : std::numeric_limits<double>::quiet_NaN();
}

double ratio(double part, double whole) {
  return whole > 0.0 && part > 0.0 ? part / whole : std::numeric_limits<double>::quiet_NaN();
}

struct TypeTotals {
  std::string type;
  std::size_t buildings = 0, solids = 0;
  std::vector<double> edge_errors, eave_errors, rmse, area_ratio;
  double true_edge_length = 0.0, true_edge_found = 0.0;
};

void add(TypeTotals& t, const ModelScore& s) {
  const ModelAccuracy& a = s.accuracy;
  ++t.buildings;
  t.solids += a.solid ? 1 : 0;
  t.edge_errors.insert(t.edge_errors.end(), a.edge_errors.begin(), a.edge_errors.end());
  t.eave_errors.insert(t.eave_errors.end(), a.eave_errors.begin(), a.eave_errors.end());
  if (a.rmse) t.rmse.push_back(*a.rmse);
  const double r = ratio(a.outline_area, a.footprint_area);
  if (std::isfinite(r)) t.area_ratio.push_back(r);
  t.true_edge_length += a.true_edge_length;
  t.true_edge_found += a.true_edge_found;
}

std::string summary_row(const TypeTotals& t) {
  return cells({t.type, std::to_string(t.buildings), std::to_string(t.solids), fixed(percentile(t.edge_errors, 0.5), 3),
                fixed(percentile(t.edge_errors, 0.95), 3), fixed(share(t.true_edge_found, t.true_edge_length), 1),
                fixed(percentile(t.eave_errors, 0.5), 3), fixed(percentile(t.eave_errors, 0.95), 3),
                fixed(percentile(t.rmse, 0.5), 3), fixed(percentile(t.area_ratio, 0.5), 3)});
}

}  // namespace

double percentile(std::vector<double> values, double q) {
  if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
  std::sort(values.begin(), values.end());
  const double at = std::clamp(q, 0.0, 1.0) * static_cast<double>(values.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(at));
  const std::size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (at - static_cast<double>(below)) * (values[above] - values[below]);
}

std::string model_table_header() {
  return "| building | type | solid | ridge/hip/valley error median (m) | p95 (m) | true edges found (% of length) "
         "| eave error median (m) | p95 (m) | height rmse (m) | outline / footprint area | problem |\n"
         "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---|\n";
}

std::string format_model_row(const ModelScore& s) {
  const ModelAccuracy& a = s.accuracy;
  const std::string problem = !s.error.empty() ? "failed: " + s.error : a.problem;
  return cells({s.name, s.type, a.solid ? "yes" : "no", fixed(percentile(a.edge_errors, 0.5), 3),
                fixed(percentile(a.edge_errors, 0.95), 3), fixed(share(a.true_edge_found, a.true_edge_length), 1),
                fixed(percentile(a.eave_errors, 0.5), 3), fixed(percentile(a.eave_errors, 0.95), 3),
                a.rmse ? fixed(*a.rmse, 3) : "–", fixed(ratio(a.outline_area, a.footprint_area), 3),
                cell_text(problem)});
}

std::string format_model_summary(const std::vector<ModelScore>& scores) {
  std::vector<TypeTotals> types;
  TypeTotals all;
  all.type = "all";
  for (const ModelScore& s : scores) {
    auto it = std::find_if(types.begin(), types.end(), [&](const TypeTotals& t) { return t.type == s.type; });
    if (it == types.end()) {
      types.push_back({});
      types.back().type = s.type;
      it = types.end() - 1;
    }
    add(*it, s);
    add(all, s);
  }
  std::string text =
      "| type | buildings | solids | ridge/hip/valley error median (m) | p95 (m) | true edges found (% of length) "
      "| eave error median (m) | p95 (m) | height rmse, median of buildings (m) "
      "| outline / footprint area, median of buildings |\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const TypeTotals& t : types) text += summary_row(t);
  return text + summary_row(all);
}

}  // namespace roof_suite
