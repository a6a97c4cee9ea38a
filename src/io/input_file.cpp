#include "io/input_file.h"

#include <filesystem>
#include <system_error>

namespace roofplanes {

std::string input_file_problem(const std::string& file_name) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(file_name, error);
  if (status.type() == fs::file_type::not_found) return "does not exist";
  if (error) return "cannot be examined: " + error.message();
  if (status.type() == fs::file_type::directory) return "is a folder";
  if (status.type() != fs::file_type::regular) return "is not a regular file (a FIFO, socket or device)";
  const std::uintmax_t size = fs::file_size(file_name, error);
  if (error) return "cannot tell its size: " + error.message();
  if (size > max_input_bytes)
    return "is larger than " + std::to_string(max_input_bytes >> 30) + " GiB (" + std::to_string(size) + " bytes)";
  return {};
}

}  // namespace roofplanes
