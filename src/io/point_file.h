#pragma once

#include <optional>
#include <string>
#include <vector>

#include "io/text_problem.h"
#include "observer/extraction_observer.h"

namespace roofplanes {

// A text point file as read: white-space separated x y z records (line breaks
// carry no meaning), read with the stream's number extraction until the first
// record that is not three numbers.
struct PointFile {
  TextFileStatus status;
  std::vector<Point> points;
  // Set when reading stopped while something other than white space was left
  // (a header line, a decimal comma, "nan", an out-of-range number, a
  // truncated last record); the points before it are kept.
  std::optional<TextProblem> problem;
};

PointFile read_point_file(const std::string& file_name);

// The complete x y z records at the start of text, read number by number as
// the stream's extraction into double reads them (the same numbers, stopping
// at the same byte), and the byte offset just after the last of them.
struct PointRecords {
  std::vector<Point> points;
  std::size_t end = 0;
};
PointRecords read_point_records(const std::string& text);

}  // namespace roofplanes
