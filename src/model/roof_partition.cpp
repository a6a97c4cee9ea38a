#include "model/roof_partition.h"

#include <CGAL/Arr_consolidated_curve_data_traits_2.h>
#include <CGAL/Arr_extended_dcel.h>
#include <CGAL/Arr_segment_traits_2.h>
#include <CGAL/Arr_landmarks_point_location.h>
#include <CGAL/Arrangement_2.h>
#include <CGAL/Exact_predicates_exact_constructions_kernel.h>
#include <CGAL/Filtered_kernel.h>
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
// Snap rounding in plain exact numbers with filtered predicates: its hot
// pixels share their edges, so most of its comparisons are exact ties, and a
// lazy number evaluated exactly costs a once-only initialisation (a system
// call) per node of its history.
using SnapKernel = CGAL::Filtered_kernel<EK::Exact_kernel>;
using SegmentTraits = CGAL::Arr_segment_traits_2<EK>;
using Traits = CGAL::Arr_consolidated_curve_data_traits_2<SegmentTraits, int>;
using Dcel = CGAL::Arr_face_extended_dcel<Traits, int>;
using Arrangement = CGAL::Arrangement_2<Traits, Dcel>;
using Locator = CGAL::Arr_landmarks_point_location<Arrangement>;
using FaceH = Arrangement::Face_const_handle;
using HalfedgeH = Arrangement::Halfedge_const_handle;
using VertexH = Arrangement::Vertex_const_handle;

constexpr int kOutline = -1;

// A piece of a line where two faces meet: the line and the stretch of it,
// as parameters along the unit direction from base, that its points cover.
struct ContactLine {
  EK::Line_2 line;
  Point base, dir;
  double from = 0.0, to = 0.0;
};

// The line through point with direction angle, covering the stretch of pts
// projected onto it.
ContactLine covering(const EK::Line_2& line, const std::vector<Point>& pts) {
  ContactLine c{line, {}, {}, 0.0, 0.0};
  const EK::Point_2 o = line.point(0);
  const EK::Vector_2 d = line.to_vector();
  const double dx = CGAL::to_double(d.x()), dy = CGAL::to_double(d.y());
  const double n = std::hypot(dx, dy);
  c.base = Point{CGAL::to_double(o.x()), CGAL::to_double(o.y()), 0.0};
  c.dir = Point{dx / n, dy / n, 0.0};
  c.from = 1e300;
  c.to = -1e300;
  for (const Point& p : pts) {
    const double t = (p.x - c.base.x) * c.dir.x + (p.y - c.base.y) * c.dir.y;
    c.from = std::min(c.from, t);
    c.to = std::max(c.to, t);
  }
  return c;
}

// Total least squares line of points.
EK::Line_2 fitted_line(const std::vector<Point>& pts) {
  double mx = 0.0, my = 0.0;
  for (const Point& m : pts) mx += m.x, my += m.y;
  mx /= static_cast<double>(pts.size());
  my /= static_cast<double>(pts.size());
  double sxx = 0.0, sxy = 0.0, syy = 0.0;
  for (const Point& m : pts) {
    sxx += (m.x - mx) * (m.x - mx);
    sxy += (m.x - mx) * (m.y - my);
    syy += (m.y - my) * (m.y - my);
  }
  // Direction of largest spread.
  const double angle = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
  return EK::Line_2(EK::Point_2(mx, my), EK::Direction_2(std::cos(angle), std::sin(angle)));
}

double distance(const EK::Line_2& line, const Point& p) {
  const double a = CGAL::to_double(line.a()), b = CGAL::to_double(line.b()), c = CGAL::to_double(line.c());
  return std::abs(a * p.x + b * p.y + c) / std::hypot(a, b);
}

// The lines where a meets b. The planes' crossing, over the stretch of the
// midpoints near it (within near_crossing spacings, or crossing_distance
// spacings where the planes differ there by less than a step), when most
// midpoints or at least min_points are near it; then, among the midpoints
// left, straight runs at a step, one after the other: each time the line
// through two of them that holds the most within tolerance, refitted to
// those, while it holds at least min_points.
std::vector<ContactLine> contact_lines(const FacePlane& a, const FacePlane& b, const std::vector<Point>& mids,
                                       double spacing, const PartitionOptions& options) {
  constexpr std::size_t kMinPoints = 4;
  constexpr std::size_t kMaxTries = 48;
  std::vector<ContactLine> lines;
  const double da = a.a - b.a, db = a.b - b.b, dc = a.c - b.c;
  const double norm = std::hypot(da, db);
  std::vector<Point> rest;
  if (norm > 1e-6) {
    std::vector<Point> near;
    for (const Point& m : mids) {
      const double dz = std::abs(da * m.x + db * m.y + dc);
      const double dist = dz / norm;
      if (dist <= options.near_crossing * spacing ||
          (dz < options.step_height && dist < options.crossing_distance * spacing))
        near.push_back(m);
      else
        rest.push_back(m);
    }
    if (!near.empty() && (2 * near.size() > mids.size() || near.size() >= kMinPoints)) {
      // Exact differences: three faces' pairwise lines then meet in one point.
      lines.push_back(covering(EK::Line_2(EK::FT(a.a) - EK::FT(b.a), EK::FT(a.b) - EK::FT(b.b), EK::FT(a.c) - EK::FT(b.c)), near));
    } else {
      rest = mids;
    }
  } else {
    rest = mids;
  }
  const double tolerance = options.step_tolerance * spacing;
  while (rest.size() >= kMinPoints) {
    const std::size_t stride = std::max<std::size_t>(1, rest.size() / kMaxTries);
    std::size_t best = 0;
    std::pair<std::size_t, std::size_t> pair{0, 0};
    for (std::size_t i = 0; i < rest.size(); i += stride)
      for (std::size_t j = i + stride; j < rest.size(); j += stride) {
        const double dx = rest[j].x - rest[i].x, dy = rest[j].y - rest[i].y;
        const double len = std::hypot(dx, dy);
        if (len < spacing) continue;
        std::size_t count = 0;
        for (const Point& p : rest)
          if (std::abs((p.x - rest[i].x) * dy - (p.y - rest[i].y) * dx) / len <= tolerance) ++count;
        if (count > best) best = count, pair = {i, j};
      }
    if (best < kMinPoints) break;
    const Point& p = rest[pair.first];
    const Point& q = rest[pair.second];
    const double len = std::hypot(q.x - p.x, q.y - p.y);
    std::vector<Point> in;
    for (const Point& m : rest)
      if (std::abs((m.x - p.x) * (q.y - p.y) - (m.y - p.y) * (q.x - p.x)) / len <= tolerance) in.push_back(m);
    const EK::Line_2 line = fitted_line(in);
    std::vector<Point> on, off;
    for (const Point& m : rest) (distance(line, m) <= tolerance ? on : off).push_back(m);
    if (on.size() < kMinPoints) break;
    lines.push_back(covering(line, on));
    rest = std::move(off);
  }
  return lines;
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
  std::vector<ContactLine> lines;
  for (const FaceContact& contact : contacts) {
    auto a = plane_of.find(contact.a);
    auto b = plane_of.find(contact.b);
    if (a == plane_of.end() || b == plane_of.end() || contact.midpoints.empty()) continue;
    for (ContactLine& line : contact_lines(a->second, b->second, contact.midpoints, spacing, options))
      lines.push_back(std::move(line));
  }
  // Each line over its stretch and a little beyond, then on to the first
  // other line's stretch or outline edge it meets at either end (the box at
  // most): the cells close, and a line does not cut faces far from where its
  // faces meet.
  const double margin = options.line_margin * spacing;
  std::vector<EK::Segment_2> stretches;
  auto at = [](const ContactLine& c, double t) {
    return c.line.projection(EK::Point_2(c.base.x + t * c.dir.x, c.base.y + t * c.dir.y));
  };
  for (const ContactLine& c : lines) stretches.emplace_back(at(c, c.from - margin), at(c, c.to + margin));
  std::vector<EK::Segment_2> outline_edges;
  for (const auto& curve : curves) outline_edges.push_back(curve);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const EK::Segment_2& own = stretches[k];
    EK::Point_2 ends[2] = {own.source(), own.target()};
    for (int e = 0; e < 2; ++e) {
      const EK::Point_2 from = ends[e];
      const EK::Ray_2 ray(from, e == 0 ? EK::Vector_2(own.target(), own.source()) : own.to_vector());
      std::optional<EK::Point_2> nearest;
      auto consider = [&](const EK::Segment_2& target) {
        const auto hit = CGAL::intersection(ray, target);
        if (!hit) return;
        const EK::Point_2* p = boost::get<EK::Point_2>(&*hit);
        if (p == nullptr || *p == from) return;
        if (!nearest || CGAL::has_smaller_distance_to_point(from, *p, *nearest)) nearest = *p;
      };
      for (std::size_t j = 0; j < stretches.size(); ++j)
        if (j != k) consider(stretches[j]);
      for (const auto& edge : outline_edges) consider(edge);
      if (!nearest) {
        const auto cut = CGAL::intersection(ray, box);
        if (!cut) continue;
        if (const EK::Segment_2* s = boost::get<EK::Segment_2>(&*cut)) nearest = s->target();
      }
      if (nearest) ends[e] = *nearest;
    }
    if (ends[0] != ends[1]) curves.emplace_back(EK::Segment_2(ends[0], ends[1]), static_cast<int>(k));
  }

  // Snap rounding onto the grid: lines that nearly meet in one point then
  // meet in one corner, and no corner lies nearer than a grid step to an edge
  // it is not on. Each polyline stands for the curve it came from.
  // Snap rounding puts corners at the centres of its pixels, half a step
  // off the grid: shifted there and back, they land on grid points.
  const SnapKernel::FT half = SnapKernel::FT(grid_step) / 2;
  const auto there = [&](const EK::Point_2& p) {
    const EK::Exact_kernel::Point_2& e = CGAL::exact(p);
    return SnapKernel::Point_2(e.x() + half, e.y() + half);
  };
  std::list<SnapKernel::Segment_2> segments;
  for (const auto& c : curves) segments.push_back(SnapKernel::Segment_2(there(c.source()), there(c.target())));
  std::list<std::list<SnapKernel::Point_2>> polylines;
  CGAL::snap_rounding_2<CGAL::Snap_rounding_traits_2<SnapKernel>>(segments.begin(), segments.end(), polylines,
                                                                  grid_step, true, false, 1);
  const auto back = [&](const SnapKernel::Point_2& p) {
    return EK::Point_2(EK::Point_2::Rep(EK::Exact_kernel::Point_2(p.x() - half, p.y() - half)));
  };
  std::vector<Traits::Curve_2> snapped;
  auto polyline = polylines.begin();
  for (const auto& c : curves) {
    const int data = c.data();
    const SnapKernel::Point_2* last = nullptr;
    for (const SnapKernel::Point_2& p : *polyline) {
      if (last != nullptr && *last != p) snapped.emplace_back(EK::Segment_2(back(*last), back(p)), data);
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
