#include "cli/parameter_options.h"

#include <algorithm>

#include "cli/option_ranges.h"

namespace roofplanes {
namespace {

// Each parameter option, and how its value moves from one set of parameters to another.
struct ParameterOption {
  const char* name;
  void (*copy)(const Parameters& from, Parameters& to);
};

const ParameterOption kOptions[] = {
    {"--angle-resolution", [](const Parameters& f, Parameters& t) { t.angle_resolution = f.angle_resolution; }},
    {"--distance-resolution",
     [](const Parameters& f, Parameters& t) { t.distance_resolution = f.distance_resolution; }},
    {"--blunder-sigma", [](const Parameters& f, Parameters& t) { t.blunder_sigma = f.blunder_sigma; }},
    {"--shrink-factor", [](const Parameters& f, Parameters& t) { t.shrink_factor = f.shrink_factor; }},
    {"--expansion-factor", [](const Parameters& f, Parameters& t) { t.expansion_factor = f.expansion_factor; }},
    {"--simplify-tolerance", [](const Parameters& f, Parameters& t) { t.simplify_tolerance = f.simplify_tolerance; }},
    {"--min-points", [](const Parameters& f, Parameters& t) { t.min_points = f.min_points; }},
    {"--max-passes", [](const Parameters& f, Parameters& t) { t.max_passes = f.max_passes; }},
};

}  // namespace

void add_parameter_options(CLI::App& command, Parameters& parameters) {
  const char* group = "Parameters";
  command.add_option("--angle-resolution", parameters.angle_resolution, "Hough direction cell, degrees")
      ->check(number_from_to(0.1, 90.0))->capture_default_str()->group(group);
  command.add_option("--distance-resolution", parameters.distance_resolution, "Hough distance cell, metres")
      ->check(number_from_to(0.001, 1000.0))->capture_default_str()->group(group);
  command.add_option("--blunder-sigma", parameters.blunder_sigma,
                     "points farther than shrink-factor x blunder-sigma from the fitted plane are dropped")
      ->check(number_above_zero_to(1000.0))->capture_default_str()->group(group);
  command.add_option("--shrink-factor", parameters.shrink_factor, "factor of both distance thresholds")
      ->check(number_above_zero_to(1000.0))->capture_default_str()->group(group);
  command.add_option("--expansion-factor", parameters.expansion_factor,
                     "a region grows over points nearer than shrink-factor x expansion-factor to its plane")
      ->check(number_above_zero_to(1000.0))->capture_default_str()->group(group);
  command.add_option("--simplify-tolerance", parameters.simplify_tolerance,
                     "largest distance of an outline point from the corner polygon, metres")
      ->check(number_above_zero_to(1000.0))->capture_default_str()->group(group);
  command.add_option("--min-points", parameters.min_points, "another pass starts while this many points remain")
      ->check(count_from(0))->capture_default_str()->group(group);
  command.add_option("--max-passes", parameters.max_passes, "stop after this many passes (0: no limit)")
      ->check(count_from(0))->capture_default_str()->group(group);
}

std::vector<std::string> given_parameter_options(const CLI::App& command) {
  std::vector<std::string> names;
  for (const ParameterOption& option : kOptions)
    if (command.count(option.name) > 0) names.push_back(option.name);
  return names;
}

Parameters override_parameters(Parameters base, const Parameters& given, const std::vector<std::string>& names) {
  for (const ParameterOption& option : kOptions)
    if (std::find(names.begin(), names.end(), option.name) != names.end()) option.copy(given, base);
  return base;
}

void add_parameter_choice(CLI::App& command, ParameterChoice& choice) {
  command
      .add_option("--preset", choice.preset,
                  "auto: constants derived from each building's own points; seed: the seed constants "
                  "(explicit parameter options still override them)")
      ->check(CLI::IsMember({"seed", "auto"}))
      ->capture_default_str();
  add_parameter_options(command, choice.parameters);
  command.callback([&choice, &command] { choice.given = given_parameter_options(command); });
}

Parameters chosen_parameters(const ParameterChoice& choice, const BuildingInput& building) {
  const Preset preset = auto_preset(choice) ? Preset::automatic : Preset::seed;
  return override_parameters(preset_parameters(preset, building), choice.parameters, choice.given);
}

bool auto_preset(const ParameterChoice& choice) { return choice.preset == "auto"; }

Parameters chosen_parameters(const ParameterChoice& choice, const AutoBuilding& building) {
  return override_parameters(auto_parameters(building), choice.parameters, choice.given);
}

}  // namespace roofplanes
