// `extract` and `tile` on damaged LAS files, as a careless writer or an
// attacker makes them: a few hundred mutants of the shipped files, from a fixed
// seed. Whatever the damage, the program ends by itself with 0, 1 or 2, says
// what went wrong on standard error, and a refusal (2) leaves no output folder.
// The damage found by hand runs first, so every run of the test holds it.
// The sanitizer build runs the same mutants (fewer of them), so a read past a
// buffer or an overflowing conversion fails here too.

#include <bit>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/model_lines.h"
#include "support/program_run.h"
#include "support/scratch_directory.h"

#ifndef ROOFPLANES_FUZZ_MUTANTS
#define ROOFPLANES_FUZZ_MUTANTS 300
#endif

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using testing::read_text;
using testing::ScratchDirectory;

// xorshift64*: the same mutants on every machine and standard library.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    state ^= state >> 12, state ^= state << 25, state ^= state >> 27;
    return state * 0x2545F4914F6CDD1Dull;
  }
  std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(next() % n); }
};

void put(std::string& bytes, std::size_t at, std::uint64_t value, int size) {
  for (int k = 0; k < size && at + k < bytes.size(); ++k) bytes[at + k] = static_cast<char>(value >> (8 * k));
}

// One damage to bytes, described for the failure message.
std::string mutate(std::string& bytes, Random& random) {
  const std::size_t header = std::min<std::size_t>(bytes.size(), 375);
  switch (random.below(7)) {
    case 0: {  // a few flipped bits in the header
      const std::size_t flips = 1 + random.below(4);
      for (std::size_t k = 0; k < flips && header > 0; ++k)
        bytes[random.below(header)] ^= static_cast<char>(1 << random.below(8));
      return "bits flipped in the header";
    }
    case 1: {  // a layout field at a boundary
      const struct {
        std::size_t at;
        int size;
      } fields[] = {{6, 2}, {24, 1}, {25, 1}, {94, 2}, {96, 4}, {100, 4}, {104, 1}, {105, 2},
                    {107, 4}, {227, 8}, {235, 8}, {243, 4}, {247, 8}};
      const auto field = fields[random.below(std::size(fields))];
      const std::uint64_t all = field.size == 8 ? ~0ull : (1ull << (8 * field.size)) - 1;
      const std::uint64_t values[] = {0, 1, all, all / 2 + 1, bytes.size(), bytes.size() + 1, random.next() & all};
      const std::uint64_t value = values[random.below(std::size(values))];
      put(bytes, field.at, value, field.size);
      return "field at " + std::to_string(field.at) + " set to " + std::to_string(value);
    }
    case 2: {  // a scale, offset or bound that no scanner writes
      const double odd_values[] = {1e306, -1e306, 1e-320, 5e-324, 1e300, 0.0, -0.0,
                                 std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                 1e-9, 1e9};
      const std::size_t at = 131 + 8 * random.below(12);
      const double value = odd_values[random.below(std::size(odd_values))];
      put(bytes, at, std::bit_cast<std::uint64_t>(value), 8);
      return "double at " + std::to_string(at) + " set to " + std::to_string(value);
    }
    case 3: {
      const std::size_t size = random.below(bytes.size() + 1);
      bytes.resize(size);
      return "cut to " + std::to_string(size) + " bytes";
    }
    case 4: {
      const std::size_t extra = 1 + random.below(200);
      for (std::size_t k = 0; k < extra; ++k) bytes.push_back(static_cast<char>(random.next()));
      return std::to_string(extra) + " bytes appended";
    }
    case 5: {  // garbage over the records: coordinates, classes, flags
      if (bytes.size() <= header) return "nothing to overwrite";
      const std::size_t at = header + random.below(bytes.size() - header);
      const std::size_t run = std::min<std::size_t>(1 + random.below(64), bytes.size() - at);
      for (std::size_t k = 0; k < run; ++k) bytes[at + k] = static_cast<char>(random.next());
      return std::to_string(run) + " bytes overwritten at " + std::to_string(at);
    }
    default: {
      std::string first = mutate(bytes, random);
      return first + ", then " + mutate(bytes, random);
    }
  }
}

TEST(las_fuzz, EveryMutantEndsWithZeroOneOrTwoAndAMessage) {
  std::vector<std::string> sources = {ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las"};
  const std::string independent = ROOFPLANES_SOURCE_DIR "/../shared/las/independent/";
  // The small independent files add layouts the sample lacks (1.0, formats 0
  // to 2, 1.4 format 6, extra bytes); without them the sample alone is fuzzed.
  for (const char* name : {"1.0_0.las", "1.1_1.las", "1.2_2.las", "test1_4.las", "extrabytes.las"})
    if (fs::exists(independent + name)) sources.push_back(independent + name);
  std::vector<std::string> originals;
  for (const std::string& file : sources) originals.push_back(read_text(file));

  // The damage found by hand first, on the sample, each run by both commands:
  // a scale that makes coordinates infinite or subnormal, an offset beyond any
  // building, a count of 0 before 14,408 records, records read with a shorter
  // format's length, a not-a-number scale.
  const double huge = 1e306, tiny = 1e-320, far = 1e300, nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::pair<std::string, std::function<void(std::string&)>>> known = {
      {"X scale 1e306", [=](std::string& b) { put(b, 131, std::bit_cast<std::uint64_t>(huge), 8); }},
      {"scales 1e-320",
       [=](std::string& b) {
         for (int k = 0; k < 3; ++k) put(b, 131 + 8 * k, std::bit_cast<std::uint64_t>(tiny), 8);
       }},
      {"Y offset 1e300", [=](std::string& b) { put(b, 163, std::bit_cast<std::uint64_t>(far), 8); }},
      {"count 0", [](std::string& b) { put(b, 107, 0, 4); }},
      {"34-byte records said to be format 0 of 20 bytes",
       [](std::string& b) {
         b[104] = 0;
         put(b, 105, 20, 2);
       }},
      {"Z scale nan", [=](std::string& b) { put(b, 147, std::bit_cast<std::uint64_t>(nan), 8); }},
  };

  ScratchDirectory scratch;
  // A sanitizer report must not pass for an ordinary exit status 1.
  const std::string environment =
      "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}exitcode=86 UBSAN_OPTIONS=${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}exitcode=86";
  Random random{0x5eed5eedull};
  int statuses[3] = {0, 0, 0};
  const int fixed = 2 * static_cast<int>(known.size());
  for (int mutant = 0; mutant < fixed + ROOFPLANES_FUZZ_MUTANTS; ++mutant) {
    std::size_t source = 0;
    std::string bytes = originals[source], damage;
    if (mutant < fixed) {
      damage = known[static_cast<std::size_t>(mutant / 2)].first;
      known[static_cast<std::size_t>(mutant / 2)].second(bytes);
    } else {
      source = random.below(originals.size());
      bytes = originals[source];
      damage = mutate(bytes, random);
    }
    testing::write_text(scratch.path() / "mutant.las", bytes);
    // Passes bounded: a mutant may make one building of a whole tile.
    const std::string arguments = mutant % 2 == 0 ? "extract mutant.las -o out -j 1 --max-passes 20"
                                                  : "tile mutant.las -o out --jobs 1 --max-passes 20";
    SCOPED_TRACE("mutant " + std::to_string(mutant) + " of " + sources[source] + ": " + damage + "; " + arguments);
    const testing::ProgramResult run = testing::run_roofplanes(arguments, scratch.path(), environment, 60);
    ASSERT_TRUE(run.status >= 0 && run.status <= 2) << "status " << run.status << "\n" << run.err;
    // A building without a solid ends a run that read its input whole with 1 too.
    ++statuses[run.status == 1 && testing::without_model_lines(run.err).empty() ? 0 : run.status];
    EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("runtime error"), std::string::npos) << run.err;
    if (run.status != 0) {
      EXPECT_EQ(run.err.rfind("roofplanes: ", 0), 0u) << run.err;
    }
    if (run.status == 2) {
      EXPECT_FALSE(fs::exists(scratch.path() / "out")) << run.err;
      EXPECT_EQ(run.out, "");
    }
    fs::remove_all(scratch.path() / "out");
  }
  // The mutants reach every outcome: refused, read short, read whole.
  EXPECT_GT(statuses[0], 0);
  EXPECT_GT(statuses[1], 0);
  EXPECT_GT(statuses[2], 0);
}

}  // namespace
}  // namespace roofplanes
