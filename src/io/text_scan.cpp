#include "io/text_scan.h"

#include "io/input_file.h"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace roofplanes {

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

TextFileStatus text_file_status(const std::string& file_name) {
  // A missing file keeps its old message; a folder, FIFO, device or an
  // oversized file is refused before it is opened.
  if (std::string problem = input_file_problem(file_name); !problem.empty() && problem != "does not exist")
    return {problem};
  std::ifstream in(file_name);
  if (!in) return {"cannot be opened"};
  return {};
}

std::string read_whole_file(const std::string& file_name) {
  std::ifstream in(file_name, std::ios::binary);
  std::string text;
  // Room for the whole file at once where it has a size (not a pipe), so the
  // text is copied once and never regrown.
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file_name, error);
  if (!error) text.reserve(static_cast<std::size_t>(size));
  std::vector<char> block(std::size_t{1} << 16);
  // Never past the input bound, even where the file grows while it is read.
  while (text.size() < max_input_bytes &&
         (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0))
    text.append(block.data(), static_cast<std::size_t>(in.gcount()));
  return text;
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
