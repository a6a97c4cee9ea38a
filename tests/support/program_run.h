#pragma once

// Runs the built roofplanes program as a separate process, the way a user
// does, and collects its exit status, both output streams and its peak memory.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>

#include "support/scratch_directory.h"

extern char** environ;

namespace roofplanes::testing {

struct ProgramResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out, err;
  long peak_rss_kb = 0;  // the process's largest resident set
};

// Runs `roofplanes arguments` (arguments go through the shell as written) in
// directory, standard input from /dev/null, with the environment variables
// given as "NAME=value ..." set. The shell execs the program, so the peak
// memory is the program's own.
// A time_limit in seconds (0: none) kills the program when it runs longer;
// the status is then 137 (as timeout(1) reports a kill).
inline ProgramResult run_roofplanes(const std::string& arguments, const std::filesystem::path& directory,
                                    const std::string& environment = "", int time_limit = 0) {
  const std::filesystem::path out = directory / ".roofplanes_stdout";
  const std::filesystem::path err = directory / ".roofplanes_stderr";
  const std::string exports = environment.empty() ? "" : "export " + environment + " && ";
  const std::string command = "cd '" + directory.string() + "' && " + exports + "exec " +
                              (time_limit > 0 ? "timeout -s KILL " + std::to_string(time_limit) + " " : std::string()) +
                              "'" ROOFPLANES_EXECUTABLE "' " +
                              arguments + " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  ProgramResult result;
  pid_t pid;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return result;
  int raw = 0;
  rusage usage{};
  if (wait4(pid, &raw, 0, &usage) != pid) return result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.peak_rss_kb = usage.ru_maxrss;
  result.out = read_text(out);
  result.err = read_text(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return result;
}

}  // namespace roofplanes::testing
