#pragma once

#include <cstdint>
#include <string>

namespace roofplanes {

// Inputs larger than this are refused before reading: a point file or tile
// of 64 GiB is far beyond what one run can hold in memory, and the bound
// keeps a file that grows while it is read from being read without end.
inline constexpr std::uintmax_t max_input_bytes = std::uintmax_t{64} << 30;

// Empty when file_name is a regular file (a symbolic link to one included)
// of at most max_input_bytes; otherwise what is wrong, without the file's
// name: "is a folder", "is not a regular file (a FIFO, socket or device)",
// "does not exist", "is larger than ...". A FIFO or device is never opened,
// so reading it can neither block nor run without end.
std::string input_file_problem(const std::string& file_name);

}  // namespace roofplanes
