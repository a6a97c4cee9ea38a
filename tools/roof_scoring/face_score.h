#pragma once

// How well a segmentation finds the true roof faces of a building whose faces are known.
//
// Input is one entry per record: its true face (-1: on no face) and its segment label (0: in no
// segment). Only faces of at least min_face_records records are scored; smaller faces are too
// small to expect a segment of their own, and their records count as being on no face.

#include <cstddef>
#include <string>
#include <vector>

namespace roof_scoring {

// The thresholds of a score. A ratio counts when it reaches the threshold ("at least"), except
// for no_face_share, which a segment must exceed.
struct ScoringRules {
  std::size_t min_face_records = 20;  // smaller faces are not scored
  double found_completeness = 0.8;    // a face is found when its best segment holds this share of it
  double found_correctness = 0.9;     // ... and this share of that segment lies on the face
  double piece_share = 0.2;   // a segment holding this share of a face is a piece of it
  double merge_share = 0.3;   // a segment holding this share of each of two faces merges them
  double no_face_share = 0.5; // a segment with more than this share of its records off every
                              // scored face is a segment on no face
};

// The score of one true face.
struct FaceScore {
  int face = -1;              // the true face number
  std::size_t records = 0;    // records on the face
  int segment = 0;            // the segment holding most of its records (ties: the lowest number); 0: none
  std::size_t shared = 0;     // records of the face in that segment
  double completeness = 0.0;  // shared / records
  double correctness = 0.0;   // shared / records of the segment
  std::size_t pieces = 0;     // segments holding piece_share of the face or more
  bool found = false;         // completeness and correctness reach the rules' thresholds
};

// The score of one building.
struct FaceScores {
  std::vector<FaceScore> faces;        // every scored face, by ascending face number
  std::size_t found = 0;               // faces found
  std::size_t over_segmented = 0;      // faces in two pieces or more
  std::vector<int> merging_segments;   // segments holding merge_share of two scored faces or more, ascending
  std::size_t under_segmented = 0;     // faces of which a merging segment holds merge_share or more
  std::vector<int> no_face_segments;   // segments on no face, ascending
  std::size_t segments = 0;            // distinct labels other than 0
};

// Scores labels against true_face, one entry each per record. Throws std::invalid_argument when
// the two differ in length, a face is below -1 or a label below 0.
FaceScores score_faces(const std::vector<int>& true_face, const std::vector<int>& labels,
                       const ScoringRules& rules = {});

// The scores as a Markdown table, one row per scored face, followed by one line of counts.
std::string format_face_table(const FaceScores& scores);

}  // namespace roof_scoring
