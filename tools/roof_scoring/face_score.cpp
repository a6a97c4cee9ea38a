#include "face_score.h"

#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

namespace roof_scoring {
namespace {

double share(std::size_t part, std::size_t whole) {
  return whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole);
}

std::string number_list(const std::vector<int>& numbers) {
  std::string text;
  for (int n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
  return text;
}

}  // namespace

FaceScores score_faces(const std::vector<int>& true_face, const std::vector<int>& labels,
                       const ScoringRules& rules) {
  if (true_face.size() != labels.size())
    throw std::invalid_argument("score_faces: " + std::to_string(true_face.size()) + " true faces but " +
                                std::to_string(labels.size()) + " labels");
  std::map<int, std::size_t> face_records, segment_records;
  std::map<std::pair<int, int>, std::size_t> shared;  // (face, segment) -> records
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (true_face[i] < -1 || labels[i] < 0)
      throw std::invalid_argument("score_faces: record " + std::to_string(i) + " has face " +
                                  std::to_string(true_face[i]) + " and label " + std::to_string(labels[i]));
    if (true_face[i] >= 0) ++face_records[true_face[i]];
    if (labels[i] > 0) ++segment_records[labels[i]];
    if (true_face[i] >= 0 && labels[i] > 0) ++shared[{true_face[i], labels[i]}];
  }

  FaceScores scores;
  scores.segments = segment_records.size();
  std::map<int, std::size_t> merged_faces, on_scored_faces;  // per segment
  for (const auto& [face, records] : face_records) {
    if (records < rules.min_face_records) continue;
    FaceScore score;
    score.face = face;
    score.records = records;
    // shared is ordered by face, then segment: this face's segments in ascending order.
    for (auto it = shared.lower_bound({face, 0}); it != shared.end() && it->first.first == face; ++it) {
      const int segment = it->first.second;
      const std::size_t count = it->second;
      on_scored_faces[segment] += count;
      if (count > score.shared) {
        score.segment = segment;
        score.shared = count;
      }
      if (share(count, records) >= rules.piece_share) ++score.pieces;
      if (share(count, records) >= rules.merge_share) ++merged_faces[segment];
    }
    score.completeness = share(score.shared, records);
    score.correctness = score.segment == 0 ? 0.0 : share(score.shared, segment_records[score.segment]);
    score.found = score.completeness >= rules.found_completeness && score.correctness >= rules.found_correctness;
    scores.found += score.found ? 1 : 0;
    scores.over_segmented += score.pieces >= 2 ? 1 : 0;
    scores.faces.push_back(score);
  }
  std::map<int, bool> face_merged;
  for (const auto& [segment, records] : segment_records) {
    if (merged_faces[segment] >= 2) {
      scores.merging_segments.push_back(segment);
      for (const FaceScore& face : scores.faces)
        if (auto it = shared.find({face.face, segment});
            it != shared.end() && share(it->second, face.records) >= rules.merge_share)
          face_merged[face.face] = true;
    }
    if (share(records - on_scored_faces[segment], records) > rules.no_face_share)
      scores.no_face_segments.push_back(segment);
  }
  scores.under_segmented = face_merged.size();
  return scores;
}

std::string format_face_table(const FaceScores& scores) {
  std::string text =
      "| face | records | segment | shared | completeness | correctness | pieces | found |\n"
      "|---:|---:|---:|---:|---:|---:|---:|:---:|\n";
  char row[200];
  for (const FaceScore& f : scores.faces) {
    std::snprintf(row, sizeof row, "| %d | %zu | %d | %zu | %.3f | %.3f | %zu | %s |\n", f.face, f.records,
                  f.segment, f.shared, f.completeness, f.correctness, f.pieces, f.found ? "yes" : "no");
    text += row;
  }
  text += "\nfaces found: " + std::to_string(scores.found) + " of " + std::to_string(scores.faces.size()) +
          "; over-segmented faces: " + std::to_string(scores.over_segmented) +
          "; merging segments: " + std::to_string(scores.merging_segments.size());
  if (!scores.merging_segments.empty()) text += " (" + number_list(scores.merging_segments) + ")";
  text += "; segments on no face: " + std::to_string(scores.no_face_segments.size());
  if (!scores.no_face_segments.empty()) text += " (" + number_list(scores.no_face_segments) + ")";
  text += "; segments: " + std::to_string(scores.segments) + "\n";
  return text;
}

}  // namespace roof_scoring
