#pragma once

// Runs the built roofplanes program as a separate process, the way a user
// does, and collects its exit status and both output streams.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/scratch_directory.h"

namespace roofplanes::testing {

struct ProgramResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out, err;
};

// Runs `roofplanes arguments` (arguments are passed through the shell as
// written) in directory, standard input from /dev/null.
inline ProgramResult run_roofplanes(const std::string& arguments, const std::filesystem::path& directory) {
  const std::filesystem::path out = directory / ".roofplanes_stdout";
  const std::filesystem::path err = directory / ".roofplanes_stderr";
  const std::string command = "cd '" + directory.string() + "' && '" ROOFPLANES_EXECUTABLE "' " + arguments +
                              " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  ProgramResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = read_text(out);
  result.err = read_text(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return result;
}

}  // namespace roofplanes::testing
