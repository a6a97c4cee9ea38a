#include "cli/thread_count.h"

#include <cstdlib>
#include <iostream>
#include <memory>

#include <tbb/global_control.h>

namespace roofplanes {

std::optional<std::size_t> parse_thread_count(const std::string& text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  std::size_t count = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    count = count * 10 + static_cast<std::size_t>(c - '0');
  }
  if (count < 1 || count > 1024) return std::nullopt;
  return count;
}

int run_with_threads(std::size_t threads, const std::function<int()>& run) {
  if (threads == 0) {
    if (const char* value = std::getenv("ROOFPLANES_THREADS")) {
      if (const std::optional<std::size_t> count = parse_thread_count(value))
        threads = *count;
      else
        std::cerr << "roofplanes: ROOFPLANES_THREADS=" << value
                  << " is not a thread count from 1 to 1024; using every core\n";
    }
  }
  // The limit holds while it exists, for every parallel loop the run starts.
  std::unique_ptr<tbb::global_control> limit;
  if (threads > 0)
    limit = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism, threads);
  return run();
}

}  // namespace roofplanes
