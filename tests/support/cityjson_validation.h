#pragma once

// Checks CityJSON documents against the CityJSON 2.0.2 schema in
// tests/data/cityjson with Python's jsonschema (Debian python3-jsonschema).
// A missing validator is a failure, never a skip.

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace roofplanes::testing {

// Empty when every document is valid; otherwise the validator's report
// (schema errors, or why it could not run).
inline std::string cityjson_schema_errors(const std::vector<std::string>& documents) {
  static std::atomic<int> counter{0};
  const std::filesystem::path directory =
      std::filesystem::temp_directory_path() /
      ("roofplanes_cityjson_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  std::filesystem::create_directories(directory);
  std::ofstream(directory / "validate.py") << R"(import json, sys
import jsonschema
with open(sys.argv[1]) as f:
    validator = jsonschema.Draft7Validator(json.load(f))
errors = 0
for name in sys.argv[2:]:
    with open(name) as f:
        for error in validator.iter_errors(json.load(f)):
            errors += 1
            print(name, list(error.absolute_path), error.message[:300])
sys.exit(1 if errors else 0)
)";
  std::string command = "python3 '" + (directory / "validate.py").string() + "' '" ROOFPLANES_SOURCE_DIR
                        "/tests/data/cityjson/cityjson.min.schema.json'";
  for (std::size_t i = 0; i < documents.size(); ++i) {
    const std::filesystem::path file = directory / ("document" + std::to_string(i) + ".json");
    std::ofstream(file, std::ios::binary) << documents[i];
    command += " '" + file.string() + "'";
  }
  const std::filesystem::path report_file = directory / "report.txt";
  const int status = std::system((command + " >'" + report_file.string() + "' 2>&1").c_str());
  std::ostringstream report;
  report << std::ifstream(report_file).rdbuf();
  std::filesystem::remove_all(directory);
  if (status == 0) return "";
  return report.str().empty() ? "validator exited with status " + std::to_string(status) : report.str();
}

}  // namespace roofplanes::testing
