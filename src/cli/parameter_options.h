#pragma once

#include <CLI/CLI.hpp>

#include "pipeline/parameters.h"

namespace roofplanes {

// Adds one option per constant of the run (--angle-resolution, ...,
// --max-passes) to a command, each writing into parameters and showing its
// default in --help.
void add_parameter_options(CLI::App& command, Parameters& parameters);

}  // namespace roofplanes
