#include "tile_generator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <stdexcept>
#include <utility>
#include "splitmix64.h"

namespace building_generator {
namespace {

constexpr double kPi = 3.14159265358979323846;
// generate_building stands its houses on this height; the tile's ground is flat at it.
constexpr double kGroundLevel = 36.40;
constexpr double kGap = 6.0;           // least horizontal distance between two roofs, metres
constexpr double kWallBand = 0.25;     // facade points lie at most this far outside the eaves
constexpr double kClearance = 0.30;    // no ground this close to a roof edge: the wall is there
constexpr double kTreeArea = 600.0;    // one tree per this many square metres of tile
constexpr double kFlightStrip = 400.0; // width of one flight strip (x), metres
constexpr double kTreeMinHeight = 3.0, kTreeMaxHeight = 15.0;
constexpr double kTreeMaxRadius = 4.0, kTreeClearance = 2.0;  // crowns keep clear of roofs

constexpr std::uint64_t kLayoutStream = 1, kTreeStream = 2, kGroundStream = 3, kWallStream = 4;

const RoofShape kShapes[] = {RoofShape::gable,         RoofShape::hip,
                             RoofShape::pyramid,       RoofShape::cross_gable,
                             RoofShape::flat_with_box, RoofShape::shed_with_annex,
                             RoofShape::sample_house};

// One seeded stream of random numbers, the same on every machine; only exactly rounded
// arithmetic, so no libm function can make two machines disagree.
struct Random {
  std::uint64_t state;

  Random(std::uint64_t seed, std::uint64_t stream) : state(seed ^ (stream * 0xD1B54A32D192ED03ull)) {
    splitmix64(state);
  }
  double uniform() { return static_cast<double>(splitmix64(state) >> 11) * 0x1.0p-53; }
  double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
  std::uint64_t below(std::uint64_t n) {
    const auto k = static_cast<std::uint64_t>(uniform() * static_cast<double>(n));
    return k < n ? k : n - 1;
  }
  // Zero mean, unit variance, bell shaped: the sum of four uniforms, scaled.
  double noise() {
    return (uniform() + uniform() + uniform() + uniform() - 2.0) * 1.7320508075688772;
  }
};

// The roof of one building cut into parallel strips of the building frame: strip k covers
// across in [start + k·width, start + (k+1)·width) and lists, in ascending order, the stretches
// along it that carry roof points. Real gaps (a courtyard of an L) are wider than max_gap.
struct Interval {
  double lo, hi;                // first and last roof point along the strip
  double z_lo, z_hi;            // roof heights at those two points
  double across_lo, across_hi;  // where the stretch's points lie across the strip
};

struct Strips {
  double start = 0.0, width = 1.0;
  std::vector<std::vector<Interval>> intervals;
};

// points: (along, across, z).
Strips make_strips(const std::vector<std::array<double, 3>>& points, double width, double max_gap) {
  Strips strips;
  strips.width = width;
  if (points.empty()) return strips;
  double lo = points[0][1], hi = points[0][1];
  for (const auto& p : points) {
    lo = std::min(lo, p[1]);
    hi = std::max(hi, p[1]);
  }
  strips.start = lo;
  std::vector<std::vector<std::array<double, 3>>> buckets(
      static_cast<std::size_t>(std::floor((hi - lo) / width)) + 1);
  for (const auto& p : points) buckets[static_cast<std::size_t>(std::floor((p[1] - lo) / width))].push_back(p);
  strips.intervals.resize(buckets.size());
  for (std::size_t k = 0; k < buckets.size(); ++k) {
    auto& bucket = buckets[k];
    std::sort(bucket.begin(), bucket.end());
    for (std::size_t i = 0; i < bucket.size(); ++i) {
      const auto& p = bucket[i];
      auto& list = strips.intervals[k];
      if (i == 0 || p[0] - bucket[i - 1][0] > max_gap) {
        list.push_back({p[0], p[0], p[2], p[2], p[1], p[1]});
      } else {
        Interval& last = list.back();
        last.hi = p[0];
        last.z_hi = p[2];
        last.across_lo = std::min(last.across_lo, p[1]);
        last.across_hi = std::max(last.across_hi, p[1]);
      }
    }
  }
  return strips;
}

// Whether a stretch of roof lies within margin of (along, across), both ways: a strip up to
// margin away whose stretch, widened by margin, reaches along. Every roof point closer than
// margin makes this true.
bool covers(const Strips& strips, double along, double across, double margin) {
  const double count = static_cast<double>(strips.intervals.size());
  const double first = std::max(0.0, std::floor((across - margin - strips.start) / strips.width));
  const double last = std::min(count - 1.0, std::floor((across + margin - strips.start) / strips.width));
  for (double k = first; k <= last; k += 1.0)
    for (const Interval& interval : strips.intervals[static_cast<std::size_t>(k)])
      if (along >= interval.lo - margin && along <= interval.hi + margin) return true;
  return false;
}

// A generated house and where it stands: tile-local x = local x + shift_x (metres).
struct Placed {
  TileBuilding info;
  Building scan;  // generated at local origin (0, 0)
  std::int64_t shift_x_mm = 0, shift_y_mm = 0;
  double cos_r = 1.0, sin_r = 0.0;
  Strips rows, columns;  // rows: along u, strips across v; columns the other way round

  double shift_x() const { return static_cast<double>(shift_x_mm) / 1000.0; }
  double shift_y() const { return static_cast<double>(shift_y_mm) / 1000.0; }

  // Whether the tile-local (x, y) lies under the roof, the outline widened by margin.
  bool under_roof(double x, double y, double margin) const {
    const double lx = x - shift_x(), ly = y - shift_y();
    const double u = cos_r * lx + sin_r * ly, v = -sin_r * lx + cos_r * ly;
    return covers(rows, u, v, margin) && covers(columns, v, u, margin);
  }
};

struct Tree {
  double x, y, radius, crown_base, top;  // heights above the ground
};

// Items (buildings or trees, as disks) by square cells, for nearby look-ups.
struct Grid {
  double cell = 10.0;
  std::int64_t n = 1;
  std::vector<std::vector<int>> items;

  Grid(double size, double cell_size)
      : cell(cell_size), n(static_cast<std::int64_t>(std::ceil(size / cell_size)) + 1),
        items(static_cast<std::size_t>(n * n)) {}

  std::int64_t clamp(double t) const {
    return std::clamp(static_cast<std::int64_t>(std::floor(t / cell)), std::int64_t{0}, n - 1);
  }
  void add(double x, double y, double r, int item) {
    for (std::int64_t j = clamp(y - r); j <= clamp(y + r); ++j)
      for (std::int64_t i = clamp(x - r); i <= clamp(x + r); ++i)
        items[static_cast<std::size_t>(j * n + i)].push_back(item);
  }
  const std::vector<int>& at(double x, double y) const {
    return items[static_cast<std::size_t>(clamp(y) * n + clamp(x))];
  }
};

// One record before ordering: millimetres from the tile's corner (z absolute).
struct Sample {
  std::int32_t x, y, z;
  std::int32_t building;
  std::int16_t face;
  std::uint8_t classification;
};

std::int32_t to_mm(double metres) { return static_cast<std::int32_t>(std::llround(metres * 1000.0)); }

void check(const TileOptions& o, double size) {
  if (o.buildings < 0 || o.buildings > 5000)
    throw std::invalid_argument("tile: the number of buildings must lie between 0 and 5000");
  if (!(o.points_per_m2 >= 1.0 && o.points_per_m2 <= 100.0))
    throw std::invalid_argument("tile: the density must lie between 1 and 100 points per m²");
  if (!(size >= 20.0 && size <= 20000.0))
    throw std::invalid_argument("tile: the tile side must lie between 20 m and 20 km");
  if (size * size * o.points_per_m2 > 4e8)
    throw std::invalid_argument("tile: more than 400 million points");
  if (!std::isfinite(o.origin_x) || !std::isfinite(o.origin_y) || std::fabs(o.origin_x) > 1e9 ||
      std::fabs(o.origin_y) > 1e9)
    throw std::invalid_argument("tile: origin out of range");
}

// Generates, measures and places the buildings, at least kGap apart and inside the tile.
std::vector<Placed> place_buildings(const TileOptions& options, double size) {
  Random random(options.seed, kLayoutStream);
  const double density = options.points_per_m2;
  // Wide enough that no strip falls between two scan lines, narrow enough to follow the outline.
  const double strip_width = std::max(0.5, 2.0 / std::sqrt(density));
  const double max_gap = std::max(1.0, 2.5 / std::sqrt(density));
  std::vector<Placed> placed;
  for (int k = 0; k < options.buildings; ++k) {
    Placed house;
    BuildingOptions b;
    b.shape = kShapes[random.below(std::size(kShapes))];
    b.rotation_deg = std::floor(random.uniform(0.0, 360.0) * 10.0) / 10.0;
    b.size_scale = std::floor(random.uniform(0.8, 1.5) * 100.0) / 100.0;
    std::uint64_t seed_state = options.seed + 0x632BE59BD9B4E019ull * static_cast<std::uint64_t>(k + 1);
    b.seed = splitmix64(seed_state);
    b.points_per_m2 = density;
    b.surroundings = false;
    b.origin_x = 0.0;
    b.origin_y = 0.0;
    house.scan = generate_building(b);
    house.info.shape = b.shape;
    house.info.rotation_deg = b.rotation_deg;
    house.info.size_scale = b.size_scale;
    const auto& records = house.scan.records;
    if (records.empty()) throw std::runtime_error("tile: a generated building has no roof points");

    double x0 = records[0][0], x1 = x0, y0 = records[0][1], y1 = y0;
    for (const auto& r : records) {
      x0 = std::min(x0, r[0]), x1 = std::max(x1, r[0]);
      y0 = std::min(y0, r[1]), y1 = std::max(y1, r[1]);
    }
    const double cx = 0.5 * (x0 + x1), cy = 0.5 * (y0 + y1);
    double radius = 0.0;
    for (const auto& r : records)
      radius = std::max(radius, std::sqrt((r[0] - cx) * (r[0] - cx) + (r[1] - cy) * (r[1] - cy)));
    radius += 0.001;  // the centre moves by up to half a millimetre when rounded below
    const double room = size - 2.0 * (radius + 0.5 * kGap);
    bool fits = false;
    for (int attempt = 0; attempt < 20000 && room > 0.0 && !fits; ++attempt) {
      const double x = radius + 0.5 * kGap + room * random.uniform();
      const double y = radius + 0.5 * kGap + room * random.uniform();
      fits = true;
      for (const Placed& other : placed) {
        const double dx = x - other.info.centre_x, dy = y - other.info.centre_y;
        if (std::sqrt(dx * dx + dy * dy) < radius + other.info.radius + kGap) {
          fits = false;
          break;
        }
      }
      if (fits) {
        house.shift_x_mm = std::llround((x - cx) * 1000.0);
        house.shift_y_mm = std::llround((y - cy) * 1000.0);
        house.info.centre_x = cx + house.shift_x();
        house.info.centre_y = cy + house.shift_y();
        house.info.radius = radius;
      }
    }
    if (!fits)
      throw std::runtime_error("tile: cannot place " + std::to_string(options.buildings) +
                               " buildings 6 m apart on a " + std::to_string(std::lround(size)) +
                               " m tile; make the tile larger");

    const double rotation = b.rotation_deg * kPi / 180.0;
    house.cos_r = std::cos(rotation);
    house.sin_r = std::sin(rotation);
    std::vector<std::array<double, 3>> uv, vu;
    for (const auto& r : records) {
      const double u = house.cos_r * r[0] + house.sin_r * r[1];
      const double v = -house.sin_r * r[0] + house.cos_r * r[1];
      uv.push_back({u, v, r[2]});
      vu.push_back({v, u, r[2]});
    }
    house.rows = make_strips(uv, strip_width, max_gap);
    house.columns = make_strips(vu, strip_width, max_gap);
    placed.push_back(std::move(house));
  }
  return placed;
}

std::vector<Tree> place_trees(const TileOptions& options, double size, const Grid& houses,
                              const std::vector<Placed>& placed) {
  Random random(options.seed, kTreeStream);
  std::vector<Tree> trees;
  const auto count = static_cast<std::int64_t>(size * size / kTreeArea);
  for (std::int64_t k = 0; k < count; ++k) {
    Tree tree;
    tree.radius = random.uniform(1.5, kTreeMaxRadius);
    tree.crown_base = random.uniform(kTreeMinHeight, 6.0);
    tree.top = random.uniform(std::max(tree.crown_base + 2.0, 7.0), kTreeMaxHeight);
    for (int attempt = 0; attempt < 50; ++attempt) {
      tree.x = random.uniform(0.0, size);
      tree.y = random.uniform(0.0, size);
      bool clear = true;
      for (int b : houses.at(tree.x, tree.y)) {
        const double dx = tree.x - placed[b].info.centre_x, dy = tree.y - placed[b].info.centre_y;
        if (std::sqrt(dx * dx + dy * dy) < placed[b].info.radius + tree.radius + kTreeClearance)
          clear = false;
      }
      if (clear) {
        trees.push_back(tree);
        break;
      }
    }
  }
  return trees;
}

// Ground everywhere except under roofs and next to walls; where a crown covers the ground,
// three returns in four come from the crown.
void scan_ground(const TileOptions& options, double size, const Grid& houses,
                 const std::vector<Placed>& placed, const std::vector<Tree>& trees,
                 std::vector<Sample>& samples) {
  Grid crowns(size, 8.0);
  for (std::size_t t = 0; t < trees.size(); ++t)
    crowns.add(trees[t].x, trees[t].y, trees[t].radius, static_cast<int>(t));
  Random random(options.seed, kGroundStream);
  const double spacing = 1.0 / std::sqrt(options.points_per_m2);
  const auto n = static_cast<std::int64_t>(std::ceil(size / spacing));
  for (std::int64_t j = 0; j < n; ++j) {
    for (std::int64_t i = 0; i < n; ++i) {
      const double x = (static_cast<double>(i) + random.uniform()) * spacing;
      const double y = (static_cast<double>(j) + random.uniform()) * spacing;
      if (x >= size || y >= size) continue;
      bool covered = false;
      for (int b : houses.at(x, y)) covered = covered || placed[b].under_roof(x, y, kClearance);
      if (covered) continue;
      Sample s{to_mm(x), to_mm(y), 0, -1, -1, 2};
      double z = kGroundLevel + 0.03 * random.noise();
      for (int t : crowns.at(x, y)) {
        const Tree& tree = trees[t];
        const double dx = x - tree.x, dy = y - tree.y;
        const double r2 = (dx * dx + dy * dy) / (tree.radius * tree.radius);
        if (r2 >= 1.0) continue;
        if (random.uniform() < 0.75) {
          const double height = tree.crown_base + (tree.top - tree.crown_base) * std::sqrt(1.0 - r2) +
                                0.25 * random.noise();
          z = kGroundLevel + std::clamp(height, kTreeMinHeight, kTreeMaxHeight);
          s.classification = 5;
        }
        break;
      }
      s.z = to_mm(z);
      samples.push_back(s);
    }
  }
}

// Facade points in a kWallBand strip outside both ends of every stretch of roof, from the
// ground up to the roof edge above them (gable walls reach up to the roof line).
void scan_walls(const TileOptions& options, int index, const Placed& house,
                std::vector<Sample>& samples) {
  Random random(options.seed ^ static_cast<std::uint64_t>(index), kWallStream);
  const double expected = options.points_per_m2 * kWallBand * house.rows.width;
  auto emit = [&](double u, double v, double roof_z) {
    const double x = house.cos_r * u - house.sin_r * v + house.shift_x();
    const double y = house.sin_r * u + house.cos_r * v + house.shift_y();
    const double height = random.uniform(0.3, std::max(roof_z - kGroundLevel, 0.3));
    if (house.under_roof(x, y, 0.0)) return;  // a step of the outline: that is roof
    samples.push_back({to_mm(x), to_mm(y), to_mm(kGroundLevel + height), index, -1,
                       options.wall_class});
  };
  for (int pass = 0; pass < 2; ++pass) {
    const Strips& strips = pass == 0 ? house.rows : house.columns;
    for (const auto& list : strips.intervals) {
      for (const Interval& interval : list) {
        for (int end = 0; end < 2; ++end) {
          const auto count = static_cast<int>(std::floor(expected + random.uniform()));
          for (int c = 0; c < count; ++c) {
            const double out = random.uniform(0.0, kWallBand);
            const double along = end == 0 ? interval.lo - out : interval.hi + out;
            const double across = random.uniform(interval.across_lo, interval.across_hi);
            const double roof_z = end == 0 ? interval.z_lo : interval.z_hi;
            if (pass == 0) emit(along, across, roof_z);
            else emit(across, along, roof_z);
          }
        }
      }
    }
  }
}

// Order of acquisition: north-south flight strips kFlightStrip wide, alternately flown north
// and south, each swept line by line across, the mirror changing direction every line. Real
// files interleave the points of a building with everything else in just this way.
std::vector<std::size_t> acquisition_order(const std::vector<Sample>& samples, double density) {
  const double line = 1.0 / std::sqrt(density);
  std::vector<std::pair<std::uint64_t, std::size_t>> keys(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double x = samples[i].x / 1000.0, y = samples[i].y / 1000.0;
    const auto strip = static_cast<std::uint64_t>(std::max(0.0, std::floor(x / kFlightStrip)));
    auto row = static_cast<std::uint64_t>(std::max(0.0, std::floor(y / line)));
    if (strip % 2 == 1) row = 0xFFFFFFFFull - row;  // flown southwards
    auto across = static_cast<std::uint64_t>(
        std::clamp(std::floor((x - static_cast<double>(strip) * kFlightStrip) * 100.0), 0.0, 16777215.0));
    if (row % 2 == 1) across = 16777215 - across;
    keys[i] = {strip << 56 | row << 24 | across, i};
  }
  std::sort(keys.begin(), keys.end());
  std::vector<std::size_t> order(samples.size());
  for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].second;
  return order;
}

}  // namespace

double default_tile_size(int buildings) {
  // Larger towns are built denser: 20 houses on 300 m, 400 on 1 km (about 10 million points
  // at 10 points per m²). Whole metres, so that no last bit of pow can differ between machines.
  return std::max(50.0, std::round(300.0 * std::pow(std::max(buildings, 1) / 20.0, 0.4)));
}

Tile generate_tile(const TileOptions& options) {
  const double size = options.size > 0.0 ? options.size : default_tile_size(options.buildings);
  check(options, size);
  const std::int64_t origin_x_mm = std::llround(options.origin_x * 1000.0);
  const std::int64_t origin_y_mm = std::llround(options.origin_y * 1000.0);

  std::vector<Placed> placed = place_buildings(options, size);
  // Each house in every cell a tree trunk too close to it, or its wall band, could lie in.
  Grid houses(size, 25.0);
  for (std::size_t b = 0; b < placed.size(); ++b)
    houses.add(placed[b].info.centre_x, placed[b].info.centre_y,
               placed[b].info.radius + kTreeMaxRadius + kTreeClearance, static_cast<int>(b));
  const std::vector<Tree> trees = place_trees(options, size, houses, placed);

  std::vector<Sample> samples;
  samples.reserve(static_cast<std::size_t>(size * size * options.points_per_m2 * 1.05));
  scan_ground(options, size, houses, placed, trees, samples);
  for (std::size_t b = 0; b < placed.size(); ++b) {
    const int index = static_cast<int>(b);
    scan_walls(options, index, placed[b], samples);
    const Building& scan = placed[b].scan;
    for (std::size_t i = 0; i < scan.records_mm.size(); ++i) {
      const auto& r = scan.records_mm[i];
      const int face = scan.plane_of_position[static_cast<std::size_t>(scan.position_of_record[i])];
      samples.push_back({static_cast<std::int32_t>(r[0] + placed[b].shift_x_mm),
                         static_cast<std::int32_t>(r[1] + placed[b].shift_y_mm),
                         static_cast<std::int32_t>(r[2]), index, static_cast<std::int16_t>(face),
                         6});
    }
  }

  Tile tile;
  tile.min_x = static_cast<double>(origin_x_mm) / 1000.0;
  tile.min_y = static_cast<double>(origin_y_mm) / 1000.0;
  tile.max_x = static_cast<double>(origin_x_mm + std::llround(size * 1000.0)) / 1000.0;
  tile.max_y = static_cast<double>(origin_y_mm + std::llround(size * 1000.0)) / 1000.0;
  const double tile_x = tile.min_x, tile_y = tile.min_y;
  for (Placed& house : placed) {
    // Planes in the building's local frame, moved to where it stands on the tile.
    const double dx = tile_x + house.shift_x(), dy = tile_y + house.shift_y();
    house.info.planes = house.scan.planes;
    for (TruePlane& plane : house.info.planes) plane.c -= plane.a * dx + plane.b * dy;
    house.info.centre_x += tile_x;
    house.info.centre_y += tile_y;
    tile.buildings.push_back(std::move(house.info));
  }

  const std::vector<std::size_t> order = acquisition_order(samples, options.points_per_m2);
  tile.records.reserve(samples.size());
  tile.building_of_record.reserve(samples.size());
  tile.face_of_record.reserve(samples.size());
  for (std::size_t i : order) {
    const Sample& s = samples[i];
    LasRecord record;
    record.x = static_cast<double>(origin_x_mm + s.x) / 1000.0;
    record.y = static_cast<double>(origin_y_mm + s.y) / 1000.0;
    record.z = static_cast<double>(s.z) / 1000.0;
    record.classification = s.classification;
    tile.records.push_back(record);
    tile.building_of_record.push_back(s.building);
    tile.face_of_record.push_back(s.face);
  }
  return tile;
}

void write_tile_truth(const Tile& tile, std::ostream& out) {
  char line[256];
  auto put = [&](const char* format, auto... values) {
    const int n = std::snprintf(line, sizeof line, format, values...);
    out.write(line, n);
  };
  put("tile %.3f %.3f %.3f %.3f\nbuildings %zu\n", tile.min_x, tile.min_y, tile.max_x, tile.max_y,
      tile.buildings.size());
  for (std::size_t b = 0; b < tile.buildings.size(); ++b) {
    const TileBuilding& building = tile.buildings[b];
    put("building %zu %s %.3f %.3f %.1f %.2f faces %zu\n", b, shape_name(building.shape).c_str(),
        building.centre_x, building.centre_y, building.rotation_deg, building.size_scale,
        building.planes.size());
    for (const TruePlane& plane : building.planes)  // + 0.0: no "-0" in the text
      put("%.17g %.17g %.17g\n", plane.a + 0.0, plane.b + 0.0, plane.c + 0.0);
  }
  put("records %zu\n", tile.records.size());
  std::string buffer;
  buffer.reserve(1 << 20);
  for (std::size_t i = 0; i < tile.records.size(); ++i) {
    char* end = std::to_chars(line, line + 32, tile.building_of_record[i]).ptr;
    *end++ = ' ';
    end = std::to_chars(end, line + 64, tile.face_of_record[i]).ptr;
    *end++ = '\n';
    buffer.append(line, end);
    if (buffer.size() > (1 << 20) - 64) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      buffer.clear();
    }
  }
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

bool write_tile_truth(const Tile& tile, const std::string& file_name) {
  std::ofstream out(file_name, std::ios::binary);
  if (!out) return false;
  write_tile_truth(tile, out);
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace building_generator
