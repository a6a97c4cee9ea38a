#include "io/point_file.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "io/text_scan.h"

namespace roofplanes {

namespace {

// White space as the stream's extraction skips it in the classic locale.
bool is_stream_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The number the stream converts its characters to, by the rules it applies:
// the whole run must be a number, and one out of range to infinity fails
// (one that underflows is taken as rounded). The rare runs that from_chars
// does not take whole go to strtod in the "C" locale, as the stream's do.
bool convert_number(const char* begin, const char* end, double& value) {
  const char* first = begin != end && *begin == '+' ? begin + 1 : begin;  // from_chars takes no '+'
  const std::from_chars_result quick = std::from_chars(first, end, value, std::chars_format::general);
  if (quick.ec == std::errc() && quick.ptr == end) return std::isfinite(value);
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  const std::string run(begin, end);
  char* stop = nullptr;
  value = strtod_l(run.c_str(), &stop, c_locale);
  return stop != run.c_str() && *stop == '\0' && std::isfinite(value);
}

// Reads one number from text[position, size) as `stream >> value` does and
// moves position to where the stream stops: past leading white space, then
// over the longest run of an optional sign, digits with at most one '.', and
// an exponent ('e' or 'E' after at least one digit, an optional sign, digits).
// Fails where the run is not a whole number or is out of range, and at the
// end of the text.
bool read_number(const char* text, std::size_t size, std::size_t& position, double& value) {
  std::size_t i = position;
  while (i < size && is_stream_space(text[i])) ++i;
  const std::size_t start = i;
  if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
  bool digits = false, point = false, exponent = false;
  while (i < size) {
    const char c = text[i];
    if (is_digit(c)) {
      digits = true;
      ++i;
    } else if (c == '.' && !point && !exponent) {
      point = true;
      ++i;
    } else if ((c == 'e' || c == 'E') && !exponent && digits) {
      exponent = true;
      ++i;
      if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
    } else {
      break;
    }
  }
  position = i;
  return i > start && convert_number(text + start, text + i, value);
}

}  // namespace

PointRecords read_point_records(const std::string& text) {
  PointRecords records;
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t position = 0;
  double x, y, z;
  while (read_number(data, size, position, x) && read_number(data, size, position, y) &&
         read_number(data, size, position, z)) {
    records.points.push_back({x, y, z});
    records.end = position;
  }
  return records;
}

PointFile read_point_file(const std::string& file_name) {
  PointFile file;
  file.status = text_file_status(file_name);
  if (!file.status.error.empty()) return file;

  // Read once, whole. Where reading stopped while more than white space was
  // left, the record after the last complete one is the problem.
  const std::string text = read_whole_file(file_name);
  PointRecords records = read_point_records(text);
  file.points = std::move(records.points);
  TextProblem problem;
  if (problem_at(text, records.end, problem)) {
    problem.entry = file.points.size() + 1;  // counted in records here, not in numbers
    file.problem = problem;
  }
  return file;
}

}  // namespace roofplanes
