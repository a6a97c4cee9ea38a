// score_faces: scores a segmentation against the true roof faces of a building.
//
//   score_faces TRUTH LABELS
//
// TRUTH holds the true face of every record (-1: on no face) and LABELS its segment label
// (0: in no segment), one integer per line, records in the same order. Prints the score of
// every face of 20 records or more as a Markdown table.

#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "face_score.h"
#include "integer_list.h"

namespace {

bool read_file(const std::string& file_name, std::vector<int>& values) {
  std::ifstream in(file_name);
  if (!in) {
    std::cerr << "score_faces: cannot read " << file_name << "\n";
    return false;
  }
  std::string error;
  if (!roof_scoring::read_integer_list(in, values, error)) {
    std::cerr << "score_faces: " << file_name << ": " << error << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: score_faces TRUTH LABELS\n"
                 "  TRUTH   true face of every record, one per line (-1: on no face)\n"
                 "  LABELS  segment label of every record, one per line (0: in no segment)\n";
    return 2;
  }
  std::vector<int> truth, labels;
  if (!read_file(argv[1], truth) || !read_file(argv[2], labels)) return 1;
  try {
    std::cout << roof_scoring::format_face_table(roof_scoring::score_faces(truth, labels));
  } catch (const std::invalid_argument& problem) {
    std::cerr << problem.what() << "\n";
    return 1;
  }
  return 0;
}
