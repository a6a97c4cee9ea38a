#include "model/building_shell.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace roofplanes {
namespace {

using GridPoint = std::array<std::int64_t, 3>;

std::int64_t snap(double value, double scale) { return std::llround(value / scale); }

// Distinct grid vertices, each once.
struct VertexTable {
  std::vector<GridPoint> vertices;
  std::map<GridPoint, std::size_t> index;
  std::size_t at(const GridPoint& p) {
    auto [it, added] = index.try_emplace(p, vertices.size());
    if (added) vertices.push_back(p);
    return it->second;
  }
};

// Consecutive repeats (the ring read cyclically) removed.
std::vector<std::size_t> without_repeats(std::vector<std::size_t> ring) {
  std::vector<std::size_t> out;
  for (std::size_t v : ring)
    if (out.empty() || out.back() != v) out.push_back(v);
  while (out.size() > 1 && out.front() == out.back()) out.pop_back();
  return out;
}

}  // namespace

Shell lod22_shell(const RoofPartition& partition, const std::vector<FacePlane>& planes, double ground,
                  const ModelGrid& grid, std::string& problem) {
  Shell shell;
  std::map<int, FacePlane> plane_of;
  for (const FacePlane& p : planes) plane_of[p.segment] = p;
  for (const PartitionRegion& r : partition.regions)
    if (plane_of.count(r.segment) == 0) {
      problem = "a roof region has no face plane";
      return shell;
    }
  std::vector<Point> xy = partition.vertices;
  std::vector<std::vector<std::vector<std::size_t>>> rings;
  std::vector<int> segment;
  for (const PartitionRegion& r : partition.regions) {
    rings.push_back(r.rings);
    segment.push_back(r.segment);
  }
  // Corners that fall on one grid point become one corner, so that no edge
  // shorter than the grid is left to stand a wall on.
  {
    std::map<std::pair<std::int64_t, std::int64_t>, std::size_t> first;
    std::vector<std::size_t> same(xy.size());
    for (std::size_t v = 0; v < xy.size(); ++v)
      same[v] = first.try_emplace({snap(xy[v].x, grid.scale.x), snap(xy[v].y, grid.scale.y)}, v).first->second;
    for (auto& region : rings) {
      std::vector<std::vector<std::size_t>> kept;
      for (auto& ring : region) {
        for (std::size_t& v : ring) v = same[v];
        ring = without_repeats(std::move(ring));
        if (ring.size() >= 3) kept.push_back(std::move(ring));
      }
      region = std::move(kept);
    }
  }
  for (Point& p : xy) p = Point{static_cast<double>(snap(p.x, grid.scale.x)) * grid.scale.x,
                                 static_cast<double>(snap(p.y, grid.scale.y)) * grid.scale.y, 0.0};
  auto height = [&](int s, std::size_t v) {
    const FacePlane& f = plane_of.at(s);
    return f.a * xy[v].x + f.b * xy[v].y + f.c;
  };
  auto zgrid = [&](double z) { return snap(z - grid.translate.z, grid.scale.z); };
  const std::int64_t zg = zgrid(ground);

  // Which region lies on the left of each directed edge.
  auto edge_owners = [&]() {
    std::map<std::pair<std::size_t, std::size_t>, std::size_t> owner;
    for (std::size_t r = 0; r < rings.size(); ++r)
      for (const auto& ring : rings[r])
        for (std::size_t i = 0; i < ring.size(); ++i) owner[{ring[i], ring[(i + 1) % ring.size()]}] = r;
    return owner;
  };

  // Faces whose heights at a corner are to be one: where they cross there.
  std::set<std::tuple<std::size_t, int, int>> tied;
  auto tie = [&](std::size_t v, int a, int b) { tied.insert({v, std::min(a, b), std::max(a, b)}); };

  // Cut the edges whose two sides swap heights along them where the planes
  // cross; a crossing within a grid step of an end ties the heights there.
  {
    const auto owner = edge_owners();
    std::map<std::pair<std::size_t, std::size_t>, std::size_t> cut;
    for (const auto& [edge, r] : owner) {
      const auto [u, v] = edge;
      if (u > v) continue;
      const auto twin = owner.find({v, u});
      if (twin == owner.end()) continue;
      const int a = segment[r], b = segment[twin->second];
      const double du = height(a, u) - height(b, u);
      const double dv = height(a, v) - height(b, v);
      if (!((du > 0.0 && dv < 0.0) || (du < 0.0 && dv > 0.0))) continue;
      const double t = du / (du - dv);
      const Point w{static_cast<double>(snap(xy[u].x + t * (xy[v].x - xy[u].x), grid.scale.x)) * grid.scale.x,
                    static_cast<double>(snap(xy[u].y + t * (xy[v].y - xy[u].y), grid.scale.y)) * grid.scale.y, 0.0};
      if (w.x == xy[u].x && w.y == xy[u].y) {
        tie(u, a, b);
      } else if (w.x == xy[v].x && w.y == xy[v].y) {
        tie(v, a, b);
      } else {
        cut[{u, v}] = xy.size();
        tie(xy.size(), a, b);
        xy.push_back(w);
      }
    }
    if (!cut.empty())
      for (auto& region : rings)
        for (auto& ring : region) {
          std::vector<std::size_t> with;
          for (std::size_t i = 0; i < ring.size(); ++i) {
            const std::size_t u = ring[i], v = ring[(i + 1) % ring.size()];
            with.push_back(u);
            const auto it = cut.find({std::min(u, v), std::max(u, v)});
            if (it != cut.end()) with.push_back(it->second);
          }
          ring = std::move(with);
        }
  }

  const auto owner = edge_owners();
  std::vector<std::int64_t> gx(xy.size()), gy(xy.size());
  for (std::size_t v = 0; v < xy.size(); ++v) {
    gx[v] = snap(xy[v].x, grid.scale.x);
    gy[v] = snap(xy[v].y, grid.scale.y);
  }
  // Heights at each corner on the grid: faces whose planes pass within a grid
  // step of each other there (or that are tied there) share one height, the
  // mean of theirs, so that planes meeting in a corner meet in one vertex.
  std::vector<std::set<int>> faces_at(xy.size());
  for (const auto& [edge, r] : owner) faces_at[edge.first].insert(segment[r]);
  std::map<std::pair<std::size_t, int>, std::int64_t> z_at;
  for (std::size_t v = 0; v < xy.size(); ++v) {
    std::vector<std::pair<double, int>> by_height;
    for (int s : faces_at[v]) by_height.emplace_back(height(s, v), s);
    std::sort(by_height.begin(), by_height.end());
    std::size_t begin = 0;
    for (std::size_t k = 1; k <= by_height.size(); ++k) {
      const bool joined = k < by_height.size() &&
                          (by_height[k].first - by_height[k - 1].first <= grid.scale.z ||
                           tied.count({v, std::min(by_height[k].second, by_height[k - 1].second),
                                       std::max(by_height[k].second, by_height[k - 1].second)}) != 0);
      if (joined) continue;
      double mean = 0.0;
      for (std::size_t i = begin; i < k; ++i) mean += by_height[i].first;
      mean /= static_cast<double>(k - begin);
      for (std::size_t i = begin; i < k; ++i) z_at[{v, by_height[i].second}] = zgrid(mean);
      begin = k;
    }
  }
  auto roof_z = [&](std::size_t v, int s) { return z_at.at({v, s}); };
  // Heights met at each corner: of every region there, and the ground on the outline.
  std::vector<std::set<std::int64_t>> stack(xy.size());
  for (const auto& [edge, r] : owner) {
    stack[edge.first].insert(roof_z(edge.first, segment[r]));
    if (owner.count({edge.second, edge.first}) == 0) {
      stack[edge.first].insert(zg);
      stack[edge.second].insert(zg);
    }
  }

  VertexTable table;
  auto id = [&](std::size_t v, std::int64_t z) { return table.at(GridPoint{gx[v], gy[v], z}); };
  // Roofs.
  for (std::size_t r = 0; r < rings.size(); ++r) {
    ShellSurface surface{SurfaceKind::roof, segment[r], {}};
    for (const auto& ring : rings[r]) {
      std::vector<std::size_t> ids;
      for (std::size_t v : ring) ids.push_back(id(v, roof_z(v, segment[r])));
      ids = without_repeats(std::move(ids));
      if (ids.size() >= 3) surface.rings.push_back(std::move(ids));
    }
    if (!surface.rings.empty()) shell.surfaces.push_back(std::move(surface));
  }
  // Walls: below each directed edge whose left side stands higher than its right.
  for (const auto& [edge, r] : owner) {
    const auto [u, v] = edge;
    const auto twin = owner.find({v, u});
    const std::int64_t hu = roof_z(u, segment[r]), hv = roof_z(v, segment[r]);
    const std::int64_t lu = twin == owner.end() ? zg : roof_z(u, segment[twin->second]);
    const std::int64_t lv = twin == owner.end() ? zg : roof_z(v, segment[twin->second]);
    if (hu < lu || hv < lv) {
      if (twin == owner.end()) {
        problem = "a roof lies below the ground height";
        return Shell{};
      }
      continue;  // the other side's wall
    }
    if (hu == lu && hv == lv) continue;
    std::vector<std::size_t> ring{id(u, lu), id(v, lv)};
    for (auto z = stack[v].upper_bound(lv); z != stack[v].end() && *z < hv; ++z) ring.push_back(id(v, *z));
    ring.push_back(id(v, hv));
    ring.push_back(id(u, hu));
    for (auto z = std::make_reverse_iterator(stack[u].lower_bound(hu)); z != stack[u].rend() && *z > lu; ++z)
      ring.push_back(id(u, *z));
    ring = without_repeats(std::move(ring));
    if (ring.size() >= 3) shell.surfaces.push_back(ShellSurface{SurfaceKind::wall, 0, {std::move(ring)}});
  }
  // Ground: the outline's edges, those with no region on their right, reversed.
  {
    std::map<std::size_t, std::vector<std::size_t>> next;
    for (const auto& [edge, r] : owner)
      if (owner.count({edge.second, edge.first}) == 0) next[edge.first].push_back(edge.second);
    std::set<std::pair<std::size_t, std::size_t>> used;
    std::vector<std::vector<std::size_t>> outers, holes;
    for (const auto& [start, targets] : next)
      for (std::size_t first : targets) {
        if (used.count({start, first})) continue;
        std::vector<std::size_t> chain{start};
        std::size_t cur = first;
        used.insert({start, first});
        while (cur != start) {
          chain.push_back(cur);
          std::size_t to = SIZE_MAX;
          for (std::size_t c : next[cur])
            if (!used.count({cur, c})) {
              to = c;
              break;
            }
          if (to == SIZE_MAX) break;
          used.insert({cur, to});
          cur = to;
        }
        if (cur != start) {
          problem = "the outline does not close";
          return Shell{};
        }
        double area = 0.0;
        for (std::size_t i = 0; i < chain.size(); ++i) {
          const Point& p = xy[chain[i]];
          const Point& q = xy[chain[(i + 1) % chain.size()]];
          area += p.x * q.y - q.x * p.y;
        }
        std::vector<std::size_t> ids;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) ids.push_back(id(*it, zg));
        ids = without_repeats(std::move(ids));
        if (ids.size() < 3) continue;
        (area > 0.0 ? outers : holes).push_back(std::move(ids));
      }
    if (outers.size() != 1) {
      problem = outers.empty() ? "the outline has no area" : "the outline is in several pieces";
      return Shell{};
    }
    ShellSurface surface{SurfaceKind::ground, 0, {std::move(outers.front())}};
    for (auto& h : holes) surface.rings.push_back(std::move(h));
    shell.surfaces.push_back(std::move(surface));
  }
  shell.vertices = std::move(table.vertices);
  return shell;
}

Shell lod12_shell(const std::vector<OutlinePolygon>& outline, double ground, double top, const ModelGrid& grid) {
  const std::int64_t zg = snap(ground - grid.translate.z, grid.scale.z);
  const std::int64_t zt = snap(top - grid.translate.z, grid.scale.z);
  Shell shell;
  if (zt <= zg) return shell;
  VertexTable table;
  for (const OutlinePolygon& polygon : outline) {
    std::vector<std::vector<std::array<std::int64_t, 2>>> rings;
    auto add = [&](const std::vector<Point>& ring, bool outer) {
      std::vector<std::array<std::int64_t, 2>> r;
      for (const Point& p : ring) {
        const std::array<std::int64_t, 2> g{snap(p.x, grid.scale.x), snap(p.y, grid.scale.y)};
        if (r.empty() || r.back() != g) r.push_back(g);
      }
      while (r.size() > 1 && r.front() == r.back()) r.pop_back();
      if (r.size() < 3) return;
      double area = 0.0;
      for (std::size_t i = 0; i < r.size(); ++i) {
        const auto& p = r[i];
        const auto& q = r[(i + 1) % r.size()];
        area += static_cast<double>(p[0]) * static_cast<double>(q[1]) - static_cast<double>(q[0]) * static_cast<double>(p[1]);
      }
      // Outer rings counterclockwise from above, holes clockwise.
      if ((area > 0.0) != outer) std::reverse(r.begin(), r.end());
      rings.push_back(std::move(r));
    };
    add(polygon.outer, true);
    if (rings.empty()) continue;
    for (const auto& h : polygon.holes) add(h, false);
    ShellSurface roof{SurfaceKind::roof, 0, {}}, floor{SurfaceKind::ground, 0, {}};
    for (const auto& r : rings) {
      std::vector<std::size_t> up, down;
      for (const auto& g : r) up.push_back(table.at(GridPoint{g[0], g[1], zt}));
      for (auto it = r.rbegin(); it != r.rend(); ++it) down.push_back(table.at(GridPoint{(*it)[0], (*it)[1], zg}));
      roof.rings.push_back(std::move(up));
      floor.rings.push_back(std::move(down));
      for (std::size_t i = 0; i < r.size(); ++i) {
        const auto& a = r[i];
        const auto& b = r[(i + 1) % r.size()];
        shell.surfaces.push_back(ShellSurface{SurfaceKind::wall, 0,
                                              {{table.at(GridPoint{a[0], a[1], zg}), table.at(GridPoint{b[0], b[1], zg}),
                                                table.at(GridPoint{b[0], b[1], zt}), table.at(GridPoint{a[0], a[1], zt})}}});
      }
    }
    shell.surfaces.push_back(std::move(roof));
    shell.surfaces.push_back(std::move(floor));
  }
  shell.vertices = std::move(table.vertices);
  return shell;
}

}  // namespace roofplanes
