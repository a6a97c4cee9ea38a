#pragma once

#include <cstdint>

namespace building_generator {

// One step of splitmix64: advances state and returns the next well-mixed word.
// Integer arithmetic only, so every machine draws the same sequence.
inline std::uint64_t splitmix64(std::uint64_t& state) {
  state += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace building_generator
