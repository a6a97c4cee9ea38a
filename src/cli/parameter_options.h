#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "pipeline/auto_building.h"
#include "pipeline/building_input.h"
#include "pipeline/parameters.h"

namespace roofplanes {

// Adds one option per constant of the run (--angle-resolution, ...,
// --max-passes) to a command, each writing into parameters and showing its
// default in --help.
void add_parameter_options(CLI::App& command, Parameters& parameters);

// The names of the parameter options ("--angle-resolution", ...) given on the
// command's parsed command line, in the order add_parameter_options adds them.
std::vector<std::string> given_parameter_options(const CLI::App& command);

// base with the value of every named parameter option taken from given: a
// preset's values with the options a user gave on top. Unknown names are ignored.
Parameters override_parameters(Parameters base, const Parameters& given, const std::vector<std::string>& names);

// A command's choice of constants: a preset, and the parameter options given
// on top of it.
struct ParameterChoice {
  std::string preset = "auto";     // "auto" (derived from each building's points) or "seed"
  Parameters parameters;           // the parameter options' values
  std::vector<std::string> given;  // the parameter options given on the command line
};

// Adds --preset and the parameter options to a command; once it is parsed,
// choice.given names the options given.
void add_parameter_choice(CLI::App& command, ParameterChoice& choice);

// The constants for one building: the preset's values for it, then the
// options given.
Parameters chosen_parameters(const ParameterChoice& choice, const BuildingInput& building);

// Whether the choice is the auto preset, whose extraction can share the
// building made ready for its constants (AutoBuilding).
bool auto_preset(const ParameterChoice& choice);

// chosen_parameters of the auto preset for a building made ready.
Parameters chosen_parameters(const ParameterChoice& choice, const AutoBuilding& building);

}  // namespace roofplanes
