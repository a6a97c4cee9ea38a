#pragma once

#include <string>

#include "io/point_file.h"
#include "io/roof_list.h"

namespace roofplanes {

// One line on standard error for each problem met while reading the file
// (not readable, or a record or entry that stopped the reading). Returns
// whether there was a problem.
bool report_point_file(const std::string& file_name, const PointFile& file);
bool report_roof_list(const std::string& file_name, const RoofList& list);

// The same lines as text, "" when there is no problem: for the commands that
// stop at the first input error.
std::string point_file_message(const std::string& file_name, const PointFile& file);
std::string roof_list_message(const std::string& file_name, const RoofList& list);

}  // namespace roofplanes
