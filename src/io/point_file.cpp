#include "io/point_file.h"

#include <fstream>
#include <sstream>

#include "io/text_scan.h"

namespace roofplanes {

PointFile read_point_file(const std::string& file_name) {
  PointFile file;
  file.status = text_file_status(file_name);
  if (!file.status.error.empty()) return file;

  std::ifstream in(file_name);
  double x, y, z;
  while (in >> x >> y >> z) file.points.push_back({x, y, z});

  // Only a stream that stopped early needs a second look. The file is read
  // again, whole, and the same extraction skips the records already read, so
  // the stop lands exactly where it did; the record there is the problem.
  const std::string text = read_whole_file(file_name);
  std::istringstream again(text);
  for (std::size_t n = 0; n < file.points.size(); ++n) again >> x >> y >> z;
  const std::streamoff position = again.tellg();
  TextProblem problem;
  if (position >= 0 && problem_at(text, static_cast<std::size_t>(position), problem)) {
    problem.entry = file.points.size() + 1;  // counted in records here, not in numbers
    file.problem = problem;
  }
  return file;
}

}  // namespace roofplanes
