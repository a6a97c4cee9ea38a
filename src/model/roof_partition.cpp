#include "model/roof_partition.h"

#include <CGAL/Arr_consolidated_curve_data_traits_2.h>
#include <CGAL/Arr_extended_dcel.h>
#include <CGAL/Arr_segment_traits_2.h>
#include <CGAL/Arr_trapezoid_ric_point_location.h>
#include <CGAL/Arrangement_2.h>
#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <CGAL/Snap_rounding_2.h>
#include <CGAL/Snap_rounding_traits_2.h>

#include <algorithm>
#include <list>
#include <cmath>
#include <map>
#include <numeric>
#include <utility>

namespace roofplanes {
namespace {

using EK = CGAL::Exact_predicates_exact_constructions_kernel;
using SegmentTraits = CGAL::Arr_segment_traits_2<EK>;
using Traits = CGAL::Arr_consolidated_curve_data_traits_2<SegmentTraits, int>;
using Dcel = CGAL::Arr_face_extended_dcel<Traits, int>;
using Arrangement = CGAL::Arrangement_2<Traits, Dcel>;
using Locator = CGAL::Arr_trapezoid_ric_point_location<Arrangement>;
using FaceH = Arrangement::Face_const_handle;
using HalfedgeH = Arrangement::Halfedge_const_handle;
using VertexH = Arrangement::Vertex_const_handle;

constexpr int kOutline = -1;

double median(std::vector<double> v) {
  auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}

// The line where a meets b: their planes' crossing, or the line fitted to
// the midpoints where it is far or the planes differ there by a step.
std::optional<EK::Line_2> contact_line(const FacePlane& a, const FacePlane& b, const std::vector<Point>& mids,
                                       double spacing, const PartitionOptions& options) {
  const double da = a.a - b.a, db = a.b - b.b, dc = a.c - b.c;
  const double norm = std::hypot(da, db);
  std::vector<double> dz, dist;
  for (const Point& m : mids) {
    const double d = da * m.x + db * m.y + dc;
    dz.push_back(std::abs(d));
    if (norm > 0.0) dist.push_back(std::abs(d) / norm);
  }
  // Near the points, the crossing is the edge between them; a little farther,
  // only when the planes differ there by less than a step.
  const double near = norm > 1e-6 ? median(dist) : 1e300;
  if (near <= options.near_crossing * spacing ||
      (median(dz) < options.step_height && near < options.crossing_distance * spacing)) {
    // Exact differences: three faces' pairwise lines then meet in one point.
    return EK::Line_2(EK::FT(a.a) - EK::FT(b.a), EK::FT(a.b) - EK::FT(b.b), EK::FT(a.c) - EK::FT(b.c));
  }
  if (mids.size() < 2) return std::nullopt;
  double mx = 0.0, my = 0.0;
  for (const Point& m : mids) {
    mx += m.x;
    my += m.y;
  }
  mx /= static_cast<double>(mids.size());
  my /= static_cast<double>(mids.size());
  double sxx = 0.0, sxy = 0.0, syy = 0.0;
  for (const Point& m : mids) {
    sxx += (m.x - mx) * (m.x - mx);
    sxy += (m.x - mx) * (m.y - my);
    syy += (m.y - my) * (m.y - my);
  }
  if (sxx + syy <= 0.0) return std::nullopt;
  // Direction of largest spread of the midpoints.
  const double angle = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
  return EK::Line_2(EK::Point_2(mx, my), EK::Direction_2(std::cos(angle), std::sin(angle)));
}

bool on_outline(const HalfedgeH& h) { return h->curve().data().find(kOutline) != h->curve().data().end(); }

double edge_length(const HalfedgeH& h) {
  const double dx = CGAL::to_double(h->target()->point().x()) - CGAL::to_double(h->source()->point().x());
  const double dy = CGAL::to_double(h->target()->point().y()) - CGAL::to_double(h->source()->point().y());
  return std::hypot(dx, dy);
}

template <class F>
void for_each_halfedge(const FaceH& f, F&& visit) {
  for (auto ccb = f->outer_ccbs_begin(); ccb != f->outer_ccbs_end(); ++ccb) {
    auto h = *ccb, start = h;
    do visit(HalfedgeH(h));
    while (++h != start);
  }
  for (auto ccb = f->inner_ccbs_begin(); ccb != f->inner_ccbs_end(); ++ccb) {
    auto h = *ccb, start = h;
    do visit(HalfedgeH(h));
    while (++h != start);
  }
}

double face_area(const FaceH& f) {
  double area = 0.0;
  for_each_halfedge(f, [&](const HalfedgeH& h) {
    const double x0 = CGAL::to_double(h->source()->point().x()), y0 = CGAL::to_double(h->source()->point().y());
    const double x1 = CGAL::to_double(h->target()->point().x()), y1 = CGAL::to_double(h->target()->point().y());
    area += x0 * y1 - x1 * y0;
  });
  return area / 2.0;
}

}  // namespace

Partition roof_partition(const std::vector<OutlinePolygon>& outline, const std::vector<FacePlane>& planes,
                         const std::vector<FaceContact>& contacts, const RoofSample& sample, double spacing,
                         double grid_step, const PartitionOptions& options) {
  Partition result;
  if (outline.empty()) return result;
  std::map<int, FacePlane> plane_of;
  for (const FacePlane& p : planes) plane_of[p.segment] = p;

  std::vector<Traits::Curve_2> curves;
  double xmin = 1e300, ymin = 1e300, xmax = -1e300, ymax = -1e300;
  auto add_ring = [&](const std::vector<Point>& ring) {
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const Point& p = ring[i];
      const Point& q = ring[(i + 1) % ring.size()];
      xmin = std::min(xmin, p.x), xmax = std::max(xmax, p.x);
      ymin = std::min(ymin, p.y), ymax = std::max(ymax, p.y);
      if (p.x == q.x && p.y == q.y) continue;
      curves.emplace_back(EK::Segment_2(EK::Point_2(p.x, p.y), EK::Point_2(q.x, q.y)), kOutline);
    }
  };
  for (const OutlinePolygon& polygon : outline) {
    add_ring(polygon.outer);
    for (const auto& hole : polygon.holes) add_ring(hole);
  }
  if (curves.empty()) return result;
  const EK::Iso_rectangle_2 box(EK::Point_2(xmin - 1.0, ymin - 1.0), EK::Point_2(xmax + 1.0, ymax + 1.0));
  int line_id = 0;
  for (const FaceContact& contact : contacts) {
    auto a = plane_of.find(contact.a);
    auto b = plane_of.find(contact.b);
    if (a == plane_of.end() || b == plane_of.end() || contact.midpoints.empty()) continue;
    const auto line = contact_line(a->second, b->second, contact.midpoints, spacing, options);
    if (!line) continue;
    const auto cut = CGAL::intersection(*line, box);
    if (!cut) continue;
    if (const EK::Segment_2* s = boost::get<EK::Segment_2>(&*cut)) curves.emplace_back(*s, line_id++);
  }

  // Snap rounding onto the grid: lines that nearly meet in one point then
  // meet in one corner, and no corner lies nearer than a grid step to an edge
  // it is not on. Each polyline stands for the curve it came from.
  // Snap rounding puts corners at the centres of its pixels, half a step
  // off the grid: shifted there and back, they land on grid points.
  const EK::Vector_2 half(EK::FT(grid_step) / 2, EK::FT(grid_step) / 2);
  std::list<EK::Segment_2> segments;
  for (const auto& c : curves) segments.push_back(EK::Segment_2(c.source() + half, c.target() + half));
  std::list<std::list<EK::Point_2>> polylines;
  CGAL::snap_rounding_2<CGAL::Snap_rounding_traits_2<EK>>(segments.begin(), segments.end(), polylines, grid_step,
                                                          true, false, 1);
  std::vector<Traits::Curve_2> snapped;
  auto polyline = polylines.begin();
  for (const auto& c : curves) {
    const int data = c.data();
    const EK::Point_2* last = nullptr;
    for (const EK::Point_2& p : *polyline) {
      if (last != nullptr && *last != p) snapped.emplace_back(EK::Segment_2(*last - half, p - half), data);
      last = &p;
    }
    ++polyline;
  }
  Arrangement arrangement;
  CGAL::insert(arrangement, snapped.begin(), snapped.end());

  // Number the faces, then find which lie inside the outline: crossing an
  // outline edge goes from outside to inside or back.
  std::vector<FaceH> faces;
  for (auto f = arrangement.faces_begin(); f != arrangement.faces_end(); ++f) {
    f->set_data(static_cast<int>(faces.size()));
    faces.push_back(f);
  }
  std::vector<int> inside(faces.size(), -1);
  std::vector<FaceH> queue{arrangement.unbounded_face()};
  inside[static_cast<std::size_t>(arrangement.unbounded_face()->data())] = 0;
  for (std::size_t k = 0; k < queue.size(); ++k) {
    const FaceH f = queue[k];
    const int here = inside[static_cast<std::size_t>(f->data())];
    for_each_halfedge(f, [&](const HalfedgeH& h) {
      const FaceH g = h->twin()->face();
      int& there = inside[static_cast<std::size_t>(g->data())];
      if (there >= 0) return;
      there = on_outline(h) ? 1 - here : here;
      queue.push_back(g);
    });
  }

  // Votes of the labelled points, and where every point lies.
  Locator locator(arrangement);
  std::vector<std::map<int, std::size_t>> votes(faces.size());
  std::vector<int> point_face(sample.points.size(), -1);
  for (std::size_t i = 0; i < sample.points.size(); ++i) {
    const auto located = locator.locate(EK::Point_2(sample.points[i].x, sample.points[i].y));
    const FaceH* f = boost::get<FaceH>(&located);
    if (f == nullptr || inside[static_cast<std::size_t>((*f)->data())] != 1) continue;
    point_face[i] = (*f)->data();
    if (sample.labels[i] != 0 && plane_of.count(sample.labels[i]) != 0)
      ++votes[static_cast<std::size_t>((*f)->data())][sample.labels[i]];
  }
  std::vector<int> label(faces.size(), 0);
  bool any = false;
  for (std::size_t f = 0; f < faces.size(); ++f) {
    if (inside[f] != 1) continue;
    std::size_t best = 0;
    for (const auto& [segment, count] : votes[f])
      if (count > best) best = count, label[f] = segment;  // map order: ties keep the lower number
    any = any || label[f] != 0;
  }
  if (!any) return result;

  // A piece takes the label of the neighbour it shares most edge with: those
  // without points, then slivers.
  auto neighbour_label = [&](std::size_t f) {
    std::map<int, double> shared;
    for_each_halfedge(faces[f], [&](const HalfedgeH& h) {
      const std::size_t g = static_cast<std::size_t>(h->twin()->face()->data());
      if (inside[g] == 1 && label[g] != 0 && g != f) shared[label[g]] += edge_length(h);
    });
    int best = 0;
    double longest = -1.0;
    for (const auto& [segment, length] : shared)
      if (length > longest) longest = length, best = segment;
    return best;
  };
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t f = 0; f < faces.size(); ++f) {
      if (inside[f] != 1 || label[f] != 0) continue;
      if (const int l = neighbour_label(f); l != 0) label[f] = l, changed = true;
    }
  }
  for (std::size_t f = 0; f < faces.size(); ++f) {
    if (inside[f] != 1 || face_area(faces[f]) >= options.min_piece_area) continue;
    if (const int l = neighbour_label(f); l != 0) label[f] = l;
  }

  // A corner where one face's pieces meet only at that corner (two lines
  // crossing with labels alternating around it) would pinch a region: the
  // smallest of those pieces goes to its other neighbour.
  auto other_label = [&](std::size_t f) {
    std::map<int, double> shared;
    for_each_halfedge(faces[f], [&](const HalfedgeH& h) {
      const std::size_t g = static_cast<std::size_t>(h->twin()->face()->data());
      if (inside[g] == 1 && label[g] != label[f]) shared[label[g]] += edge_length(h);
    });
    int best = label[f];
    double longest = -1.0;
    for (const auto& [segment, length] : shared)
      if (length > longest) longest = length, best = segment;
    return best;
  };
  for (int round = 0; round < 50; ++round) {
    bool changed = false;
    for (auto v = arrangement.vertices_begin(); v != arrangement.vertices_end(); ++v) {
      if (v->is_isolated()) continue;
      std::vector<std::size_t> around;
      auto c = v->incident_halfedges();
      const auto first = c;
      do around.push_back(static_cast<std::size_t>(c->face()->data()));
      while (++c != first);
      auto label_at = [&](std::size_t f) { return inside[f] == 1 ? label[f] : -1; };
      // Runs of one label around the corner, read cyclically.
      std::vector<int> runs;
      for (std::size_t k = 0; k < around.size(); ++k)
        if (label_at(around[k]) != label_at(around[(k + around.size() - 1) % around.size()]))
          runs.push_back(label_at(around[k]));
      std::map<int, int> count;
      for (int l : runs) ++count[l];
      std::size_t smallest = SIZE_MAX;
      double least = 1e300;
      for (std::size_t f : around)
        if (label_at(f) > 0 && count[label_at(f)] > 1 && face_area(faces[f]) < least)
          least = face_area(faces[f]), smallest = f;
      if (smallest == SIZE_MAX) continue;
      const int l = other_label(smallest);
      if (l != label[smallest]) label[smallest] = l, changed = true;
    }
    if (!changed) break;
  }

  // Pieces of one label that touch along an edge form one region.
  std::vector<std::size_t> parent(faces.size());
  std::iota(parent.begin(), parent.end(), std::size_t{0});
  auto find = [&](std::size_t x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
  };
  for (auto e = arrangement.edges_begin(); e != arrangement.edges_end(); ++e) {
    const std::size_t f = static_cast<std::size_t>(e->face()->data());
    const std::size_t g = static_cast<std::size_t>(e->twin()->face()->data());
    if (inside[f] == 1 && inside[g] == 1 && label[f] == label[g]) parent[find(f)] = find(g);
  }
  auto boundary = [&](const HalfedgeH& h) {
    const std::size_t f = static_cast<std::size_t>(h->face()->data());
    const std::size_t g = static_cast<std::size_t>(h->twin()->face()->data());
    return inside[f] == 1 && (inside[g] != 1 || find(f) != find(g));
  };

  // Corners kept: those where more than two boundary edges meet or the
  // boundary turns.
  std::map<VertexH, std::size_t> vertex_index;
  std::map<VertexH, int> degree;
  for (auto e = arrangement.edges_begin(); e != arrangement.edges_end(); ++e) {
    const HalfedgeH h = e;
    if (boundary(h) || boundary(h->twin())) {
      ++degree[h->source()];
      ++degree[h->target()];
    }
  }
  auto keep = [&](const HalfedgeH& in, const HalfedgeH& out) {
    if (degree[in->target()] != 2) return true;
    return CGAL::orientation(in->source()->point(), in->target()->point(), out->target()->point()) != CGAL::COLLINEAR;
  };
  auto next_boundary = [&](HalfedgeH h) {
    HalfedgeH e = h->next();
    while (!boundary(e)) e = e->twin()->next();
    return e;
  };

  std::map<std::size_t, std::size_t> region_of_root;
  std::map<HalfedgeH, bool> taken;
  for (std::size_t f = 0; f < faces.size(); ++f) {
    if (inside[f] != 1) continue;
    for_each_halfedge(faces[f], [&](const HalfedgeH& start) {
      if (!boundary(start) || taken[start]) return;
      std::vector<std::size_t> ring;
      HalfedgeH h = start;
      do {
        taken[h] = true;
        const HalfedgeH next = next_boundary(h);
        if (keep(h, next)) {
          auto [it, added] = vertex_index.try_emplace(h->target(), result.partition.vertices.size());
          if (added)
            result.partition.vertices.push_back(
                Point{CGAL::to_double(h->target()->point().x()), CGAL::to_double(h->target()->point().y()), 0.0});
          ring.push_back(it->second);
        }
        h = next;
      } while (h != start);
      const std::size_t root = find(f);
      auto [it, added] = region_of_root.try_emplace(root, result.partition.regions.size());
      if (added) result.partition.regions.push_back(PartitionRegion{label[f], {}});
      result.partition.regions[it->second].rings.push_back(std::move(ring));
    });
  }
  // Outer ring first: the one with the largest signed area.
  for (PartitionRegion& region : result.partition.regions) {
    auto area = [&](const std::vector<std::size_t>& ring) {
      double a = 0.0;
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point& p = result.partition.vertices[ring[i]];
        const Point& q = result.partition.vertices[ring[(i + 1) % ring.size()]];
        a += p.x * q.y - q.x * p.y;
      }
      return a;
    };
    std::stable_sort(region.rings.begin(), region.rings.end(),
                     [&](const auto& l, const auto& r) { return area(l) > area(r); });
  }

  // Fit of the roof points inside against their region's plane.
  std::vector<double> squares;
  for (std::size_t i = 0; i < sample.points.size(); ++i) {
    if (point_face[i] < 0) continue;
    const auto it = plane_of.find(label[static_cast<std::size_t>(point_face[i])]);
    if (it == plane_of.end()) continue;
    const Point& p = sample.points[i];
    const double r = p.z - (it->second.a * p.x + it->second.b * p.y + it->second.c);
    squares.push_back(r * r);
  }
  // Summed in sorted order, so that the records' order changes no bit.
  std::sort(squares.begin(), squares.end());
  double sum = 0.0;
  for (double s : squares) sum += s;
  if (!squares.empty()) result.rmse = std::sqrt(sum / static_cast<double>(squares.size()));
  return result;
}

}  // namespace roofplanes
