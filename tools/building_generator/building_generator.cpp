#include "building_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <ostream>
#include "splitmix64.h"

namespace building_generator {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Height of the ground under the house above sea level, metres.
constexpr double kGroundLevel = 36.40;
// Facade points lie in this strip just outside the eaves line (metres, not scaled).
constexpr double kWallBand = 0.25;
// Heading of the flight lines against the x axis.
constexpr double kFlightHeadingDeg = 7.0;

// Independent random streams, so that e.g. adding repeated records leaves the scan unchanged.
constexpr std::uint64_t kLayoutStream = 1;
constexpr std::uint64_t kScanStream = 2;
constexpr std::uint64_t kRepeatStream = 3;
constexpr std::uint64_t kSecondStripStream = 4;
constexpr std::uint64_t kTextureStream = 5;
constexpr std::uint64_t kGapStream = 6;
constexpr std::uint64_t kOverhangStream = 7;

// xoshiro256**: same sequence on every platform, unlike the std::random distributions.
class Random {
 public:
  Random(std::uint64_t seed, std::uint64_t stream) {
    std::uint64_t state = seed ^ (stream * 0xD1B54A32D192ED03ull);
    for (std::uint64_t& word : s_) word = splitmix64(state);
  }

  std::uint64_t next() {
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
  }

  // Uniform in [0, 1), 53 random bits.
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

  // Uniform integer in [0, n), n > 0.
  std::uint64_t below(std::uint64_t n) {
    const std::uint64_t k = static_cast<std::uint64_t>(uniform() * static_cast<double>(n));
    return k < n ? k : n - 1;
  }

  // Standard normal by Box-Muller (cosine branch only).
  double gaussian() {
    const double u1 = 1.0 - uniform();  // (0, 1]: the logarithm stays finite
    const double u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
  }

 private:
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t s_[4];
};

// Axis-aligned rectangle in the building's own frame (u along the main ridge, v across).
struct Rect {
  double u0, v0, u1, v1;

  bool contains(double u, double v) const { return u >= u0 && u <= u1 && v >= v0 && v <= v1; }
  double clamp_u(double u) const { return std::min(std::max(u, u0), u1); }
  double clamp_v(double v) const { return std::min(std::max(v, v0), v1); }
  double distance(double u, double v) const { return std::hypot(u - clamp_u(u), v - clamp_v(v)); }
};

// Roof face in the building frame: height above the ground level z = a·u + b·v + c.
struct LocalPlane {
  double a, b, c;
};

// A roof body: over its rectangle its roof is the lowest of its planes (ridges and hips are
// convex creases). Where bodies overlap the highest body wins, which makes the valleys of cross
// gables and lets a dormer or a box rise out of the roof below it.
struct Body {
  Rect rect;
  std::vector<int> planes;
};

struct RoofModel {
  std::vector<LocalPlane> planes;
  std::vector<Body> bodies;

  int add_plane(double a, double b, double c) {
    planes.push_back({a, b, c});
    return static_cast<int>(planes.size()) - 1;
  }
  // Faces with the eaves (height e) on one rectangle side, rising with slope t away from it.
  int rising_u(double u0, double e, double t) { return add_plane(t, 0.0, e - t * u0); }
  int falling_u(double u1, double e, double t) { return add_plane(-t, 0.0, e + t * u1); }
  int rising_v(double v0, double e, double t) { return add_plane(0.0, t, e - t * v0); }
  int falling_v(double v1, double e, double t) { return add_plane(0.0, -t, e + t * v1); }
  int flat(double z) { return add_plane(0.0, 0.0, z); }
};

double slope_deg(double degrees) { return std::tan(degrees * kPi / 180.0); }

// A gabled dormer on a roof face whose height changes only with v (main.a == 0): u0..u1 wide,
// its front wall at v = front with its eaves rise above the face there, its ridge running back
// (towards +v when the face rises with v, else towards -v) at pitch slope until it meets the face.
void add_gabled_dormer(RoofModel& m, const LocalPlane& main, double u0, double u1, double front,
                       double rise, double slope) {
  const double eaves = main.b * front + main.c + rise;
  const double ridge = eaves + slope * 0.5 * (u1 - u0);
  const double meet = (ridge - main.c) / main.b;  // where the face reaches the dormer's ridge
  const Rect rect = main.b > 0.0 ? Rect{u0, front, u1, meet} : Rect{u0, meet, u1, front};
  m.bodies.push_back({rect, {m.rising_u(u0, eaves, slope), m.falling_u(u1, eaves, slope)}});
}

// A shed dormer on such a face: its front stands rise above the face at v = front and its one
// face climbs back at pitch slope until the (steeper) face rises above it, at the latest at back.
void add_shed_dormer(RoofModel& m, const LocalPlane& main, double u0, double u1, double front,
                     double back, double rise, double slope) {
  const double front_height = main.b * front + main.c + rise;
  const int face = main.b > 0.0 ? m.rising_v(front, front_height, slope)
                                 : m.falling_v(front, front_height, slope);
  const Rect rect = main.b > 0.0 ? Rect{u0, front, u1, back} : Rect{u0, back, u1, front};
  m.bodies.push_back({rect, {face}});
}

// The roof bodies of each shape; s scales every horizontal length. Eaves heights are fixed and
// pitches are kept, so everything above the eaves grows with s.
RoofModel roof_model(RoofShape shape, double s) {
  RoofModel m;
  switch (shape) {
    case RoofShape::gable: {
      const double t = slope_deg(35.0), e = 5.5, l = 12.0 * s, w = 8.0 * s;
      m.bodies.push_back({{0.0, 0.0, l, w}, {m.rising_v(0.0, e, t), m.falling_v(w, e, t)}});
      break;
    }
    case RoofShape::hip: {
      const double t = slope_deg(35.0), e = 5.5, l = 12.0 * s, w = 8.0 * s;
      m.bodies.push_back({{0.0, 0.0, l, w},
                          {m.rising_v(0.0, e, t), m.falling_v(w, e, t), m.rising_u(0.0, e, t),
                           m.falling_u(l, e, t)}});
      break;
    }
    case RoofShape::pyramid: {
      const double t = slope_deg(35.0), e = 5.5, l = 9.0 * s;
      m.bodies.push_back({{0.0, 0.0, l, l},
                          {m.rising_v(0.0, e, t), m.falling_v(l, e, t), m.rising_u(0.0, e, t),
                           m.falling_u(l, e, t)}});
      break;
    }
    case RoofShape::cross_gable: {
      // Main house 12 x 8 m; a 6 m wide wing flush with its west gable reaches 6 m south, its
      // lower ridge running into the main roof.
      const double t = slope_deg(38.0), e = 5.5;
      m.bodies.push_back({{0.0, 0.0, 12.0 * s, 8.0 * s},
                          {m.rising_v(0.0, e, t), m.falling_v(8.0 * s, e, t)}});
      m.bodies.push_back({{0.0, -6.0 * s, 6.0 * s, 4.0 * s},
                          {m.rising_u(0.0, e, t), m.falling_u(6.0 * s, e, t)}});
      break;
    }
    case RoofShape::flat_with_box: {
      // 14 x 10 m flat roof at 7 m with a 4 x 3 m stair house 2.2 m above it.
      const double z = 7.0;
      m.bodies.push_back({{0.0, 0.0, 14.0 * s, 10.0 * s}, {m.flat(z)}});
      m.bodies.push_back({{5.0 * s, 4.0 * s, 9.0 * s, 7.0 * s}, {m.flat(z + 2.2 * s)}});
      break;
    }
    case RoofShape::shed_with_annex: {
      // 10 x 8 m shed roof at 15 degrees with a 5 x 6 m flat annex (3.2 m) on its east side.
      m.bodies.push_back({{0.0, 0.0, 10.0 * s, 8.0 * s}, {m.rising_v(0.0, 5.0, slope_deg(15.0))}});
      m.bodies.push_back({{10.0 * s, 0.0, 15.0 * s, 6.0 * s}, {m.flat(3.2)}});
      break;
    }
    case RoofShape::sample_house: {
      // Main house 14 x 9 m, 40 degrees, gable end in the west and hipped end in the east; a
      // 6 m wide cross wing reaching 5 m south; a 3.2 m wide shed dormer (15 degrees) on the
      // north face whose front stands 1.8 m above the main roof.
      const double t = slope_deg(40.0), e = 5.8, l = 14.0 * s, w = 9.0 * s;
      m.bodies.push_back({{0.0, 0.0, l, w},
                          {m.rising_v(0.0, e, t), m.falling_v(w, e, t), m.falling_u(l, e, t)}});
      m.bodies.push_back({{2.0 * s, -5.0 * s, 8.0 * s, 4.5 * s},
                          {m.rising_u(2.0 * s, e, t), m.falling_u(8.0 * s, e, t)}});
      const double dormer_front = 8.1 * s;
      const double front_height = e + t * (w - dormer_front) + 1.8 * s;
      const double dormer_slope = slope_deg(15.0);
      m.bodies.push_back({{3.0 * s, 4.5 * s, 6.2 * s, dormer_front},
                          {m.add_plane(0.0, -dormer_slope, front_height + dormer_slope * dormer_front)}});
      break;
    }
    case RoofShape::t_gable: {
      // Main house 14 x 8 m; a 6 m wide wing from the middle of the south side reaches 6 m out,
      // its lower ridge running into the main roof.
      const double t = slope_deg(38.0), e = 5.5;
      m.bodies.push_back({{0.0, 0.0, 14.0 * s, 8.0 * s},
                          {m.rising_v(0.0, e, t), m.falling_v(8.0 * s, e, t)}});
      m.bodies.push_back({{4.0 * s, -6.0 * s, 10.0 * s, 4.0 * s},
                          {m.rising_u(4.0 * s, e, t), m.falling_u(10.0 * s, e, t)}});
      break;
    }
    case RoofShape::plus_gable: {
      // The T with a second wing reaching 5 m north. The wings' faces lie in the same planes but
      // are separate faces, each with its own entry in planes.
      const double t = slope_deg(38.0), e = 5.5;
      m.bodies.push_back({{0.0, 0.0, 14.0 * s, 8.0 * s},
                          {m.rising_v(0.0, e, t), m.falling_v(8.0 * s, e, t)}});
      m.bodies.push_back({{4.0 * s, -6.0 * s, 10.0 * s, 4.0 * s},
                          {m.rising_u(4.0 * s, e, t), m.falling_u(10.0 * s, e, t)}});
      m.bodies.push_back({{4.0 * s, 4.0 * s, 10.0 * s, 13.0 * s},
                          {m.rising_u(4.0 * s, e, t), m.falling_u(10.0 * s, e, t)}});
      break;
    }
    case RoofShape::gable_dormers: {
      // Gable 16 x 11 m at 40 degrees; two 3.6 m wide gabled dormers on the south face, fronts
      // 1.2 m in from the eaves and 1.5 m above the roof; a 6 m wide shed dormer (12 degrees) on
      // the north face, front 1.3 m in and 1.6 m above the roof.
      const double t = slope_deg(40.0), e = 5.8, l = 16.0 * s, w = 11.0 * s;
      const int south = m.rising_v(0.0, e, t), north = m.falling_v(w, e, t);
      m.bodies.push_back({{0.0, 0.0, l, w}, {south, north}});
      const LocalPlane south_face = m.planes[south], north_face = m.planes[north];
      add_gabled_dormer(m, south_face, 2.5 * s, 6.1 * s, 1.2 * s, 1.5 * s, t);
      add_gabled_dormer(m, south_face, 9.9 * s, 13.5 * s, 1.2 * s, 1.5 * s, t);
      add_shed_dormer(m, north_face, 5.0 * s, 11.0 * s, w - 1.3 * s, 0.5 * w, 1.6 * s,
                      slope_deg(12.0));
      break;
    }
    case RoofShape::hip_dormers: {
      // Hip 16 x 11 m at 40 degrees; a 6 m wide shed dormer on the south face and a 3.6 m wide
      // gabled dormer on the north face, both well clear of the hips.
      const double t = slope_deg(40.0), e = 5.8, l = 16.0 * s, w = 11.0 * s;
      const int south = m.rising_v(0.0, e, t), north = m.falling_v(w, e, t);
      m.bodies.push_back({{0.0, 0.0, l, w},
                          {south, north, m.rising_u(0.0, e, t), m.falling_u(l, e, t)}});
      const LocalPlane south_face = m.planes[south], north_face = m.planes[north];
      add_shed_dormer(m, south_face, 5.0 * s, 11.0 * s, 1.3 * s, 0.5 * w, 1.6 * s, slope_deg(12.0));
      add_gabled_dormer(m, north_face, 6.2 * s, 9.8 * s, w - 1.2 * s, 1.5 * s, t);
      break;
    }
    case RoofShape::mansard: {
      // 15 x 11 m: faces at 60 degrees on all four sides reaching 1.5 m in, under a hipped top
      // at 20 degrees.
      const double steep = slope_deg(60.0), shallow = slope_deg(20.0), e = 5.0;
      const double l = 15.0 * s, w = 11.0 * s, b = 1.5 * s, brk = e + steep * b;
      m.bodies.push_back({{0.0, 0.0, l, w},
                          {m.rising_v(0.0, e, steep), m.falling_v(w, e, steep),
                           m.rising_u(0.0, e, steep), m.falling_u(l, e, steep),
                           m.rising_v(b, brk, shallow), m.falling_v(w - b, brk, shallow),
                           m.rising_u(b, brk, shallow), m.falling_u(l - b, brk, shallow)}});
      break;
    }
    case RoofShape::lean_to: {
      // Gable 12 x 8 m at 40 degrees; a lean-to 8 m long and 3 m deep at 15 degrees against the
      // south wall, its top below the eaves; a small lean-to (1.8 x 2 m, 20 degrees) against
      // the east gable wall.
      const double t = slope_deg(40.0), e = 5.5, l = 12.0 * s, w = 8.0 * s;
      m.bodies.push_back({{0.0, 0.0, l, w}, {m.rising_v(0.0, e, t), m.falling_v(w, e, t)}});
      m.bodies.push_back({{2.0 * s, -3.0 * s, 10.0 * s, 0.0}, {m.rising_v(-3.0 * s, 3.0, slope_deg(15.0))}});
      m.bodies.push_back({{l, 3.0 * s, l + 1.8 * s, 5.0 * s}, {m.falling_u(l + 1.8 * s, 2.6, slope_deg(20.0))}});
      break;
    }
    case RoofShape::shed_dormers: {
      // Gable 14 x 10 m at 45 degrees; on each face a shed dormer 2.4 m wide at 10 degrees, its
      // front 1.5 m in from the eaves and 1.2 m above the roof: a face of about 3.5 m².
      const double t = slope_deg(45.0), e = 5.5, l = 14.0 * s, w = 10.0 * s;
      const int south = m.rising_v(0.0, e, t), north = m.falling_v(w, e, t);
      m.bodies.push_back({{0.0, 0.0, l, w}, {south, north}});
      const LocalPlane south_face = m.planes[south], north_face = m.planes[north];
      add_shed_dormer(m, south_face, 3.0 * s, 5.4 * s, 1.5 * s, 0.5 * w, 1.2 * s, slope_deg(10.0));
      add_shed_dormer(m, north_face, 8.0 * s, 10.4 * s, w - 1.5 * s, 0.5 * w, 1.2 * s, slope_deg(10.0));
      break;
    }
    case RoofShape::chimneys: {
      // Hip 14 x 10 m at 35 degrees with two chimneys of 0.8 x 0.8 m: one on the ridge, its top
      // 0.9 m above it, one on the south face, 1 m above the roof at its upper side. A chimney's
      // top is a face of its own, too small (0.64 m²) to be scored as one.
      const double t = slope_deg(35.0), e = 5.5, l = 14.0 * s, w = 10.0 * s;
      const int south = m.rising_v(0.0, e, t);
      m.bodies.push_back({{0.0, 0.0, l, w}, {south, m.falling_v(w, e, t), m.rising_u(0.0, e, t), m.falling_u(l, e, t)}});
      const double ridge = e + t * 0.5 * w;
      m.bodies.push_back({{5.0 * s, 0.5 * w - 0.4, 5.0 * s + 0.8, 0.5 * w + 0.4}, {m.flat(ridge + 0.9)}});
      const double upper = 3.0 * s + 0.8;
      m.bodies.push_back({{9.0 * s, 3.0 * s, 9.0 * s + 0.8, upper}, {m.flat(e + t * upper + 1.0)}});
      break;
    }
    case RoofShape::stepped: {
      // Two gables 8 x 9 m at 40 degrees in a row along the ridge, the east one's eaves and ridge
      // 0.8 m higher: each face has a parallel neighbour across the step.
      const double t = slope_deg(40.0), e = 5.5, w = 9.0 * s;
      m.bodies.push_back({{0.0, 0.0, 8.0 * s, w}, {m.rising_v(0.0, e, t), m.falling_v(w, e, t)}});
      m.bodies.push_back({{8.0 * s, 0.0, 16.0 * s, w}, {m.rising_v(0.0, e + 0.8, t), m.falling_v(w, e + 0.8, t)}});
      break;
    }
    case RoofShape::two_storeys: {
      // A 10 x 9 m block with eaves at 8.6 m and a 35 degree gable; against its east wall a
      // 8 x 7 m single-storey block, eaves at 3.6 m, 30 degrees, hipped at its east end. The low
      // roof stays below the tall block's eaves.
      const double t = slope_deg(35.0), t_low = slope_deg(30.0), e = 8.6, e_low = 3.6;
      m.bodies.push_back({{0.0, 0.0, 10.0 * s, 9.0 * s},
                          {m.rising_v(0.0, e, t), m.falling_v(9.0 * s, e, t)}});
      m.bodies.push_back({{10.0 * s, 1.0 * s, 18.0 * s, 8.0 * s},
                          {m.rising_v(1.0 * s, e_low, t_low), m.falling_v(8.0 * s, e_low, t_low),
                           m.falling_u(18.0 * s, e_low, t_low)}});
      break;
    }
  }
  return m;
}

// True roof height above the ground level at (u, v) and the face that carries it; false when
// (u, v) lies outside every roof body. Ties go to the earlier body and the earlier plane.
bool roof_height(const RoofModel& m, double u, double v, double& height, int& face) {
  bool inside = false;
  for (const Body& body : m.bodies) {
    if (!body.rect.contains(u, v)) continue;
    double body_height = 0.0;
    int body_face = -1;
    for (int p : body.planes) {
      const LocalPlane& plane = m.planes[p];
      const double z = plane.a * u + plane.b * v + plane.c;
      if (body_face < 0 || z < body_height) {
        body_height = z;
        body_face = p;
      }
    }
    if (!inside || body_height > height) {
      height = body_height;
      face = body_face;
      inside = true;
    }
  }
  return inside;
}

// Distance from (u, v) to the roof outline and the outline point nearest to it; 0 inside.
double outline_distance(const RoofModel& m, double u, double v, double& near_u, double& near_v) {
  double best = -1.0;
  for (const Body& body : m.bodies) {
    const double d = body.rect.distance(u, v);
    if (best < 0.0 || d < best) {
      best = d;
      near_u = body.rect.clamp_u(u);
      near_v = body.rect.clamp_v(v);
    }
  }
  return best;
}

Rect outline_box(const RoofModel& m) {
  Rect box = m.bodies.front().rect;
  for (const Body& body : m.bodies) {
    box.u0 = std::min(box.u0, body.rect.u0);
    box.v0 = std::min(box.v0, body.rect.v0);
    box.u1 = std::max(box.u1, body.rect.u1);
    box.v1 = std::max(box.v1, body.rect.v1);
  }
  return box;
}

struct Tree {
  double u, v, radius, crown_base, top;  // crown heights above ground
};

// A few trees in the scanned strip, clear of the house.
std::vector<Tree> place_trees(const RoofModel& m, const Rect& patch, double s, std::uint64_t seed) {
  Random random(seed, kLayoutStream);
  std::vector<Tree> trees;
  for (int k = 0; k < 3; ++k) {
    const double radius = (2.0 + 1.5 * random.uniform()) * s;
    const double crown_base = 2.0 + 1.0 * random.uniform();
    const double top = 9.0 + 4.0 * random.uniform();
    for (int attempt = 0; attempt < 200; ++attempt) {
      const double u = random.uniform(patch.u0, patch.u1);
      const double v = random.uniform(patch.v0, patch.v1);
      double near_u, near_v;
      if (outline_distance(m, u, v, near_u, near_v) >= radius + 1.0 * s) {
        trees.push_back({u, v, radius, crown_base, top});
        break;
      }
    }
  }
  return trees;
}

// Trees beside the eaves whose crowns reach over the roof: centred outside the outline, between
// a third and two thirds of their radius from it.
std::vector<Tree> place_overhanging_trees(const RoofModel& m, int count, std::uint64_t seed) {
  Random random(seed, kOverhangStream);
  std::vector<Tree> trees;
  const Rect box = outline_box(m);
  for (int k = 0; k < count; ++k) {
    const double radius = 2.5 + 1.5 * random.uniform();
    const double crown_base = 2.5 + 1.0 * random.uniform();
    const double top = 9.0 + 3.0 * random.uniform();
    for (int attempt = 0; attempt < 200; ++attempt) {
      const double u = random.uniform(box.u0 - radius, box.u1 + radius);
      const double v = random.uniform(box.v0 - radius, box.v1 + radius);
      double near_u, near_v;
      const double d = outline_distance(m, u, v, near_u, near_v);
      if (d >= radius / 3.0 && d <= 2.0 * radius / 3.0) {
        trees.push_back({u, v, radius, crown_base, top});
        break;
      }
    }
  }
  return trees;
}

// A round hole in the roof's coverage.
struct Gap {
  double u, v, radius;
};

std::vector<Gap> place_gaps(const RoofModel& m, int count, std::uint64_t seed) {
  Random random(seed, kGapStream);
  std::vector<Gap> gaps;
  const Rect box = outline_box(m);
  for (int k = 0; k < count; ++k) {
    const double radius = random.uniform(0.2, 0.45);
    for (int attempt = 0; attempt < 200; ++attempt) {
      const double u = random.uniform(box.u0, box.u1), v = random.uniform(box.v0, box.v1);
      double height = 0.0;
      int face = -1;
      if (roof_height(m, u, v, height, face)) {
        gaps.push_back({u, v, radius});
        break;
      }
    }
  }
  return gaps;
}

// One wave of a face's texture: amplitude · sin(ku · u + kv · v + phase).
struct Wave {
  double ku, kv, phase, amplitude;
};

// Four waves per face, wavelengths 1 to 6 m in random directions; their sum has the standard
// deviation sd (four waves of amplitude A have a variance of 4 · A² / 2).
std::vector<std::array<Wave, 4>> roof_texture(std::size_t faces, double sd, std::uint64_t seed) {
  std::vector<std::array<Wave, 4>> texture;
  if (!(sd > 0.0)) return texture;
  Random random(seed, kTextureStream);
  for (std::size_t f = 0; f < faces; ++f) {
    std::array<Wave, 4> waves{};
    for (Wave& wave : waves) {
      const double k = 2.0 * kPi / random.uniform(1.0, 6.0);
      const double direction = random.uniform(0.0, 2.0 * kPi);
      wave = {k * std::cos(direction), k * std::sin(direction), random.uniform(0.0, 2.0 * kPi),
              sd / std::sqrt(2.0)};
    }
    texture.push_back(waves);
  }
  return texture;
}

// What the laser meets besides the roof bodies.
struct Surroundings {
  std::vector<Tree> trees;              // clear of the house
  std::vector<Tree> overhanging_trees;  // crowns over the roof
  std::vector<Gap> gaps;                // holes in the roof's coverage
  std::vector<std::array<Wave, 4>> texture;  // per face; empty: smooth faces
};

double ground_height(double x, double y) { return kGroundLevel + 0.004 * x - 0.003 * y; }

// Open-addressing table from millimetre (x, y) to the first record holding it.
class PositionTable {
 public:
  PositionTable(const std::vector<std::array<std::int64_t, 3>>& records) : records_(records) {
    std::size_t capacity = 16;
    while (capacity < 2 * records.size()) capacity *= 2;
    slots_.assign(capacity, -1);
    mask_ = capacity - 1;
  }

  // The first record at the (x, y) of record i, which is i itself when the (x, y) is new.
  std::int32_t first_record(std::int32_t i) {
    const auto& r = records_[static_cast<std::size_t>(i)];
    std::uint64_t h = static_cast<std::uint64_t>(r[0]) * 0x9E3779B97F4A7C15ull ^
                      static_cast<std::uint64_t>(r[1]);
    std::size_t slot = static_cast<std::size_t>(splitmix64(h)) & mask_;
    while (slots_[slot] >= 0) {
      const auto& other = records_[static_cast<std::size_t>(slots_[slot])];
      if (other[0] == r[0] && other[1] == r[1]) return slots_[slot];
      slot = (slot + 1) & mask_;
    }
    slots_[slot] = i;
    return i;
  }

 private:
  const std::vector<std::array<std::int64_t, 3>>& records_;
  std::vector<std::int32_t> slots_;  // record numbers; positions are int as well
  std::size_t mask_;
};

// Writes the text of millimetres with three decimals into out; returns the end.
char* put_millimetres(char* out, std::int64_t millimetres) {
  std::uint64_t magnitude = static_cast<std::uint64_t>(millimetres);
  if (millimetres < 0) {
    *out++ = '-';
    magnitude = 0 - magnitude;
  }
  char digits[24];
  int n = 0;
  std::uint64_t whole = magnitude / 1000;
  do {
    digits[n++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  while (n > 0) *out++ = digits[--n];
  const std::uint64_t fraction = magnitude % 1000;
  *out++ = '.';
  *out++ = static_cast<char>('0' + fraction / 100);
  *out++ = static_cast<char>('0' + fraction / 10 % 10);
  *out++ = static_cast<char>('0' + fraction % 10);
  return out;
}

double union_area(const std::vector<Body>& bodies) {
  std::vector<double> us, vs;
  for (const Body& body : bodies) {
    us.push_back(body.rect.u0);
    us.push_back(body.rect.u1);
    vs.push_back(body.rect.v0);
    vs.push_back(body.rect.v1);
  }
  std::sort(us.begin(), us.end());
  std::sort(vs.begin(), vs.end());
  double area = 0.0;
  for (std::size_t i = 0; i + 1 < us.size(); ++i) {
    for (std::size_t j = 0; j + 1 < vs.size(); ++j) {
      const double u = 0.5 * (us[i] + us[i + 1]), v = 0.5 * (vs[j] + vs[j + 1]);
      for (const Body& body : bodies) {
        if (body.rect.contains(u, v)) {
          area += (us[i + 1] - us[i]) * (vs[j + 1] - vs[j]);
          break;
        }
      }
    }
  }
  return area;
}

template <typename Write>
bool write_to_file(const std::string& file_name, Write write) {
  std::ofstream out(file_name, std::ios::binary);
  if (!out) return false;
  write(out);
  out.flush();
  return static_cast<bool>(out);
}

// The building frame turned by the building's rotation against the coordinate axes.
struct Frame {
  double cos_r, sin_r;

  double u(double x, double y) const { return cos_r * x + sin_r * y; }
  double v(double x, double y) const { return -sin_r * x + cos_r * y; }
  double x(double u, double v) const { return cos_r * u - sin_r * v; }
  double y(double u, double v) const { return sin_r * u + cos_r * v; }
};

// The outline of the union of the bodies' rectangles in the building frame: the cells between
// the rectangles' grid lines are inside or outside, the edges between an inside and an outside
// cell are chained into rings with the inside on their left (outer rings counterclockwise,
// holes clockwise), and corners between collinear edges are dropped. Where two rings touch at a
// corner the walk turns left, keeping them apart.
std::vector<std::vector<std::array<double, 2>>> union_outline(const std::vector<Body>& bodies) {
  std::vector<double> us, vs;
  for (const Body& body : bodies) {
    us.insert(us.end(), {body.rect.u0, body.rect.u1});
    vs.insert(vs.end(), {body.rect.v0, body.rect.v1});
  }
  std::sort(us.begin(), us.end());
  us.erase(std::unique(us.begin(), us.end()), us.end());
  std::sort(vs.begin(), vs.end());
  vs.erase(std::unique(vs.begin(), vs.end()), vs.end());
  const int nu = static_cast<int>(us.size()) - 1, nv = static_cast<int>(vs.size()) - 1;
  const auto inside = [&](int i, int j) {
    if (i < 0 || j < 0 || i >= nu || j >= nv) return false;
    const double u = 0.5 * (us[static_cast<std::size_t>(i)] + us[static_cast<std::size_t>(i) + 1]);
    const double v = 0.5 * (vs[static_cast<std::size_t>(j)] + vs[static_cast<std::size_t>(j) + 1]);
    return std::any_of(bodies.begin(), bodies.end(), [&](const Body& b) { return b.rect.contains(u, v); });
  };
  // Directed boundary edges between grid corners (i, j).
  struct Edge {
    int i0, j0, i1, j1;
    bool used = false;
  };
  std::vector<Edge> edges;
  for (int i = 0; i < nu; ++i) {
    for (int j = 0; j < nv; ++j) {
      if (!inside(i, j)) continue;
      if (!inside(i, j - 1)) edges.push_back({i, j, i + 1, j});
      if (!inside(i + 1, j)) edges.push_back({i + 1, j, i + 1, j + 1});
      if (!inside(i, j + 1)) edges.push_back({i + 1, j + 1, i, j + 1});
      if (!inside(i - 1, j)) edges.push_back({i, j + 1, i, j});
    }
  }
  std::vector<std::vector<std::array<double, 2>>> rings;
  for (std::size_t first = 0; first < edges.size(); ++first) {
    if (edges[first].used) continue;
    std::vector<std::array<int, 2>> corners;
    std::size_t at = first;
    while (!edges[at].used) {
      Edge& e = edges[at];
      e.used = true;
      corners.push_back({e.i0, e.j0});
      // The next edge leaves where this one ends: the leftmost turn among the unused ones.
      const int du = e.i1 - e.i0, dv = e.j1 - e.j0;
      std::size_t next = at;
      int best = -2;
      for (std::size_t k = 0; k < edges.size(); ++k) {
        const Edge& f = edges[k];
        if (f.used && k != first) continue;
        if (f.i0 != e.i1 || f.j0 != e.j1) continue;
        const int fu = f.i1 - f.i0, fv = f.j1 - f.j0;
        // Edges are axis-parallel: the cross product of their directions' signs is 1 for a left
        // turn, 0 straight on, -1 for a right turn.
        const auto sign = [](int value) { return (value > 0) - (value < 0); };
        const int turn = sign(du) * sign(fv) - sign(dv) * sign(fu);
        if (turn > best) {
          best = turn;
          next = k;
        }
      }
      if (next == at) break;  // cannot happen on a closed boundary
      at = next;
    }
    // Drop corners between collinear edges.
    std::vector<std::array<double, 2>> ring;
    const std::size_t n = corners.size();
    for (std::size_t k = 0; k < n; ++k) {
      const auto& a = corners[(k + n - 1) % n];
      const auto& b = corners[k];
      const auto& c = corners[(k + 1) % n];
      const bool straight = (a[0] == b[0] && b[0] == c[0]) || (a[1] == b[1] && b[1] == c[1]);
      if (!straight) ring.push_back({us[static_cast<std::size_t>(b[0])], vs[static_cast<std::size_t>(b[1])]});
    }
    rings.push_back(ring);
  }
  return rings;
}

// A line where two true faces meet, in the building frame: heights above the ground level.
struct LocalEdge {
  double u0, v0, z0, u1, v1, z1;
  int p, q;
  bool valley;
};

// Every run along the crossing line of two non-parallel planes on which one side of the line
// carries the one plane and the other side the other: the line is sampled at 4,000 steps across
// the outline's box, each side looked at a micrometre off the line, and each run's
// ends are found by bisection to about that.
std::vector<LocalEdge> meeting_lines(const RoofModel& m) {
  std::vector<LocalEdge> found;
  const Rect box = outline_box(m);
  const double diagonal = std::hypot(box.u1 - box.u0, box.v1 - box.v0);
  constexpr double kSide = 1e-6;
  constexpr int kSteps = 4000;
  for (std::size_t p = 0; p < m.planes.size(); ++p) {
    for (std::size_t q = p + 1; q < m.planes.size(); ++q) {
      const LocalPlane& a = m.planes[p];
      const LocalPlane& b = m.planes[q];
      const double du = a.a - b.a, dv = a.b - b.b, dc = a.c - b.c;
      const double length = std::hypot(du, dv);
      if (length < 1e-12) continue;  // parallel: they meet nowhere, or are one plane
      const double nu = du / length, nv = dv / length;          // unit normal of the line in u, v
      const double pu = -dc / length * nu, pv = -dc / length * nv;  // its point nearest the origin
      const double tu = -nv, tv = nu;                            // its direction
      double t_lo = 0.0, t_hi = 0.0;
      const double corner_u[4] = {box.u0, box.u1, box.u0, box.u1};
      const double corner_v[4] = {box.v0, box.v0, box.v1, box.v1};
      for (int k = 0; k < 4; ++k) {
        const double t = (corner_u[k] - pu) * tu + (corner_v[k] - pv) * tv;
        t_lo = k == 0 ? t : std::min(t_lo, t);
        t_hi = k == 0 ? t : std::max(t_hi, t);
      }
      // Whether the planes meet as faces at parameter t, and whether as a valley.
      const auto meets = [&](double t, bool& valley) {
        const double u = pu + t * tu, v = pv + t * tv;
        double h_plus = 0.0, h_minus = 0.0;
        int f_plus = -1, f_minus = -1;
        if (!roof_height(m, u + kSide * nu, v + kSide * nv, h_plus, f_plus)) return false;
        if (!roof_height(m, u - kSide * nu, v - kSide * nv, h_minus, f_minus)) return false;
        const int ip = static_cast<int>(p), iq = static_cast<int>(q);
        if (!((f_plus == ip && f_minus == iq) || (f_plus == iq && f_minus == ip))) return false;
        // Where the roof on one side is the higher of the two planes, they meet in a valley.
        const LocalPlane& side = m.planes[static_cast<std::size_t>(f_plus)];
        const LocalPlane& other = m.planes[static_cast<std::size_t>(f_plus == ip ? iq : ip)];
        const double su = u + kSide * nu, sv = v + kSide * nv;
        valley = side.a * su + side.b * sv + side.c > other.a * su + other.b * sv + other.c;
        return true;
      };
      const auto boundary = [&](double inside_t, double outside_t) {
        bool unused = false;
        for (int k = 0; k < 60; ++k) {
          const double mid = 0.5 * (inside_t + outside_t);
          (meets(mid, unused) ? inside_t : outside_t) = mid;
        }
        return inside_t;
      };
      const double step = (t_hi - t_lo) / kSteps;
      if (!(step > 0.0) || !(diagonal > 0.0)) continue;
      bool in_run = false, valley = false;
      double run_start = 0.0;
      for (int k = 0; k <= kSteps + 1; ++k) {
        const double t = t_lo + step * k;
        bool here_valley = false;
        const bool here = k <= kSteps && meets(t, here_valley);
        if (here && !in_run) {
          run_start = k == 0 ? t : boundary(t, t - step);
          valley = here_valley;
          in_run = true;
        } else if (!here && in_run) {
          const double run_end = boundary(t - step, t);
          in_run = false;
          const auto height = [&](double u, double v) { return a.a * u + a.b * v + a.c; };
          const double u0 = pu + run_start * tu, v0 = pv + run_start * tv;
          const double u1 = pu + run_end * tu, v1 = pv + run_end * tv;
          // Opposite faces of a pyramid touch at the apex only: a run as short as the look to
          // either side is such a point, no edge.
          if (run_end - run_start > 10.0 * kSide)
            found.push_back({u0, v0, height(u0, v0), u1, v1, height(u1, v1), static_cast<int>(p),
                             static_cast<int>(q), valley});
        }
      }
    }
  }
  return found;
}

// Records in file order, (x, y) in millimetres from the origin and z in millimetres, with the
// roof face each one was taken from (-1: ground, wall, tree or a repeated return).
struct Records {
  std::vector<std::array<std::int64_t, 3>> points;
  std::vector<int> faces;
};

// Height of the surface the laser hits at the scan position (u, v) (building frame; x, y the same
// position in the local frame), and its roof face or -1. False when the position is not recorded
// (off the roof without surroundings).
bool surface_height(const RoofModel& model, const Surroundings& around,
                    const BuildingOptions& options, double u, double v, double x, double y,
                    Random& random, double& z, int& face) {
  face = -1;
  double height = 0.0;
  if (roof_height(model, u, v, height, face)) {
    // Drawn first, so that a gap removes its points and leaves the others as they were.
    const double noise = options.height_noise * random.gaussian();
    for (const Gap& gap : around.gaps)
      if (std::hypot(u - gap.u, v - gap.v) < gap.radius) return false;
    for (const Tree& tree : around.overhanging_trees) {
      const double r = std::hypot(u - tree.u, v - tree.v) / tree.radius;
      if (r >= 1.0) continue;
      const double crown = tree.crown_base + (tree.top - tree.crown_base) * std::sqrt(1.0 - r * r);
      if (crown > height && random.uniform() < 0.8) {  // the rest reaches the roof
        face = -1;
        z = ground_height(x, y) + crown + 0.25 * random.gaussian();
        return true;
      }
      break;
    }
    double texture = 0.0;
    if (!around.texture.empty())
      for (const Wave& wave : around.texture[static_cast<std::size_t>(face)])
        texture += wave.amplitude * std::sin(wave.ku * u + wave.kv * v + wave.phase);
    z = kGroundLevel + height + texture + noise;
    return true;
  }
  if (!options.surroundings) return false;
  double near_u = 0.0, near_v = 0.0;
  if (outline_distance(model, u, v, near_u, near_v) <= kWallBand) {
    // Facade seen at an angle: anywhere between the ground and the eaves above it.
    double eaves = 0.0;
    int eaves_face = -1;
    roof_height(model, near_u, near_v, eaves, eaves_face);
    z = kGroundLevel + random.uniform(0.3, std::max(eaves, 0.3));
    return true;
  }
  for (const std::vector<Tree>* trees : {&around.trees, &around.overhanging_trees}) {
    for (const Tree& tree : *trees) {
      const double r = std::hypot(u - tree.u, v - tree.v) / tree.radius;
      if (r >= 1.0) continue;
      if (random.uniform() < 0.75) {  // the rest passes through the crown to the ground
        z = ground_height(x, y) + tree.crown_base +
            (tree.top - tree.crown_base) * std::sqrt(1.0 - r * r) + 0.25 * random.gaussian();
        return true;
      }
      break;
    }
  }
  z = ground_height(x, y) + options.height_noise * random.gaussian();
  return true;
}

// One flight strip over the building.
struct Strip {
  double heading_deg;  // flight direction against the x axis
  double density;      // points per m² of this strip
  std::uint64_t stream;
  double z_offset;     // the strip's height registration error, metres
};

// Scan pattern: lines across the flight direction, swept back and forth by the mirror, with a
// slight zig-zag, a random phase per line and jitter along and across; one point per
// 1 / density square metres. Only points inside the patch are recorded.
Records scan(const RoofModel& model, const Rect& patch, const Surroundings& around,
             const BuildingOptions& options, const Frame& frame, const Strip& strip) {
  Records records;
  const double density = strip.density;
  if (!(density > 0.0)) return records;
  const double heading = strip.heading_deg * kPi / 180.0;
  const double along_x = std::cos(heading), along_y = std::sin(heading);
  const double across_x = -along_y, across_y = along_x;
  const double line_spacing = options.line_spacing_factor / std::sqrt(density);
  const double point_spacing = 1.0 / (density * line_spacing);

  double s0 = 0.0, s1 = 0.0, t0 = 0.0, t1 = 0.0;
  const double corners[4][2] = {
      {patch.u0, patch.v0}, {patch.u1, patch.v0}, {patch.u0, patch.v1}, {patch.u1, patch.v1}};
  for (int k = 0; k < 4; ++k) {
    const double x = frame.x(corners[k][0], corners[k][1]);
    const double y = frame.y(corners[k][0], corners[k][1]);
    const double along = x * along_x + y * along_y, across = x * across_x + y * across_y;
    if (k == 0 || along < s0) s0 = along;
    if (k == 0 || along > s1) s1 = along;
    if (k == 0 || across < t0) t0 = across;
    if (k == 0 || across > t1) t1 = across;
  }
  const std::int64_t lines = static_cast<std::int64_t>(std::ceil((s1 - s0) / line_spacing)) + 1;
  const std::int64_t per_line = static_cast<std::int64_t>(std::ceil((t1 - t0) / point_spacing)) + 1;
  const double skew = 0.2 * line_spacing / std::max(t1 - t0, 1e-9);

  Random random(options.seed, strip.stream);
  for (std::int64_t i = 0; i < lines; ++i) {
    const double line_along =
        s0 + static_cast<double>(i) * line_spacing + random.uniform(-0.1, 0.1) * line_spacing;
    const double phase = random.uniform();
    const double line_skew = i % 2 == 0 ? skew : -skew;
    for (std::int64_t n = 0; n < per_line; ++n) {
      const std::int64_t j = i % 2 == 0 ? n : per_line - 1 - n;
      const double across = t0 + (static_cast<double>(j) + phase) * point_spacing +
                            random.uniform(-0.15, 0.15) * point_spacing;
      const double along =
          line_along + line_skew * (across - t0) + random.uniform(-0.1, 0.1) * line_spacing;
      // Millimetres first: everything below sees the rounded position.
      const std::int64_t x_mm = std::llround((along * along_x + across * across_x) * 1000.0);
      const std::int64_t y_mm = std::llround((along * along_y + across * across_y) * 1000.0);
      const double x = static_cast<double>(x_mm) / 1000.0;
      const double y = static_cast<double>(y_mm) / 1000.0;
      const double u = frame.u(x, y), v = frame.v(x, y);
      if (!patch.contains(u, v)) continue;
      double z = 0.0;
      int face = -1;
      if (!surface_height(model, around, options, u, v, x, y, random, z, face)) continue;
      z += strip.z_offset;
      records.points.push_back({x_mm, y_mm, std::llround(z * 1000.0)});
      records.faces.push_back(face);
    }
  }
  return records;
}

// Adds count records, each a later return at an earlier record's (x, y), 0.05 to 1 m lower,
// placed somewhere after that record.
Records with_repeats(Records base, int count, std::uint64_t seed) {
  if (base.points.empty() || count <= 0) return base;
  struct Repeat {
    std::size_t before;  // goes in front of this base record (size: at the end)
    std::size_t source;
    std::int64_t z_mm;
    int order;
  };
  const std::size_t size = base.points.size();
  std::vector<Repeat> repeats;
  Random random(seed, kRepeatStream);
  for (int r = 0; r < count; ++r) {
    const std::size_t source = static_cast<std::size_t>(random.below(size));
    const std::size_t before = source + 1 + static_cast<std::size_t>(random.below(size - source));
    const std::int64_t drop = 50 + static_cast<std::int64_t>(random.below(951));
    repeats.push_back({before, source, base.points[source][2] - drop, r});
  }
  std::sort(repeats.begin(), repeats.end(), [](const Repeat& a, const Repeat& b) {
    return a.before != b.before ? a.before < b.before : a.order < b.order;
  });

  Records merged;
  merged.points.reserve(size + repeats.size());
  merged.faces.reserve(size + repeats.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    for (; next < repeats.size() && repeats[next].before == i; ++next) {
      const auto& source = base.points[repeats[next].source];
      merged.points.push_back({source[0], source[1], repeats[next].z_mm});
      merged.faces.push_back(-1);
    }
    if (i < size) {
      merged.points.push_back(base.points[i]);
      merged.faces.push_back(base.faces[i]);
    }
  }
  return merged;
}

// Fills records, records_mm and the position bookkeeping of building from records in file
// order: distinct (x, y) positions in order of first appearance, as a reader that inserts the
// records one by one sees them. A position's roof status and face come from its FIRST record:
// that is the point the triangulation keeps, whatever later records at the same (x, y) say.
void number_positions(Records records, std::int64_t origin_x_mm, std::int64_t origin_y_mm,
                      Building& building) {
  building.records_mm = std::move(records.points);
  for (auto& record : building.records_mm) {
    record[0] += origin_x_mm;
    record[1] += origin_y_mm;
  }
  const std::size_t count = building.records_mm.size();
  building.records.reserve(count);
  building.position_of_record.reserve(count);
  PositionTable table(building.records_mm);
  for (std::size_t i = 0; i < count; ++i) {
    const auto& r = building.records_mm[i];
    building.records.push_back({static_cast<double>(r[0]) / 1000.0,
                                static_cast<double>(r[1]) / 1000.0,
                                static_cast<double>(r[2]) / 1000.0});
    const std::int32_t first = table.first_record(static_cast<std::int32_t>(i));
    if (first == static_cast<std::int32_t>(i)) {
      const int position = static_cast<int>(building.plane_of_position.size());
      building.plane_of_position.push_back(records.faces[i]);
      if (records.faces[i] >= 0) building.roof_positions.push_back(position);
      building.position_of_record.push_back(position);
    } else {
      building.position_of_record.push_back(
          building.position_of_record[static_cast<std::size_t>(first)]);
    }
  }
}

}  // namespace

Building generate_building(const BuildingOptions& options) {
  Building building;
  const double s = options.size_scale;
  if (!(s > 0.0)) return building;
  const RoofModel model = roof_model(options.shape, s);

  const std::int64_t origin_x_mm = std::llround(options.origin_x * 1000.0);
  const std::int64_t origin_y_mm = std::llround(options.origin_y * 1000.0);
  const double origin_x = static_cast<double>(origin_x_mm) / 1000.0;
  const double origin_y = static_cast<double>(origin_y_mm) / 1000.0;
  const double rotation = options.rotation_deg * kPi / 180.0;
  const Frame frame{std::cos(rotation), std::sin(rotation)};

  // True planes in file coordinates: u = cos·x' + sin·y', v = -sin·x' + cos·y' with
  // x' = x - origin_x, y' = y - origin_y.
  for (const LocalPlane& p : model.planes) {
    TruePlane plane;
    plane.a = p.a * frame.cos_r - p.b * frame.sin_r;
    plane.b = p.a * frame.sin_r + p.b * frame.cos_r;
    plane.c = p.c + kGroundLevel - plane.a * origin_x - plane.b * origin_y;
    building.planes.push_back(plane);
  }

  const auto file_x = [&](double u, double v) { return origin_x + frame.x(u, v); };
  const auto file_y = [&](double u, double v) { return origin_y + frame.y(u, v); };
  for (const auto& local_ring : union_outline(model.bodies)) {
    Ring ring;
    for (const auto& corner : local_ring) ring.push_back({file_x(corner[0], corner[1]), file_y(corner[0], corner[1])});
    building.footprint.push_back(ring);
  }
  for (const LocalEdge& e : meeting_lines(model)) {
    building.edges.push_back({{file_x(e.u0, e.v0), file_y(e.u0, e.v0), kGroundLevel + e.z0},
                              {file_x(e.u1, e.v1), file_y(e.u1, e.v1), kGroundLevel + e.z1},
                              {e.p, e.q},
                              e.valley});
  }

  // The scanned patch, in the building frame: the outline's box, widened by the margin when
  // the surroundings are wanted.
  Rect patch = outline_box(model);
  if (options.surroundings) {
    const double margin = options.surroundings_margin * s;
    patch = {patch.u0 - margin, patch.v0 - margin, patch.u1 + margin, patch.v1 + margin};
  }
  Surroundings around;
  if (options.surroundings) around.trees = place_trees(model, patch, s, options.seed);
  around.overhanging_trees = place_overhanging_trees(model, options.overhanging_trees, options.seed);
  around.gaps = place_gaps(model, options.occlusion_gaps, options.seed);
  around.texture = roof_texture(model.planes.size(), options.roof_texture, options.seed);

  // The strips one after the other, as a tile holds them; the second flown the other way, a
  // little off the first's heading.
  const int strips = options.flight_strips >= 2 ? 2 : 1;
  const double density = options.points_per_m2 / strips;
  Records records = scan(model, patch, around, options, frame, {kFlightHeadingDeg, density, kScanStream, 0.0});
  if (strips == 2) {
    Records second = scan(model, patch, around, options, frame,
                          {kFlightHeadingDeg + 183.0, density, kSecondStripStream, options.strip_offset});
    records.points.insert(records.points.end(), second.points.begin(), second.points.end());
    records.faces.insert(records.faces.end(), second.faces.begin(), second.faces.end());
  }
  number_positions(with_repeats(std::move(records), options.repeated_records, options.seed), origin_x_mm,
                   origin_y_mm, building);
  return building;
}

double roof_area(RoofShape shape) { return union_area(roof_model(shape, 1.0).bodies); }

BuildingOptions options_for_roof_points(RoofShape shape, std::size_t roof_points,
                                        std::uint64_t seed) {
  BuildingOptions options;
  options.shape = shape;
  options.seed = seed;
  const double area = roof_area(shape);
  const double wanted = static_cast<double>(roof_points);
  options.points_per_m2 = 8.0;
  options.size_scale = std::sqrt(wanted / (options.points_per_m2 * area));
  if (options.size_scale < 0.25) {
    options.size_scale = 0.25;
    options.points_per_m2 = wanted / (area * 0.0625);
  }
  return options;
}

BuildingOptions with_real_scan_effects(BuildingOptions options) {
  options.flight_strips = 2;
  options.strip_offset = 0.03;
  options.roof_texture = 0.02;
  options.line_spacing_factor = 1.75;
  options.occlusion_gaps = 2;
  options.overhanging_trees = 1;
  return options;
}

std::string shape_name(RoofShape shape) {
  switch (shape) {
    case RoofShape::gable: return "gable";
    case RoofShape::hip: return "hip";
    case RoofShape::pyramid: return "pyramid";
    case RoofShape::cross_gable: return "cross_gable";
    case RoofShape::flat_with_box: return "flat_with_box";
    case RoofShape::shed_with_annex: return "shed_with_annex";
    case RoofShape::sample_house: return "sample_house";
    case RoofShape::t_gable: return "t_gable";
    case RoofShape::plus_gable: return "plus_gable";
    case RoofShape::gable_dormers: return "gable_dormers";
    case RoofShape::hip_dormers: return "hip_dormers";
    case RoofShape::mansard: return "mansard";
    case RoofShape::two_storeys: return "two_storeys";
    case RoofShape::lean_to: return "lean_to";
    case RoofShape::shed_dormers: return "shed_dormers";
    case RoofShape::chimneys: return "chimneys";
    case RoofShape::stepped: return "stepped";
  }
  return "";
}

std::vector<RoofShape> all_shapes() {
  return {RoofShape::gable,         RoofShape::hip,           RoofShape::pyramid,
          RoofShape::cross_gable,   RoofShape::flat_with_box, RoofShape::shed_with_annex,
          RoofShape::sample_house,  RoofShape::t_gable,       RoofShape::plus_gable,
          RoofShape::gable_dormers, RoofShape::hip_dormers,   RoofShape::mansard,
          RoofShape::two_storeys,   RoofShape::lean_to,       RoofShape::shed_dormers,
          RoofShape::chimneys,      RoofShape::stepped};
}

bool shape_from_name(const std::string& name, RoofShape& shape) {
  for (RoofShape candidate : all_shapes()) {
    if (shape_name(candidate) == name) {
      shape = candidate;
      return true;
    }
  }
  return false;
}

std::string millimetres_to_text(std::int64_t millimetres) {
  char text[32];
  return std::string(text, put_millimetres(text, millimetres));
}

void write_point_file(const Building& building, std::ostream& out) {
  std::string buffer;
  buffer.reserve(1 << 20);
  char line[96];
  for (const auto& record : building.records_mm) {
    char* end = put_millimetres(line, record[0]);
    *end++ = ' ';
    end = put_millimetres(end, record[1]);
    *end++ = ' ';
    end = put_millimetres(end, record[2]);
    *end++ = '\n';
    buffer.append(line, end);
    if (buffer.size() > (1 << 20) - 128) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      buffer.clear();
    }
  }
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

void write_roof_list(const Building& building, std::ostream& out) {
  std::string buffer;
  for (int position : building.roof_positions) {
    buffer += std::to_string(position);
    buffer += '\n';
  }
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

void write_planes(const Building& building, std::ostream& out) {
  char line[96];
  for (const TruePlane& plane : building.planes) {
    const int n = std::snprintf(line, sizeof line, "%.17g %.17g %.17g\n", plane.a, plane.b, plane.c);
    out.write(line, n);
  }
}

bool write_point_file(const Building& building, const std::string& file_name) {
  return write_to_file(file_name, [&](std::ostream& out) { write_point_file(building, out); });
}

bool write_roof_list(const Building& building, const std::string& file_name) {
  return write_to_file(file_name, [&](std::ostream& out) { write_roof_list(building, out); });
}

bool write_planes(const Building& building, const std::string& file_name) {
  return write_to_file(file_name, [&](std::ostream& out) { write_planes(building, out); });
}

}  // namespace building_generator
