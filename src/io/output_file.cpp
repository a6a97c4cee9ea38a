#include "io/output_file.h"

#include <fstream>
#include <stdexcept>

namespace roofplanes {

void write_output_file(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error(file.string() + ": cannot be opened for writing");
  write(out);
  out.close();
  if (!out) throw std::runtime_error(file.string() + ": could not be written completely");
}

}  // namespace roofplanes
