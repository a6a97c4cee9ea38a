#pragma once

#include <cstdint>

namespace roofplanes {

// Per-vertex record through which all stages communicate.
//   index       0-based record number in the point file that last set this label
//   is_roof     1: roof point that no segment has taken yet
//   on_plane    1: survived blunder removal against the current pass's plane
//   border_mark 0: none, 1: border point of the current region, 2: taken into an outline
//   cluster_id  -1 unreached; pass number of the region that took it; after the
//               main loop the 1-based segment number (0: no segment)
//   position    0-based place of the vertex in the iteration order, so that a
//               vertex can be traced back to its input records
//
// The default label belongs to the triangulation's infinite vertex only. Its
// values keep every stage from reading that vertex as a roof, plane, marked or
// free point, or as a member of any region or segment.
class PointLabel {
 public:
  PointLabel() = default;
  PointLabel(int index, bool is_roof, bool on_plane, int border_mark, int cluster_id)
      : index_(index), is_roof_(is_roof), on_plane_(on_plane), border_mark_(border_mark),
        cluster_id_(cluster_id) {}

  int index() const { return index_; }
  bool is_roof() const { return is_roof_; }
  bool on_plane() const { return on_plane_; }
  int border_mark() const { return border_mark_; }
  int cluster_id() const { return cluster_id_; }

  void set_is_roof(bool value) { is_roof_ = value; }
  void set_on_plane(bool value) { on_plane_ = value; }
  void set_border_mark(int value) { border_mark_ = static_cast<std::int8_t>(value); }
  void set_cluster_id(int value) { cluster_id_ = value; }

  int position() const { return position_; }
  void set_position(int value) { position_ = value; }

 private:
  std::int32_t index_ = -1;
  bool is_roof_ = false;
  bool on_plane_ = false;
  std::int8_t border_mark_ = 0;  // 0, 1 or 2: a byte keeps the label, and so a vertex, 8 bytes smaller
  std::int32_t cluster_id_ = -3;
  std::int32_t position_ = -1;
};
static_assert(sizeof(PointLabel) == 16);

}  // namespace roofplanes
