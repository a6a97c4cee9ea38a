// The LAZ reader against independent oracles: the uncompressed twins and the published hashes of
// the decoded records of real LAZ files (several writers, point formats 3, 6, 7 and 8, COPC,
// extra bytes), and damaged copies of them.

#include "io/laz_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/las_reader.h"
#include "support/scratch_directory.h"
#include "support/sha256.h"

namespace {

namespace fs = std::filesystem;
using roofplanes::LasCloud;
using roofplanes::read_las;
using roofplanes::read_laz_records;
using roofplanes::testing::read_text;
using roofplanes::testing::ScratchDirectory;
using roofplanes::testing::sha256_hex;
using roofplanes::testing::write_text;

const std::string shared_laz = ROOFPLANES_SOURCE_DIR "/../shared/laz/";

struct Pair {
  std::string laz, twin;  // paths; twin empty when only the hash is shipped
  std::string sha256;
  std::uint64_t points = 0;
  unsigned record_length = 0, format = 0;
};

// The published list: "<sha256>  <file>  points=N record_length=L format=F" per line.
std::vector<Pair> published_pairs() {
  std::vector<Pair> pairs;
  std::istringstream lines(read_text(shared_laz + "records.sha256"));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    Pair p;
    std::string name, points, length, format;
    fields >> p.sha256 >> name >> points >> length >> format;
    if (name.empty()) continue;
    p.laz = shared_laz + name;
    p.points = std::stoull(points.substr(points.find('=') + 1));
    p.record_length = static_cast<unsigned>(std::stoul(length.substr(length.find('=') + 1)));
    p.format = static_cast<unsigned>(std::stoul(format.substr(format.find('=') + 1)));
    std::string twin = p.laz.substr(0, p.laz.size() - 4) + ".las";
    if (name.rfind("simple", 0) == 0 || name.find("-generated") != std::string::npos) twin = shared_laz + "simple.las";
    if (fs::exists(twin)) p.twin = twin;
    pairs.push_back(p);
  }
  return pairs;
}

// The written-by-the-old-pointwise-coder file, which this reader leaves out (items version 1).
bool old_coder(const Pair& p) { return p.laz.find("compressor-1.2r0") != std::string::npos; }

std::uint64_t get(const std::string& bytes, std::size_t at, int size) {
  std::uint64_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

// The point records of an uncompressed LAS file, straight from its bytes.
std::vector<std::uint8_t> twin_records(const std::string& path) {
  const std::string bytes = read_text(path);
  const std::size_t offset = get(bytes, 96, 4);
  return {bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end()};
}

#define SKIP_WITHOUT_SHARED()                                                    \
  if (!fs::exists(shared_laz + "records.sha256")) GTEST_SKIP() << "no ../shared/laz beside the checkout"

TEST(sha256_oracle, PublishedVectors) {
  EXPECT_EQ(sha256_hex(std::string()), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256_hex(std::string("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256_hex(std::string("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(sha256_hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(read_laz_records, EveryPublishedFileDecodesToItsHashAndTwin) {
  SKIP_WITHOUT_SHARED();
  const std::vector<Pair> pairs = published_pairs();
  ASSERT_GE(pairs.size(), 10u);
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.laz);
    if (old_coder(p)) {
      try {
        read_laz_records(p.laz);
        ADD_FAILURE() << "items of version 1 read";
      } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("version 1"), std::string::npos) << error.what();
      }
      continue;
    }
    const roofplanes::LazRecords decoded = read_laz_records(p.laz);
    EXPECT_TRUE(decoded.warnings.empty());
    EXPECT_EQ(decoded.header.point_format, static_cast<int>(p.format));
    EXPECT_EQ(decoded.header.record_length, p.record_length);
    ASSERT_EQ(decoded.records.size(), p.points * p.record_length);
    EXPECT_EQ(sha256_hex(decoded.records), p.sha256);
    if (p.twin.empty()) continue;
    const std::vector<std::uint8_t> twin = twin_records(p.twin);
    ASSERT_GE(twin.size(), decoded.records.size());
    const auto differ = std::mismatch(decoded.records.begin(), decoded.records.end(), twin.begin());
    EXPECT_TRUE(differ.first == decoded.records.end())
        << "first differing record " << (differ.first - decoded.records.begin()) / p.record_length;
  }
}

TEST(read_las, LazFilesGiveTheirTwinsPointsAndPlainLasNamedLazIsLas) {
  SKIP_WITHOUT_SHARED();
  for (const Pair& p : published_pairs()) {
    if (p.twin.empty() || old_coder(p)) continue;
    SCOPED_TRACE(p.laz);
    const LasCloud laz = read_las(p.laz), las = read_las(p.twin);
    EXPECT_EQ(laz.header.point_count, las.header.point_count);
    EXPECT_EQ(laz.header.point_format, las.header.point_format);
    EXPECT_EQ(laz.withheld, las.withheld);
    ASSERT_EQ(laz.points.size(), las.points.size());
    for (std::size_t i = 0; i < laz.points.size(); ++i) {
      const auto &a = laz.points[i], &b = las.points[i];
      if (a.x != b.x || a.y != b.y || a.z != b.z || a.classification != b.classification) {
        ADD_FAILURE() << "point " << i << " differs";
        break;
      }
    }
  }
  // The content decides, never the name.
  ScratchDirectory scratch;
  fs::copy_file(shared_laz + "simple.las", "plain.laz");
  EXPECT_EQ(read_las("plain.laz").points.size(), read_las(shared_laz + "simple.las").points.size());
}

// Reading `file` fails with one line that starts with the file's name and names `what`.
void expect_refused(const std::string& file, const std::string& what) {
  try {
    read_las(file);
    ADD_FAILURE() << "read without complaint";
  } catch (const std::runtime_error& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind(file + ": ", 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_NE(message.find(what), std::string::npos) << message;
  }
}

struct Layout {
  std::size_t point_offset, data_start, table_offset, record_length, laszip_record;
};
Layout layout_of(const std::string& bytes) {
  Layout l{};
  l.point_offset = get(bytes, 96, 4);
  l.data_start = l.point_offset + 8;
  l.table_offset = get(bytes, l.point_offset, 8);
  l.record_length = get(bytes, 105, 2);
  l.laszip_record = bytes.find("laszip encoded") - 2;
  return l;
}

TEST(read_las, DamagedLazIsRefusedWithOneLineAndALostTableIsWalked) {
  SKIP_WITHOUT_SHARED();
  ScratchDirectory scratch;
  for (const std::string name : {"simple.laz", "1.2-with-color.copc.laz"}) {
    SCOPED_TRACE(name);
    const std::string good = read_text(shared_laz + name);
    const Layout l = layout_of(good);
    const std::vector<std::uint8_t> expected = read_laz_records(shared_laz + name).records;
    auto damaged = [&](auto damage) {
      std::string bytes = good;
      damage(bytes);
      write_text("damaged.laz", bytes);
      return std::string("damaged.laz");
    };
    expect_refused(damaged([](std::string& b) { b.resize(200); }), "truncated");
    expect_refused(damaged([&](std::string& b) { b[l.laszip_record + 2] = 'X'; }), "no LASzip record");
    expect_refused(damaged([&](std::string& b) { b[l.laszip_record + 54 + 34 + 4] = 9; }), "version 9");
    expect_refused(damaged([&](std::string& b) { b[l.laszip_record + 54 + 2] = 1; }), "coder");
    // Cut in the chunks: the table is gone and the last chunk runs out of bytes.
    expect_refused(damaged([&](std::string& b) { b.resize(l.data_start + (l.table_offset - l.data_start) / 2); }),
                   "chunk");
    // A byte of the coded points in the middle of the first chunk.
    expect_refused(damaged([&](std::string& b) { b[l.data_start + l.record_length + 60] ^= 0x10; }), "chunk 1");
    // The table's coded entries.
    expect_refused(damaged([&](std::string& b) { b[l.table_offset + 8] ^= 0x55; }), "chunk");
    // The header's point count one too many or too few.
    const bool wide = good[25] == 4;
    const std::size_t count_at = wide ? 247 : 107;
    for (const int change : {-1, 1})
      expect_refused(damaged([&](std::string& b) { b[count_at] = static_cast<char>(b[count_at] + change); }),
                     "chunk");

    // A table cut off, or its offset lost: the chunks are walked one by one, to the same records.
    for (const auto& lose : std::vector<std::function<void(std::string&)>>{
             [&](std::string& b) { b.resize(l.table_offset + 8 + 2); },
             [&](std::string& b) { b.resize(l.table_offset); },
             [&](std::string& b) {
               for (int i = 0; i < 8; ++i) b[l.point_offset + static_cast<std::size_t>(i)] = 0;
               b.resize(l.table_offset);
             }}) {
      const roofplanes::LazRecords walked = read_laz_records(damaged(lose));
      EXPECT_EQ(walked.records, expected);
      ASSERT_EQ(walked.warnings.size(), 1u);
      EXPECT_NE(walked.warnings[0].find("chunk table"), std::string::npos) << walked.warnings[0];
      EXPECT_EQ(read_las("damaged.laz").warnings, walked.warnings);
    }
  }
}

// Random byte flips and cuts of two files, a fixed count: every outcome is a clean refusal or the
// file's own records. On a file of one large chunk every flip in its coded bytes is caught; on
// a file of many small chunks a flip in a chunk's uncompressed first record, or in the last
// bytes of a layer, can give other records that no check can tell from real ones.
TEST(read_las, FuzzedLazFilesAreRefusedCleanly) {
  SKIP_WITHOUT_SHARED();
  ScratchDirectory scratch;
  std::mt19937 random(20261208);
  for (const std::string name : {"simple.laz", "1.2-with-color.copc.laz"}) {
    SCOPED_TRACE(name);
    const std::string good = read_text(shared_laz + name);
    const Layout l = layout_of(good);
    const std::vector<std::uint8_t> expected = read_laz_records(shared_laz + name).records;
    const bool one_chunk = name == std::string("simple.laz");
    int refused = 0, runs = 0;
    for (int run = 0; run < 120; ++run, ++runs) {
      std::string bytes = good;
      const bool cut = run % 4 == 3;
      const std::size_t at = l.point_offset + random() % (bytes.size() - l.point_offset);
      if (cut)
        bytes.resize(random() % bytes.size());
      else
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
      write_text("fuzzed.laz", bytes);
      try {
        const roofplanes::LazRecords r = read_laz_records("fuzzed.laz");
        const bool coded = !cut && at >= l.data_start + l.record_length && at < l.table_offset;
        if (one_chunk && coded) {
          EXPECT_EQ(r.records, expected) << "flip at byte " << at;
        }
        read_las("fuzzed.laz");
      } catch (const std::runtime_error& error) {
        ++refused;
        EXPECT_EQ(std::string(error.what()).rfind("fuzzed.laz: ", 0), 0u) << error.what();
        EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
      }
    }
    EXPECT_GT(refused, runs / 2);
  }
}

}  // namespace
