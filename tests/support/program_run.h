#pragma once

// Runs the built roofplanes program as a separate process, the way a user
// does, and collects its exit status and both output streams.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

// A run of the program without arguments in directory, with the extra
// environment variables ("NAME=value"), started directly (no shell) so that
// its own peak resident memory can be read when it ends.
struct MeasuredRun : ProgramResult {
  long peak_kb = -1;  // maximum resident set size in KiB
};

inline MeasuredRun run_roofplanes_measured(const std::filesystem::path& directory,
                                           const std::vector<std::string>& environment = {}) {
  const std::filesystem::path out = directory / ".roofplanes_stdout";
  const std::filesystem::path err = directory / ".roofplanes_stderr";
  MeasuredRun result;
  const pid_t child = ::fork();
  if (child == 0) {
    // Only calls that are safe after fork in a threaded program.
    if (::chdir(directory.c_str()) != 0) ::_exit(127);
    const int in_fd = ::open("/dev/null", O_RDONLY);
    const int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in_fd < 0 || out_fd < 0 || err_fd < 0) ::_exit(127);
    ::dup2(in_fd, 0);
    ::dup2(out_fd, 1);
    ::dup2(err_fd, 2);
    for (const std::string& variable : environment) ::putenv(const_cast<char*>(variable.c_str()));
    char* const argv[] = {const_cast<char*>(ROOFPLANES_EXECUTABLE), nullptr};
    ::execv(ROOFPLANES_EXECUTABLE, argv);
    ::_exit(127);
  }
  int raw = 0;
  rusage usage{};
  if (child > 0 && ::wait4(child, &raw, 0, &usage) == child) {
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.peak_kb = usage.ru_maxrss;
  }
  result.out = read_text(out);
  result.err = read_text(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return result;
}

}  // namespace roofplanes::testing
