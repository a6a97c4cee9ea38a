#include "cli/huge_page_heap.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

namespace roofplanes {

HeapEnvironment heap_environment() {
  HeapEnvironment environment;
  environment.tunables = std::getenv("GLIBC_TUNABLES");
  environment.preload = std::getenv("LD_PRELOAD");
  // "always [madvise] never": the mode in use is the one in brackets.
  std::ifstream file("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string word;
  while (file >> word)
    if (word.size() > 2 && word.front() == '[' && word.back() == ']')
      environment.huge_pages = word.substr(1, word.size() - 2);
  return environment;
}

std::optional<std::string> huge_page_tunables(const HeapEnvironment& environment) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 35))
  if (environment.tunables != nullptr || environment.preload != nullptr) return std::nullopt;
  if (environment.huge_pages != "madvise") return std::nullopt;
  return std::string("glibc.malloc.hugetlb=1");
#else
  (void)environment;  // the tunable came with glibc 2.35
  return std::nullopt;
#endif
}

void restart_with_huge_page_heap(char** argv) {
  const std::optional<std::string> tunables = huge_page_tunables(heap_environment());
  if (!tunables) return;
  if (setenv("GLIBC_TUNABLES", tunables->c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  unsetenv("GLIBC_TUNABLES");  // still this process: run on with glibc's defaults
}

}  // namespace roofplanes
