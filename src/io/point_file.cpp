#include "io/point_file.h"

#include <istream>
#include <streambuf>

#include "io/text_scan.h"

namespace roofplanes {

namespace {

// A read-only stream buffer over text already in memory: the stream's number
// extraction then sees exactly the bytes a file stream would, without a copy
// of the text, and the place it reached is known without seeking.
class TextBuffer : public std::streambuf {
 public:
  explicit TextBuffer(const std::string& text) {
    char* begin = const_cast<char*>(text.data());
    setg(begin, begin, begin + text.size());
  }
  std::size_t position() const { return static_cast<std::size_t>(gptr() - eback()); }
};

}  // namespace

PointFile read_point_file(const std::string& file_name) {
  PointFile file;
  file.status = text_file_status(file_name);
  if (!file.status.error.empty()) return file;

  // Read once, whole; the records are taken with the stream's extraction as
  // always. Where reading stopped while more than white space was left, the
  // record after the last complete one is the problem.
  const std::string text = read_whole_file(file_name);
  TextBuffer buffer(text);
  std::istream in(&buffer);
  std::size_t after_last = 0;
  double x, y, z;
  while (in >> x >> y >> z) {
    file.points.push_back({x, y, z});
    after_last = buffer.position();
  }
  TextProblem problem;
  if (problem_at(text, after_last, problem)) {
    problem.entry = file.points.size() + 1;  // counted in records here, not in numbers
    file.problem = problem;
  }
  return file;
}

}  // namespace roofplanes
