#include "io/text_scan.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace roofplanes {

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

TextFileStatus text_file_status(const std::string& file_name) {
  std::error_code ignored;
  if (std::filesystem::is_directory(file_name, ignored)) return {"is a folder"};
  std::ifstream in(file_name);
  if (!in) return {"cannot be opened"};
  return {};
}

std::string read_whole_file(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool problem_at(const std::string& text, std::size_t position, TextProblem& problem) {
  std::size_t start = position;
  while (start < text.size() && is_space(text[start])) ++start;
  if (start >= text.size()) return false;
  // Back to the beginning of the entry the stream stopped in.
  while (start > 0 && !is_space(text[start - 1])) --start;
  std::size_t entries = 0, lines = 1;
  bool in_entry = false;
  for (std::size_t i = 0; i < start; ++i) {
    if (text[i] == '\n') ++lines;
    const bool space = is_space(text[i]);
    if (!space && !in_entry) ++entries;
    in_entry = !space;
  }
  std::size_t end = start;
  while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
  constexpr std::size_t longest = 60;
  problem.entry = entries + 1;
  problem.line = lines;
  problem.text = text.substr(start, end - start);
  if (problem.text.size() > longest) problem.text = problem.text.substr(0, longest) + "...";
  return true;
}

}  // namespace roofplanes
