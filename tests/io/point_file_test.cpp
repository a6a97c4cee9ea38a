// The point file reader must read exactly what the stream's extraction into
// double reads: the same numbers, bit for bit, the same last complete record,
// and so the same reported problem, on hostile text and on random text.

#include "io/point_file.h"

#include <bit>
#include <cstdint>
#include <random>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/text_scan.h"

namespace roofplanes {
namespace {

// A stream buffer over text that tells where the stream has read to (tellg
// cannot once the end was reached).
class TextBuffer : public std::streambuf {
 public:
  explicit TextBuffer(const std::string& text) {
    char* begin = const_cast<char*>(text.data());
    setg(begin, begin, begin + text.size());
  }
  std::size_t position() const { return static_cast<std::size_t>(gptr() - eback()); }
};

// The records as `stream >> x >> y >> z` reads them, and the offset after the last.
PointRecords stream_records(const std::string& text) {
  PointRecords records;
  TextBuffer buffer(text);
  std::istream in(&buffer);
  double x, y, z;
  while (in >> x >> y >> z) {
    records.points.push_back({x, y, z});
    records.end = buffer.position();
  }
  return records;
}

// Compares both readers on text, numbers bit for bit (-0.0 is not 0.0).
void expect_same_as_stream(const std::string& text) {
  const PointRecords expected = stream_records(text);
  const PointRecords read = read_point_records(text);
  ASSERT_EQ(read.points.size(), expected.points.size()) << "text: \"" << text << "\"";
  for (std::size_t i = 0; i < read.points.size(); ++i) {
    const Point& a = read.points[i];
    const Point& b = expected.points[i];
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.x), std::bit_cast<std::uint64_t>(b.x)) << "\"" << text << "\" x " << i;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.y), std::bit_cast<std::uint64_t>(b.y)) << "\"" << text << "\" y " << i;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.z), std::bit_cast<std::uint64_t>(b.z)) << "\"" << text << "\" z " << i;
  }
  ASSERT_EQ(read.end, expected.end) << "text: \"" << text << "\"";
  TextProblem mine, theirs;
  ASSERT_EQ(problem_at(text, read.end, mine), problem_at(text, expected.end, theirs));
  EXPECT_EQ(mine.text, theirs.text);
  EXPECT_EQ(mine.line, theirs.line);
}

TEST(read_point_records, ReadsAndStopsAsTheStreamOnHostileText) {
  const std::string long_digits(400, '7');
  const std::vector<std::string> texts = {
      "1 2 3", "+1 +2 +3\n-4 -5 -6", "1e2 1E+2 1e-2", "1e400 0 0", "0 -1e400 0", "1e-400 -1e-400 3",
      "4.9e-324 2.4e-324 2.5e-324", "2.2250738585072011e-308 2.2250738585072014e-308 1e-310",
      "1.7976931348623157e308 1 1", "1 1.7976931348623159e308 1", "1 1e-99999 1e99999999999999999999",
      "0x1p3 1 1", "1 0x10 2 3", "1 2 0x", "nan 1 2", "1 2 inf", "1 2 -inf", "1 2 NAN", "1 2 3e", "1 2 3e+",
      "1 2 3e-", "1 2 3E 4", "1 2 3e5e6", "1 2 3.4.5", "1 2 3e5.5", "007 08 0009", "-000 +000 000.000",
      ".5 5. -.5", "+.5 -5. +.e1", ". 1 2", "- 1 2", "+ 1 2", "1 2 +", "1 2 3abc", "1 2 3,5", "1,5 2 3",
      "--1 2 3", "+-1 2 3", "1e+-5 1 1", "1.e5 2.E-1 3.e", "0e 1 1", "e5 1 2", "1 2 E5",
      "1" + long_digits + " 2 3", "0." + long_digits + " 1 1", "1 2 ." + long_digits + "e-5",
      "9007199254740993 9007199254740995 1", "0.1e-320 1 1", "1\r\n2\r\n3\r\n", "1\t2\t3\t", "\v1\f2 3",
      "1 2", "1 2 3 4", "", "   \n", "1 2 3\n4 5 6\nx", "1 2 3\r\n4 5 6\r\nheader", std::string("1 2 3 \0 4", 9),
      "1 2 3\xa0", "1 2 3 4 5 6 7", "x y z\n1 2 3", "1 2 3\n\n\n"};
  for (const std::string& text : texts) expect_same_as_stream(text);
}

TEST(read_point_records, ReadsAndStopsAsTheStreamOnRandomText) {
  // Mostly number-like pieces with the odd letter, sign and separator.
  const std::vector<std::string> pieces = {"0",   "1",     "9",     "12345", ".",   ".",    "e",    "E",
                                           "+",   "-",     " ",     " ",     " ",   "\t",   "\n",   "\r\n",
                                           "x",   "n",     "inf",   "nan",   "0x",  "1e308", "e-320", ",",
                                           "e400", "00",   "99999999999999999999", "5e-324", "2.5"};
  std::mt19937 random(7);
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1), length(1, 40);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (std::size_t n = length(random); n > 0; --n) text += pieces[piece(random)];
    expect_same_as_stream(text);
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
}  // namespace roofplanes
