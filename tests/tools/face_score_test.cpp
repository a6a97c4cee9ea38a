#include "face_score.h"

#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "integer_list.h"

namespace {

using namespace roof_scoring;

// Records given as runs of `count` records with the same true face and label.
struct Run {
  int face, label, count;
};

FaceScores score_runs(std::initializer_list<Run> runs) {
  std::vector<int> faces, labels;
  for (const Run& run : runs) {
    faces.insert(faces.end(), static_cast<std::size_t>(run.count), run.face);
    labels.insert(labels.end(), static_cast<std::size_t>(run.count), run.label);
  }
  return score_faces(faces, labels);
}

void expect_face(const FaceScore& f, int face, std::size_t records, int segment, std::size_t shared,
                 double completeness, double correctness, std::size_t pieces, bool found) {
  SCOPED_TRACE("face " + std::to_string(face));
  EXPECT_EQ(f.face, face);
  EXPECT_EQ(f.records, records);
  EXPECT_EQ(f.segment, segment);
  EXPECT_EQ(f.shared, shared);
  EXPECT_DOUBLE_EQ(f.completeness, completeness);
  EXPECT_DOUBLE_EQ(f.correctness, correctness);
  EXPECT_EQ(f.pieces, pieces);
  EXPECT_EQ(f.found, found);
}

// Face 0 found; face 1 split in two; face 2 (19 records) too small to score, so segment 4, on it
// and on no face, lies on no scored face; face 3 (20 records) scored but never labelled.
FaceScores mixed_building() {
  return score_runs({{0, 1, 24}, {1, 2, 18}, {-1, 0, 5}, {0, 0, 1}, {2, 4, 19}, {1, 3, 12},
                     {-1, 1, 1}, {3, 0, 20}, {-1, 4, 2}});
}

TEST(score_faces, FoundSplitUnlabelledAndTooSmallFaces) {
  const FaceScores s = mixed_building();
  ASSERT_EQ(s.faces.size(), 3u);
  expect_face(s.faces[0], 0, 25, 1, 24, 24.0 / 25.0, 24.0 / 25.0, 1, true);
  expect_face(s.faces[1], 1, 30, 2, 18, 0.6, 1.0, 2, false);
  expect_face(s.faces[2], 3, 20, 0, 0, 0.0, 0.0, 0, false);
  EXPECT_EQ(s.found, 1u);
  EXPECT_EQ(s.over_segmented, 1u);
  EXPECT_TRUE(s.merging_segments.empty());
  EXPECT_EQ(s.no_face_segments, std::vector<int>{4});
  EXPECT_EQ(s.segments, 4u);
}

TEST(score_faces, ThresholdsAreReachedExactly) {
  // 36 of 45 (0.8) in a segment with 4 more records off the face (0.9): found; segment 2 holds
  // 9 of 45 (0.2) of the face, a second piece, and exactly half of its records are off faces.
  FaceScores s = score_runs({{0, 1, 36}, {0, 2, 9}, {-1, 1, 4}, {-1, 2, 9}});
  EXPECT_TRUE(s.faces[0].found);
  EXPECT_EQ(s.faces[0].pieces, 2u);
  EXPECT_TRUE(s.no_face_segments.empty());
  // One record less on the face, or one more off it: not found; past half off: on no face.
  EXPECT_FALSE(score_runs({{0, 1, 35}, {0, 2, 10}, {-1, 1, 3}}).faces[0].found);
  EXPECT_FALSE(score_runs({{0, 1, 36}, {0, 2, 9}, {-1, 1, 5}}).faces[0].found);
  s = score_runs({{0, 1, 36}, {0, 2, 9}, {-1, 1, 4}, {-1, 2, 10}});
  EXPECT_EQ(s.no_face_segments, std::vector<int>{2});
  // 8 of 45 is no piece.
  EXPECT_EQ(score_runs({{0, 1, 37}, {0, 2, 8}}).faces[0].pieces, 1u);
}

TEST(score_faces, MergingSegmentsAndTies) {
  // Segment 1 holds all of face 0, 30 % of face 1 and 8 of 30 of face 2: it merges faces 0 and 1.
  // Segment 3 holds most of face 2 but only 10 % of face 1. Face 3 is split evenly between
  // segments 5 and 4: the lower number is its best segment, and neither merges anything.
  const FaceScores s = score_runs({{0, 1, 20}, {1, 1, 12}, {1, 2, 24}, {1, 3, 4}, {2, 1, 8},
                                   {2, 3, 22}, {3, 5, 10}, {3, 4, 10}});
  ASSERT_EQ(s.faces.size(), 4u);
  expect_face(s.faces[0], 0, 20, 1, 20, 1.0, 0.5, 1, false);
  expect_face(s.faces[1], 1, 40, 2, 24, 0.6, 1.0, 2, false);
  expect_face(s.faces[2], 2, 30, 3, 22, 22.0 / 30.0, 22.0 / 26.0, 2, false);
  expect_face(s.faces[3], 3, 20, 4, 10, 0.5, 1.0, 2, false);
  EXPECT_EQ(s.merging_segments, std::vector<int>{1});
  EXPECT_EQ(s.under_segmented, 2u);  // faces 0 and 1, not face 2
  EXPECT_EQ(s.over_segmented, 3u);
  EXPECT_TRUE(s.no_face_segments.empty());
}

TEST(score_faces, RejectsInputThatIsNotOnePairPerRecord) {
  EXPECT_THROW(score_faces({0, 0}, {1}), std::invalid_argument);
  EXPECT_THROW(score_faces({0, -2}, {1, 1}), std::invalid_argument);
  EXPECT_THROW(score_faces({0, 0}, {1, -1}), std::invalid_argument);
}

TEST(format_face_table, RowsAndCounts) {
  EXPECT_EQ(format_face_table(mixed_building()),
            "| face | records | segment | shared | completeness | correctness | pieces | found |\n"
            "|---:|---:|---:|---:|---:|---:|---:|:---:|\n"
            "| 0 | 25 | 1 | 24 | 0.960 | 0.960 | 1 | yes |\n"
            "| 1 | 30 | 2 | 18 | 0.600 | 1.000 | 2 | no |\n"
            "| 3 | 20 | 0 | 0 | 0.000 | 0.000 | 0 | no |\n"
            "\n"
            "faces found: 1 of 3; over-segmented faces: 1; merging segments: 0; segments on no face: 1 (4); "
            "segments: 4\n");
}

TEST(read_integer_list, OneIntegerPerLine) {
  std::vector<int> values;
  std::string error;
  std::istringstream good(" 3\n-1\r\n+7 \n2147483647");
  ASSERT_TRUE(read_integer_list(good, values, error)) << error;
  EXPECT_EQ(values, (std::vector<int>{3, -1, 7, 2147483647}));
  for (const char* bad : {"1\n\n2\n", "1\n2x\n", "1\n2147483648\n", "1\n1 2\n"}) {
    std::istringstream in(bad);
    EXPECT_FALSE(read_integer_list(in, values, error)) << bad;
    EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
  }
}

}  // namespace
