#include "cli/input_messages.h"

#include <iostream>

namespace roofplanes {

std::string point_file_message(const std::string& file_name, const PointFile& file) {
  if (!file.status.error.empty()) return file_name + ": " + file.status.error;
  if (!file.problem) return {};
  const TextProblem& p = *file.problem;
  return file_name + ": record " + std::to_string(p.entry) + " (line " + std::to_string(p.line) +
         ") is not three numbers: \"" + p.text + "\"; " + std::to_string(p.entry - 1) + " records read";
}

std::string roof_list_message(const std::string& file_name, const RoofList& list) {
  if (!list.status.error.empty()) return file_name + ": " + list.status.error;
  if (!list.problem) return {};
  const TextProblem& p = *list.problem;
  return file_name + ": entry " + std::to_string(p.entry) + " (line " + std::to_string(p.line) +
         ") is not a whole number in int range: \"" + p.text + "\"";
}

bool report_point_file(const std::string& file_name, const PointFile& file) {
  const std::string message = point_file_message(file_name, file);
  if (!message.empty()) std::cerr << "roofplanes: " << message << '\n';
  return !message.empty();
}

bool report_roof_list(const std::string& file_name, const RoofList& list) {
  const std::string message = roof_list_message(file_name, list);
  if (!message.empty()) std::cerr << "roofplanes: " << message << '\n';
  return !message.empty();
}

}  // namespace roofplanes
