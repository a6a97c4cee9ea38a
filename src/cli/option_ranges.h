#pragma once

// The ranges of the numeric options, as CLI11 validators: a value outside its
// range fails the parse, a usage error with one line and exit status 2.

#include <string>

#include <CLI/CLI.hpp>

namespace roofplanes {

// A number from low to high, both included; "nan" is never in range.
CLI::Validator number_from_to(double low, double high);

// A number above 0 and at most high; "nan" is never in range.
CLI::Validator number_above_zero_to(double high);

// A whole number of at least low (no sign for 0 and above, no fraction).
CLI::Validator count_from(unsigned long long low);

// Any text but the empty one (an output folder named "").
CLI::Validator not_empty(const std::string& what);

}  // namespace roofplanes
