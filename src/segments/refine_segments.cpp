#include "segments/refine_segments.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <unordered_map>

#include "planes/plane_residual.h"
#include "points/face_ring.h"
#include "points/vertex_scene.h"

namespace roofplanes {

namespace {

double residual_to_segment(Vertex_handle v, const RoofSegment& segment) {
  return plane_residual(v->point(), PlaneParams{segment.pan(), segment.tilt(), segment.s()});
}

// The neighbours of v, one per face around it, in counterclockwise order from
// v's stored face (the infinite vertex included).
VertexList neighbour_ring(const PointTriangulation& triangulation, Vertex_handle v) {
  VertexList ring;
  for_each_face_around(triangulation, v, [&](Face_handle, Vertex_handle c, Vertex_handle) { ring.push_back(c); });
  return ring;
}

// Distinct segment numbers of v's finite neighbours, ascending, without own
// and without 0 (no segment).
std::vector<int> neighbour_numbers(const PointTriangulation& triangulation, Vertex_handle v, int own) {
  std::vector<int> numbers;
  for_each_face_around(triangulation, v, [&](Face_handle, Vertex_handle c, Vertex_handle) {
    if (triangulation.is_infinite(c)) return;
    const int number = c->info().cluster_id();
    if (number != own && number != 0) numbers.push_back(number);
  });
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

// Where each vertex stands in an outline (a vertex may stand more than once),
// so that taking a vertex out costs its own elements, not a walk of the list.
using OutlineIndex = std::unordered_map<const void*, std::vector<OutlineList::iterator>>;

const void* key_of(Vertex_handle v) { return &*v; }

OutlineIndex index_outline(OutlineList& outline) {
  OutlineIndex index;
  for (auto element = outline.begin(); element != outline.end(); ++element)
    index[key_of(*element)].push_back(element);
  return index;
}

// Advances position past the elements holding v, then erases every element
// holding v; position stays valid.
void erase_vertex(OutlineList& outline, OutlineIndex& index, OutlineList::iterator& position, Vertex_handle v) {
  while (position != outline.end() && *position == v) ++position;
  const auto found = index.find(key_of(v));
  if (found == index.end()) return;
  for (const OutlineList::iterator element : found->second) outline.erase(element);
  index.erase(found);
}

// One round over segment i's outline; returns whether a vertex was removed.
bool refinement_round(RoofSegmentList& segments, std::size_t i, const PointTriangulation& triangulation,
                      Report& report) {
  OutlineList& outline = segments[i].mutable_outline();
  if (outline.empty()) return false;
  bool changed = false;
  const int own = outline.front()->info().cluster_id();
  // Built at the first removal: most rounds (every segment's last) remove nothing.
  OutlineIndex index;
  bool indexed = false;
  auto position = outline.begin();
  while (position != outline.end()) {
    const Vertex_handle v = *position;
    report.console_line_buffered("processing vertex ", static_cast<unsigned>(v->info().index()));
    const std::vector<int> numbers = neighbour_numbers(triangulation, v, own);
    bool remove = false;
    if (better_fit_elsewhere(numbers, segments, static_cast<int>(i), v, report)) {
      report.console_line_buffered("removing");
      if (!indexed) index = index_outline(outline);
      indexed = true;
      // The elements led in go in front of position: index them too.
      const auto before = position == outline.begin() ? outline.end() : std::prev(position);
      lead_around_inner_neighbours(segments[i], position, triangulation);
      for (auto added = before == outline.end() ? outline.begin() : std::next(before); added != position; ++added)
        index[key_of(*added)].push_back(added);
      changed = true;
      remove = true;
    }
    ++position;
    if (remove) {
      erase_vertex(outline, index, position, v);
      // A spike tip leaves its two sides on the same vertex, now consecutive:
      // that vertex goes as well.
      if (position != outline.end() && position != outline.begin() && *std::prev(position) == *position)
        erase_vertex(outline, index, position, *position);
    }
  }
  return changed;
}

}  // namespace

void refine_segments(RoofSegmentList& segments, const PointTriangulation& triangulation, Report& report,
                     int max_rounds) {
  for (std::size_t i = 0; i < segments.size(); ++i) {
    bool changed = true;
    for (int round = 0;; ++round) {
      report.console_line("round ", round, " about border ", i);
      // A segment whose outline keeps changing is left as if it had settled.
      if (!changed || round == max_rounds) break;
      changed = refinement_round(segments, i, triangulation, report);
    }
  }
  report.flush_console();
  // A round changes only its own segment's outline, so the first segment's
  // outline after its last round is the scene; every round used to rewrite
  // the same file, and that last write is the one that stands.
  if (report.scenes() && !segments.empty()) {
    const OutlineList& first = segments[0].mutable_outline();
    report_scene(report, SceneKind::points_cycled, "work/ob0_after_first_round.wrl", "yellow",
                 VertexList(first.begin(), first.end()));
  }
}

bool better_fit_elsewhere(const std::vector<int>& neighbour_numbers, const RoofSegmentList& segments,
                          int own, Vertex_handle v, Report& report) {
  if (neighbour_numbers.empty()) return false;
  // The running maximum is kept as an integer, so the own residual is compared
  // with the integer part of the worst neighbouring fit.
  int most = 0;
  for (const int number : neighbour_numbers) {
    const int k = find_segment_no(segments, number, report);
    if (k == -1) continue;
    const double residual = residual_to_segment(v, segments[static_cast<std::size_t>(k)]);
    if (residual > most) most = residual < static_cast<double>(INT_MAX) ? static_cast<int>(residual) : INT_MAX;
  }
  const double own_residual = residual_to_segment(v, segments[static_cast<std::size_t>(own)]);
  return own_residual > most;
}

void lead_around_inner_neighbours(RoofSegment& segment, OutlineList::iterator position,
                                  const PointTriangulation& triangulation) {
  OutlineList& outline = segment.mutable_outline();
  const Vertex_handle v = *position;
  const Vertex_handle prev = position == outline.begin() ? outline.back() : *std::prev(position);
  const Vertex_handle next = std::next(position) == outline.end() ? outline.front() : *std::next(position);
  if (prev == next) return;

  const VertexList ring = neighbour_ring(triangulation, v);
  const auto at_next = std::find(ring.begin(), ring.end(), next);
  if (at_next == ring.end()) return;

  // Turn on from next, at most once round, collecting until prev; the infinite
  // vertex is passed over (it has no position).
  const std::size_t start = static_cast<std::size_t>(at_next - ring.begin());
  VertexList inner;
  bool met_prev = false;
  for (std::size_t step = 1; step <= ring.size(); ++step) {
    const Vertex_handle w = ring[(start + step) % ring.size()];
    if (w == prev) {
      met_prev = true;
      break;
    }
    if (!triangulation.is_infinite(w)) inner.push_back(w);
  }
  if (!met_prev) return;

  // Each one goes in front of the one inserted before it: prev, w_k, …, w_1, v.
  auto front = position;
  for (const Vertex_handle& w : inner) front = outline.insert(front, w);
}

}  // namespace roofplanes
