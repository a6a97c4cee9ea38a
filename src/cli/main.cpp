#include <malloc.h>

#include <string_view>

#include "cli/command_line.h"
#include "cli/huge_page_heap.h"

int main(int argc, char** argv) {
  // Most of a tile run's system time went to page faults, one per 4 KB of heap
  // first touched (about 10 µs each on a virtual machine). Where the kernel
  // hands out 2 MB pages only on request, glibc makes that request when told
  // so at start-up, which takes a second start: a tile run then takes about a
  // fifth less time. A second start costs a few milliseconds, and a single
  // building's run, whose heap is small, gains nothing from 2 MB pages.
  if (argc > 1 && std::string_view(argv[1]) == "tile") roofplanes::restart_with_huge_page_heap(argv);
  // A building's stages allocate and free arrays of megabytes over and over
  // (vote counts, per-point flags). By default glibc hands each such block
  // back to the kernel and takes it again, zeroed page by page; kept in the
  // heap, a tile run spends up to a tenth less time. Peak memory is the same.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  mallopt(M_TOP_PAD, 16 << 20);
  return roofplanes::run_command_line(argc, argv);
}
