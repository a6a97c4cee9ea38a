#include "io/roof_list.h"

#include <sstream>

#include "io/text_scan.h"

namespace roofplanes {

RoofList read_roof_list(const std::string& file_name) {
  RoofList list;
  list.status = text_file_status(file_name);
  if (!list.status.error.empty()) return list;

  // Roof lists are small enough to read whole, which lets the stop position
  // be taken from the stream directly.
  const std::string text = read_whole_file(file_name);
  std::istringstream in(text);
  std::streamoff stop = 0;
  int k;
  while (true) {
    stop = in.tellg();
    if (!(in >> k)) break;
    list.positions.push_back(k);
  }
  // A failed extraction may have consumed digits ("2147483648"); the problem
  // is the entry that holds the place where this extraction began.
  TextProblem problem;
  if (stop >= 0 && problem_at(text, static_cast<std::size_t>(stop), problem)) list.problem = problem;
  return list;
}

}  // namespace roofplanes
