#pragma once

// An allocator for large arrays that are written soon after allocation
// (counts zeroed, then incremented): blocks of at least huge_page_threshold
// bytes are aligned to and rounded up to whole 2 MB pages, and the kernel is
// asked to back them with 2 MB pages. Touching fresh memory costs a page fault
// per page: 4 KB pages made the Hough counts of one building take up to a
// thousand faults (8 µs each on a virtual machine). Elsewhere, and smaller
// blocks, it is std::allocator.

#include <cstddef>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace roofplanes {

inline constexpr std::size_t huge_page_size = std::size_t{1} << 21;
inline constexpr std::size_t huge_page_threshold = std::size_t{1} << 19;

template <typename T>
struct HugePageAllocator {
  using value_type = T;

  HugePageAllocator() = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(std::size_t n) {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < huge_page_threshold) return static_cast<T*>(::operator new(bytes));
    const std::size_t whole = (bytes + huge_page_size - 1) / huge_page_size * huge_page_size;
    void* block = ::operator new(whole, std::align_val_t{huge_page_size});
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(block, whole, MADV_HUGEPAGE);  // advice only: without it the memory is the same
#endif
    return static_cast<T*>(block);
  }

  void deallocate(T* p, std::size_t n) {
    if (n * sizeof(T) < huge_page_threshold)
      ::operator delete(p);
    else
      ::operator delete(p, std::align_val_t{huge_page_size});
  }

  template <typename U>
  bool operator==(const HugePageAllocator<U>&) const {
    return true;
  }
};

}  // namespace roofplanes
