#pragma once

#include <optional>
#include <string>

namespace roofplanes {

// What the environment at the program's start says about its heap's pages.
struct HeapEnvironment {
  const char* tunables = nullptr;  // GLIBC_TUNABLES; null when unset
  const char* preload = nullptr;   // LD_PRELOAD; null when unset
  std::string huge_pages;          // the kernel's transparent huge page mode: always, madvise, never ("" unknown)
};

// The environment of this process and its kernel.
HeapEnvironment heap_environment();

// The GLIBC_TUNABLES value to start the program again with, so that glibc
// asks the kernel for 2 MB pages for its heap (glibc.malloc.hugetlb=1);
// none where it would change nothing or is not ours to change: the kernel
// backs every heap with them already (always) or never does, its mode is
// unknown, the user set tunables of their own (an empty GLIBC_TUNABLES keeps
// glibc's defaults), or a tool is preloaded (a profiler or checker would not
// follow the program into its second start).
std::optional<std::string> huge_page_tunables(const HeapEnvironment& environment);

// Starts this program again from the top, argv unchanged, with the tunables
// huge_page_tunables gives for this process; returns when it gives none or
// the new start fails, and the program then runs on as it is.
void restart_with_huge_page_heap(char** argv);

}  // namespace roofplanes
