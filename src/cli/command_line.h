#pragma once

namespace roofplanes {

// The roofplanes program: without arguments the fixed-path run on
// Testdaten_Tolvar/69/, otherwise the command given (extract, ...).
// Returns the exit status.
int run_command_line(int argc, char** argv);

}  // namespace roofplanes
