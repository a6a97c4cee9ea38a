#pragma once

#include <functional>

namespace roofplanes {

// The roofplanes program: without arguments the fixed-path run on
// Testdaten_Tolvar/69/, otherwise the command given (extract, ...).
// Returns the exit status.
int run_command_line(int argc, char** argv);

// Runs run and returns its exit status. The last handler: running out of
// memory, or any exception that reaches it (a fault, since every expected
// error has its own message), becomes one line on standard error and exit
// status 2, never an abort.
int run_guarded(const std::function<int()>& run);

}  // namespace roofplanes
