#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace roofplanes {

// The thread count a ROOFPLANES_THREADS value asks for: a whole number from 1
// to 1024, nothing else (no sign, no space); no value when it is not one.
std::optional<std::size_t> parse_thread_count(const std::string& text);

// Runs run with at most threads threads for the library's parallel work
// (0: as many as the machine has cores) and returns what it returns. A
// threads of 0 takes the count from ROOFPLANES_THREADS when that is set; a
// value that is not a thread count is reported on standard error and ignored.
int run_with_threads(std::size_t threads, const std::function<int()>& run);

}  // namespace roofplanes
