#include "io/las_reader.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "las_writer.h"
#include "support/scratch_directory.h"

namespace {

using building_generator::LasFileOptions;
using building_generator::LasRecord;
using roofplanes::read_las;
using roofplanes::testing::read_text;
using roofplanes::testing::ScratchDirectory;
using roofplanes::testing::write_text;

// A record as its stored integers, so the test knows the exact coordinates to expect.
struct Stored {
  std::int32_t xyz[3];
  std::uint8_t classification;
  bool withheld;
};

// n records with both signs, every class the format holds, and every seventh one withheld.
std::vector<Stored> stored_records(int n, int point_format) {
  std::vector<Stored> records;
  std::uint32_t state = 12345;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };
  for (int k = 0; k < n; ++k) {
    Stored s;
    for (std::int32_t& v : s.xyz) v = static_cast<std::int32_t>(next() >> 4) - (1 << 27);
    s.classification = static_cast<std::uint8_t>(point_format <= 5 ? k % 32 : (k * 37) % 256);
    s.withheld = k % 7 == 3;
    records.push_back(s);
  }
  return records;
}

double coordinate(const LasFileOptions& options, const Stored& s, int k) {
  return s.xyz[k] * options.scale[k] + options.offset[k];
}

struct FormatCase {
  int version_minor, point_format, extra_bytes;
};

const std::string independent = ROOFPLANES_SOURCE_DIR "/../shared/las/independent/";

// One record of an independent reader's listing.
struct Expected {
  double x, y, z;
  int classification;
  bool withheld;
};

std::vector<Expected> expected_records(const std::string& listing) {
  std::istringstream in(read_text(listing));
  std::vector<Expected> records;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::size_t index = 0;
    Expected e{};
    int withheld = 0;
    fields >> index >> e.x >> e.y >> e.z >> e.classification >> withheld;
    e.withheld = withheld != 0;
    EXPECT_TRUE(fields && index == records.size()) << listing << ": " << line;
    records.push_back(e);
  }
  return records;
}

// Files written by other software, read by another reader: LAS 1.0 to 1.2 with
// formats 0 to 3, 1.4 with format 6, extra bytes per record. The values are
// printed with 17 digits, so they read back as the exact doubles expected.
TEST(read_las, IndependentFilesGiveTheirListedPoints) {
  if (!std::filesystem::exists(independent)) GTEST_SKIP() << "no shared LAS files at " << independent;
  // test1_4's listing marks every record withheld, but its flag bytes (0x48)
  // hold the overlap bit (3) and the scan direction: format 6 keeps withheld
  // in bit 2 of its classification flags, so no record of it is withheld.
  const struct {
    const char* name;
    int version_minor, point_format;
    bool listing_marks_overlap_as_withheld = false;
  } files[] = {{"1.0_0", 0, 0}, {"1.0_1", 0, 1}, {"1.1_0", 1, 0}, {"1.1_1", 1, 1},
               {"1.2_0", 2, 0}, {"1.2_1", 2, 1}, {"1.2_2", 2, 2}, {"1.2_3", 2, 3},
               {"1.2-with-color", 2, 3}, {"100-points", 2, 3}, {"extrabytes", 4, 3}, {"test1_4", 4, 6, true}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    const std::vector<Expected> expected = expected_records(independent + file.name + ".expected.txt");
    const roofplanes::LasCloud cloud = read_las(independent + file.name + ".las");
    EXPECT_EQ(cloud.header.version_minor, file.version_minor);
    EXPECT_EQ(cloud.header.point_format, file.point_format);
    EXPECT_EQ(cloud.header.point_count, expected.size());
    EXPECT_EQ(cloud.records_beyond_count, 0u);
    std::size_t next = 0, withheld = 0;
    for (std::size_t r = 0; r < expected.size(); ++r) {
      const Expected& e = expected[r];
      if (e.withheld && !file.listing_marks_overlap_as_withheld) {
        ++withheld;
        continue;
      }
      ASSERT_LT(next, cloud.points.size());
      const roofplanes::LasPoint& p = cloud.points[next++];
      ASSERT_EQ(p.x, e.x) << "record " << r;
      ASSERT_EQ(p.y, e.y) << "record " << r;
      ASSERT_EQ(p.z, e.z) << "record " << r;
      ASSERT_EQ(p.classification, e.classification) << "record " << r;
    }
    EXPECT_EQ(next, cloud.points.size());
    EXPECT_EQ(cloud.withheld, withheld);
  }
}

// A header count below the records the file holds: the count is read, and
// the records beyond it are counted (not EVLRs, which follow them in 1.4).
TEST(read_las, RecordsBeyondTheCountAreCountedNotRead) {
  if (!std::filesystem::exists(independent)) GTEST_SKIP() << "no shared LAS files at " << independent;
  ScratchDirectory scratch;
  std::string bytes = read_text(independent + "100-points.las");
  bytes[107] = 60;
  write_text("sixty.las", bytes);
  roofplanes::LasCloud cloud = read_las("sixty.las");
  EXPECT_EQ(cloud.points.size() + cloud.withheld, 60u);
  EXPECT_EQ(cloud.records_beyond_count, 40u);
  EXPECT_EQ(roofplanes::records_beyond_count_note("sixty.las", cloud),
            "sixty.las: 40 point records beyond the header's count of 60 were not read");
  // Half a record at the end is no record.
  write_text("sixty.las", bytes + std::string(17, '\0'));
  EXPECT_EQ(read_las("sixty.las").records_beyond_count, 40u);

  // A 1.4 file of format 6 relabelled 1.2, whose 32-bit count a 1.4 writer may leave 0.
  bytes = read_text(independent + "test1_4.las");
  bytes[25] = 2;
  for (int k = 107; k < 111; ++k) bytes[k] = 0;
  write_text("relabelled.las", bytes);
  cloud = read_las("relabelled.las");
  EXPECT_TRUE(cloud.points.empty());
  EXPECT_EQ(cloud.records_beyond_count, 1000u);

  // EVLRs after the records are no records: 1.4 with 30 records' worth of them.
  bytes = read_text(independent + "test1_4.las");
  const std::uint64_t evlr_start = bytes.size();
  for (int k = 0; k < 8; ++k) bytes[235 + k] = static_cast<char>(evlr_start >> (8 * k));
  bytes[243] = 1;
  write_text("evlr.las", bytes + std::string(30 * 30, 'e'));
  EXPECT_EQ(read_las("evlr.las").records_beyond_count, 0u);
  bytes[243] = 0;  // without the count they are records
  write_text("evlr.las", bytes + std::string(30 * 30, 'e'));
  EXPECT_EQ(read_las("evlr.las").records_beyond_count, 30u);
}

// Formats without an independent file (1.3, and 1.4 formats 4, 5 and 7 to 10):
// read back from our own writer, in many blocks with a partial last one.
TEST(read_las, FormatsWithoutIndependentFilesReadBack) {
  const FormatCase cases[] = {{3, 4, 0}, {3, 5, 1}, {4, 4, 0}, {4, 5, 0}, {4, 7, 2}, {4, 8, 0}, {4, 9, 0}, {4, 10, 11}};
  ScratchDirectory scratch;
  for (const FormatCase& c : cases) {
    SCOPED_TRACE("LAS 1." + std::to_string(c.version_minor) + " format " +
                 std::to_string(c.point_format) + " extra " + std::to_string(c.extra_bytes));
    LasFileOptions options;
    options.version_minor = c.version_minor;
    options.point_format = c.point_format;
    options.extra_bytes = c.extra_bytes;
    options.scale[2] = 0.001;
    options.offset[0] = 350000.0;
    options.offset[1] = 5800000.0;
    options.offset[2] = -20.0;
    options.scramble_other_fields = true;
    // Enough records that the larger formats take several blocks, the last one partial.
    const std::vector<Stored> stored = stored_records(40000, c.point_format);
    std::vector<LasRecord> records;
    std::uint64_t withheld = 0;
    for (const Stored& s : stored) {
      records.push_back({coordinate(options, s, 0), coordinate(options, s, 1),
                         coordinate(options, s, 2), s.classification, s.withheld});
      withheld += s.withheld;
    }
    ASSERT_TRUE(building_generator::write_las(records, options, "cloud.las"));

    const roofplanes::LasCloud cloud = read_las("cloud.las");
    EXPECT_EQ(cloud.header.version_minor, c.version_minor);
    EXPECT_EQ(cloud.header.point_format, c.point_format);
    EXPECT_EQ(cloud.header.record_length,
              building_generator::las_record_size(c.point_format) + c.extra_bytes);
    EXPECT_EQ(cloud.header.point_count, stored.size());
    EXPECT_EQ(cloud.withheld, withheld);
    ASSERT_EQ(cloud.points.size(), stored.size() - withheld);
    std::size_t next = 0;
    for (const Stored& s : stored) {
      if (s.withheld) continue;
      const roofplanes::LasPoint& p = cloud.points[next++];
      // Exactly X · scale + offset, evaluated in that order.
      ASSERT_EQ(p.x, coordinate(options, s, 0)) << "point " << next - 1;
      ASSERT_EQ(p.y, coordinate(options, s, 1)) << "point " << next - 1;
      ASSERT_EQ(p.z, coordinate(options, s, 2)) << "point " << next - 1;
      ASSERT_EQ(p.classification, s.classification) << "point " << next - 1;
      for (int k = 0; k < 3; ++k) {
        const double value = k == 0 ? p.x : k == 1 ? p.y : p.z;
        ASSERT_TRUE(value >= cloud.header.min[k] && value <= cloud.header.max[k]);
      }
    }
  }
}

TEST(read_las, LasOneFourTakesTheWideCount) {
  ScratchDirectory scratch;
  LasFileOptions options;
  options.version_minor = 4;
  options.point_format = 1;
  const std::vector<LasRecord> records(5, LasRecord{1.0, 2.0, 3.0, 6, false});
  ASSERT_TRUE(building_generator::write_las(records, options, "cloud.las"));
  std::string bytes = read_text("cloud.las");
  bytes[107] = 3;  // the 32-bit copy says 3; the 64-bit count says 5 and wins
  write_text("wide.las", bytes);
  EXPECT_EQ(read_las("wide.las").points.size(), 5u);
  bytes[107] = 5;
  bytes[247] = 0;  // a 1.4 writer that filled in only the 32-bit count
  write_text("narrow.las", bytes);
  EXPECT_EQ(read_las("narrow.las").points.size(), 5u);
}

TEST(read_las, SampleFileMatchesItsDescription) {
  const roofplanes::LasCloud cloud = read_las(ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las");
  EXPECT_EQ(cloud.header.version_minor, 2);
  EXPECT_EQ(cloud.header.point_format, 3);
  ASSERT_EQ(cloud.points.size(), 14408u);
  EXPECT_EQ(cloud.withheld, 0u);
  std::set<int> classes;
  std::size_t buildings = 0;
  for (const roofplanes::LasPoint& p : cloud.points) {
    classes.insert(p.classification);
    buildings += p.classification == 6;
    const double xyz[3] = {p.x, p.y, p.z};
    for (int k = 0; k < 3; ++k) {
      // The header's bounds are rounded to the scale.
      ASSERT_GE(xyz[k], cloud.header.min[k] - cloud.header.scale[k]);
      ASSERT_LE(xyz[k], cloud.header.max[k] + cloud.header.scale[k]);
    }
  }
  EXPECT_EQ(buildings, 12525u);
  EXPECT_EQ(classes, (std::set<int>{2, 3, 4, 5, 6, 11, 14, 31}));
}

std::uint64_t get(const std::string& bytes, std::size_t at, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}
void put(std::string& bytes, std::size_t at, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}
void put_f64(std::string& bytes, std::size_t at, double value) {
  put(bytes, at, std::bit_cast<std::uint64_t>(value), 8);
}

struct Hostile {
  const char* what;
  int version_minor;  // of the good file it starts from (format 3 in 1.2, format 6 in 1.4)
  std::function<void(std::string&)> damage;
  const char* message_names;
  const char* file_ending = ".las";
};

TEST(read_las, HostileFilesGiveOneLineNamingTheFile) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Hostile cases[] = {
      {"header size too small", 2, [](std::string& b) { put(b, 94, 226, 2); }, "header size"},
      {"1.3 header in 1.4", 4, [](std::string& b) { put(b, 94, 235, 2); }, "header size"},
      {"header size too large", 2, [](std::string& b) { put(b, 94, 65000, 2); }, "header size"},
      {"header over the records", 2, [](std::string& b) { put(b, 94, 400, 2); }, "inside the header"},
      {"offset inside header", 2, [](std::string& b) { put(b, 96, 200, 4); }, "offset to point data"},
      {"offset past the end", 4,
       [](std::string& b) { put(b, 96, b.size() + 1, 4); }, "offset to point data"},
      {"offset a little too large", 2,
       [](std::string& b) { put(b, 96, get(b, 96, 4) + 1, 4); }, "does not fit"},
      {"record too short", 2, [](std::string& b) { put(b, 105, 33, 2); }, "record length"},
      {"record too short in 1.4", 4, [](std::string& b) { put(b, 105, 29, 2); }, "record length"},
      {"record too long", 2, [](std::string& b) { put(b, 105, 35, 2); }, "does not fit"},
      {"count past the end", 2, [](std::string& b) { put(b, 107, 6, 4); }, "does not fit"},
      {"huge wide count", 4, [](std::string& b) { put(b, 247, 1ull << 60, 8); }, "does not fit"},
      {"zero scale", 2, [](std::string& b) { put_f64(b, 131, 0.0); }, "scale"},
      {"not-a-number scale", 4, [=](std::string& b) { put_f64(b, 147, nan); }, "scale"},
      {"infinite offset", 2, [=](std::string& b) { put_f64(b, 163, inf); }, "offset"},
      {"compressed, bit 7", 2, [](std::string& b) { b[104] = static_cast<char>(b[104] | 0x80); }, "LASzip"},
      {"compressed, bit 6", 4, [](std::string& b) { b[104] = static_cast<char>(b[104] | 0x40); }, "LASzip"},
      {"cut in the records", 4, [](std::string& b) { b.resize(b.size() - 1); }, "does not fit"},
      {"cut in the header", 4, [](std::string& b) { b.resize(300); }, "header size"},
      {"shorter than any header", 2, [](std::string& b) { b.resize(100); }, "truncated"},
      {"empty", 2, [](std::string& b) { b.clear(); }, "LASF"},
      {"no signature", 2, [](std::string& b) { b[0] = 'X'; }, "LASF"},
      {"version 2.0", 2, [](std::string& b) { b[24] = 2; }, "version"},
      {"version 1.5", 4, [](std::string& b) { b[25] = 5; }, "version"},
      {"format 11", 4, [](std::string& b) { b[104] = 11; }, "point format"},
      {"scale that makes a coordinate infinite", 2, [](std::string& b) { put_f64(b, 131, 1.7e308); },
       "point record 1: X coordinate is not a finite number (inf)"},
      {"offset beyond any building", 4, [](std::string& b) { put_f64(b, 171, -1e300); },
       "point record 1: Z coordinate -1e+300 lies beyond"},
  };
  ScratchDirectory scratch;
  std::string good[5];
  for (int minor : {2, 4}) {
    LasFileOptions options;
    options.version_minor = minor;
    options.point_format = minor == 2 ? 3 : 6;
    const std::vector<LasRecord> records(5, LasRecord{1.0, 2.0, 3.0, 6, false});
    ASSERT_TRUE(building_generator::write_las(records, options, "good.las"));
    ASSERT_EQ(read_las("good.las").points.size(), 5u);  // the damage alone makes it fail
    good[minor] = read_text("good.las");
  }
  auto expect_refused = [](const std::string& file, const std::string& names) {
    try {
      read_las(file);
      ADD_FAILURE() << "read without complaint";
    } catch (const std::runtime_error& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.rfind(file + ": ", 0), 0u) << message;
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
      EXPECT_NE(message.find(names), std::string::npos) << message;
    }
  };
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = good[c.version_minor];
    c.damage(bytes);
    const std::string file = std::string("hostile") + c.file_ending;
    write_text(file, bytes);
    expect_refused(file, c.message_names);
  }
  expect_refused("missing.las", "cannot open");
  std::filesystem::create_directory("folder.las");
  expect_refused("folder.las", "folder");
  // Never opened: a FIFO would block, a device would never end.
  ASSERT_EQ(::mkfifo("fifo.las", 0600), 0);
  expect_refused("fifo.las", "not a regular file");
  expect_refused("/dev/zero", "not a regular file");
}

}  // namespace
