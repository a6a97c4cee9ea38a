#include "io/svg_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>
#include <set>
#include <utility>
#include <stdexcept>
#include <string>

#include "io/output_file.h"

namespace roofplanes {
namespace {

// Twelve colours that stay apart from each other and from the grey dots.
constexpr std::array<const char*, 12> palette{"#e6194b", "#3cb44b", "#4363d8", "#f58231", "#911eb4", "#42d4f4",
                                              "#f032e6", "#808000", "#469990", "#9a6324", "#800000", "#000075"};

// What data-building says of the view's b-th building. Ids come from file
// names and footprint fields, so the characters markup gives meaning are escaped.
std::string building_name(const std::vector<TopViewBuilding>& buildings, std::size_t b) {
  if (buildings[b].id.empty()) return std::to_string(b + 1);
  std::string escaped;
  for (char c : buildings[b].id) {
    if (c == '&') escaped += "&amp;";
    else if (c == '<') escaped += "&lt;";
    else if (c == '>') escaped += "&gt;";
    else if (c == '"') escaped += "&quot;";
    else escaped += c;
  }
  return escaped;
}

const char* segment_colour(int number) {
  const int n = static_cast<int>(palette.size());
  return palette[static_cast<std::size_t>(((number - 1) % n + n) % n)];
}

// Fixed-point text, independent of the locale.
void append_number(std::string& text, double value, int decimals = 1) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  text.append(buffer, result.ptr);
}

// Input x, y to pixels: fitted into the drawing, y flipped.
struct ViewMapping {
  double min_x = 0.0, max_y = 0.0, scale = 1.0, margin = 0.0;
  double px(double x) const { return margin + (x - min_x) * scale; }
  double py(double y) const { return margin + (max_y - y) * scale; }
};

struct Bounds {
  double min_x = std::numeric_limits<double>::infinity(), min_y = min_x;
  double max_x = -min_x, max_y = -min_x;
  void add(const Point& p) {
    min_x = std::min(min_x, p.x), max_x = std::max(max_x, p.x);
    min_y = std::min(min_y, p.y), max_y = std::max(max_y, p.y);
  }
  bool empty() const { return !(min_x <= max_x); }
};

// A round length (1, 2 or 5 times a power of ten) nearest target in ratio.
double round_length(double target) {
  if (!(target > 0.0) || !std::isfinite(target)) return 1.0;
  const int exponent = static_cast<int>(std::floor(std::log10(target)));
  double best = 1.0, best_ratio = std::numeric_limits<double>::infinity();
  for (int e = exponent - 1; e <= exponent + 1; ++e)
    for (double m : {1.0, 2.0, 5.0}) {
      // Divide by an exact power of ten, so that 0.2 is the double nearest 0.2.
      const double length = e >= 0 ? m * std::pow(10.0, e) : m / std::pow(10.0, -e);
      const double ratio = std::fabs(std::log(length / target));
      if (ratio < best_ratio) best = length, best_ratio = ratio;
    }
  return best;
}

// Zero-length subpaths with round caps: one dot per point in very few bytes.
void append_dot(std::string& d, const ViewMapping& view, const Point& p) {
  d += 'M';
  append_number(d, view.px(p.x));
  d += ' ';
  append_number(d, view.py(p.y));
  d += "h0";
}

void append_point_pair(std::string& text, double x, double y) {
  append_number(text, x);
  text += ',';
  append_number(text, y);
}

// The area centroid of the corner polygon in xy, or the mean of its corners
// when it has no area.
Point polygon_centroid(const BuildingInput& input, const std::vector<std::size_t>& corners) {
  const Point& o = input.points[corners.front()];  // relative, against cancellation in projected coordinates
  double twice_area = 0.0, cx = 0.0, cy = 0.0, mx = 0.0, my = 0.0;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const Point& a = input.points[corners[i]];
    const Point& b = input.points[corners[(i + 1) % corners.size()]];
    const double ax = a.x - o.x, ay = a.y - o.y, bx = b.x - o.x, by = b.y - o.y;
    const double cross = ax * by - bx * ay;
    twice_area += cross;
    cx += (ax + bx) * cross, cy += (ay + by) * cross;
    mx += ax, my += ay;
  }
  if (twice_area == 0.0) return {o.x + mx / corners.size(), o.y + my / corners.size(), 0.0};
  return {o.x + cx / (3.0 * twice_area), o.y + cy / (3.0 * twice_area), 0.0};
}

void check_indices(const BuildingInput& input, const Segment& segment) {
  for (const auto* list : {&segment.points, &segment.corners})
    for (std::size_t index : *list)
      if (index >= input.points.size())
        throw std::invalid_argument("segment " + std::to_string(segment.number) + ": index " + std::to_string(index) +
                                    " names no input point");
}

bool has_partition(const TopViewBuilding& b) { return b.partition && !b.partition->regions.empty(); }

void check_partition(const RoofPartition& partition) {
  for (const PartitionRegion& region : partition.regions)
    for (const auto& ring : region.rings)
      for (std::size_t v : ring)
        if (v >= partition.vertices.size())
          throw std::invalid_argument("partition region of segment " + std::to_string(region.segment) +
                                      ": vertex " + std::to_string(v) + " names no partition vertex");
}

// One region as a path, outer ring and holes as subpaths: filled even-odd, its holes stay empty.
void append_region(std::string& text, const ViewMapping& view, const RoofPartition& partition,
                   const PartitionRegion& region) {
  for (const auto& ring : region.rings) {
    if (ring.empty()) continue;
    for (std::size_t i = 0; i < ring.size(); ++i) {
      text += i == 0 ? 'M' : 'L';
      const Point& p = partition.vertices[ring[i]];
      append_number(text, view.px(p.x));
      text += ' ';
      append_number(text, view.py(p.y));
    }
    text += 'Z';
  }
}

}  // namespace

Point point_inside_region(const std::vector<Point>& vertices, const std::vector<std::vector<std::size_t>>& rings) {
  std::vector<double> heights;
  for (const auto& ring : rings)
    for (std::size_t v : ring) heights.push_back(vertices.at(v).y);
  std::sort(heights.begin(), heights.end());
  heights.erase(std::unique(heights.begin(), heights.end()), heights.end());
  double best_width = 0.0;
  Point best;
  std::vector<double> crossings;
  for (std::size_t h = 0; h + 1 < heights.size(); ++h) {
    // Halfway between two vertex heights the line meets no vertex: every crossing is a clean one.
    const double y = 0.5 * (heights[h] + heights[h + 1]);
    crossings.clear();
    for (const auto& ring : rings)
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point& a = vertices[ring[i]];
        const Point& b = vertices[ring[(i + 1) % ring.size()]];
        if ((a.y < y) != (b.y < y)) crossings.push_back(a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x));
      }
    std::sort(crossings.begin(), crossings.end());
    // Even-odd: between the 1st and 2nd crossing, the 3rd and 4th, ... is inside.
    for (std::size_t c = 0; c + 1 < crossings.size(); c += 2)
      if (crossings[c + 1] - crossings[c] > best_width) {
        best_width = crossings[c + 1] - crossings[c];
        best = {0.5 * (crossings[c] + crossings[c + 1]), y, 0.0};
      }
  }
  if (best_width > 0.0 || rings.empty() || rings.front().empty()) return best;
  Point mean;
  for (std::size_t v : rings.front()) mean.x += vertices.at(v).x, mean.y += vertices.at(v).y;
  return {mean.x / double(rings.front().size()), mean.y / double(rings.front().size()), 0.0};
}

void write_svg_top_view(std::ostream& out, const std::vector<Point>& background,
                        const std::vector<TopViewBuilding>& buildings, const TopViewOptions& options) {
  Bounds bounds;
  for (const Point& p : background) bounds.add(p);
  for (const TopViewBuilding& b : buildings) {
    for (const Point& p : b.input->points) bounds.add(p);
    for (const Segment& segment : b.result->segments) check_indices(*b.input, segment);
    if (!has_partition(b)) continue;
    check_partition(*b.partition);
    for (const Point& p : b.partition->vertices) bounds.add(p);
  }
  if (bounds.empty()) bounds.min_x = bounds.max_x = bounds.min_y = bounds.max_y = 0.0;
  const double width = bounds.max_x - bounds.min_x, height = bounds.max_y - bounds.min_y;
  const double longer = std::max(width, height);
  // Below a nanometre the points are one spot: fitting it into the drawing
  // would scale by an infinite or meaningless factor.
  const ViewMapping view{bounds.min_x, bounds.max_y, longer > 1e-9 ? options.size / longer : 1.0, options.margin};
  const double canvas_w = width * view.scale + 2 * options.margin;
  const double canvas_h = height * view.scale + 2 * options.margin;

  std::string text;
  text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
  append_number(text, canvas_w);
  text += "\" height=\"";
  append_number(text, canvas_h);
  text += "\" viewBox=\"0 0 ";
  append_number(text, canvas_w);
  text += ' ';
  append_number(text, canvas_h);
  text += "\">\n<title>roofplanes top view</title>\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";

  // Background dots: every k-th point, k the smallest that keeps the bound.
  if (!background.empty() && options.max_background_points > 0) {
    const std::size_t k = (background.size() + options.max_background_points - 1) / options.max_background_points;
    text += "<path class=\"background\" fill=\"none\" stroke=\"#b4b4b4\" stroke-width=\"1.5\" "
            "stroke-linecap=\"round\" d=\"";
    for (std::size_t i = 0; i < background.size(); i += k) append_dot(text, view, background[i]);
    text += "\"/>\n";
  }
  out << text;

  // Partition regions under the dots, each filled in its face's colour.
  bool partitions = false;
  for (const TopViewBuilding& b : buildings) partitions |= has_partition(b);
  if (partitions) {
    text = "<g class=\"regions\" stroke=\"none\" fill-opacity=\"0.3\" fill-rule=\"evenodd\">\n";
    for (std::size_t b = 0; b < buildings.size(); ++b) {
      if (!has_partition(buildings[b])) continue;
      for (const PartitionRegion& region : buildings[b].partition->regions) {
        const int number = buildings[b].first_segment + region.segment;
        text += "<path data-building=\"" + building_name(buildings, b) + "\" data-segment=\"" +
                std::to_string(number) + "\" fill=\"" + segment_colour(number) + "\" d=\"";
        append_region(text, view, *buildings[b].partition, region);
        text += "\"/>\n";
      }
    }
    out << text << "</g>\n";
  }

  out << "<g fill=\"none\" stroke-width=\"2.5\" stroke-linecap=\"round\">\n";
  for (std::size_t b = 0; b < buildings.size(); ++b)
    for (const Segment& segment : buildings[b].result->segments) {
      const int number = buildings[b].first_segment + segment.number;
      text = "<path data-building=\"" + building_name(buildings, b) + "\" data-segment=\"" +
             std::to_string(number) + "\" stroke=\"" + segment_colour(number) + "\" d=\"";
      for (std::size_t index : segment.points) append_dot(text, view, buildings[b].input->points[index]);
      text += "\"/>\n";
      out << text;
    }
  out << "</g>\n";

  text = "<g fill=\"none\" stroke=\"black\" stroke-width=\"1.2\" stroke-linejoin=\"round\">\n";
  std::string labels =
      "<g font-family=\"sans-serif\" font-size=\"14\" font-weight=\"bold\" text-anchor=\"middle\" "
      "dominant-baseline=\"central\" stroke=\"white\" stroke-width=\"3\" paint-order=\"stroke\">\n";
  for (std::size_t b = 0; b < buildings.size(); ++b) {
    if (has_partition(buildings[b])) {
      // Each edge once, however many regions it bounds: two regions' shared edge is one line.
      const RoofPartition& partition = *buildings[b].partition;
      std::set<std::pair<std::size_t, std::size_t>> edges;
      for (const PartitionRegion& region : partition.regions)
        for (const auto& ring : region.rings)
          for (std::size_t i = 0; i < ring.size(); ++i) {
            const std::size_t u = ring[i], v = ring[(i + 1) % ring.size()];
            if (u != v) edges.emplace(std::min(u, v), std::max(u, v));
          }
      text += "<path class=\"partition\" data-building=\"" + building_name(buildings, b) + "\" d=\"";
      for (const auto& [u, v] : edges) {
        text += 'M';
        append_point_pair(text, view.px(partition.vertices[u].x), view.py(partition.vertices[u].y));
        text += 'L';
        append_point_pair(text, view.px(partition.vertices[v].x), view.py(partition.vertices[v].y));
      }
      text += "\"/>\n";
      for (const PartitionRegion& region : partition.regions) {
        const Point inside = point_inside_region(partition.vertices, region.rings);
        labels += "<text x=\"";
        append_number(labels, view.px(inside.x));
        labels += "\" y=\"";
        append_number(labels, view.py(inside.y));
        labels += "\">" + std::to_string(buildings[b].first_segment + region.segment) + "</text>\n";
      }
      continue;
    }
    for (const Segment& segment : buildings[b].result->segments) {
      if (segment.corners.empty()) continue;
      const BuildingInput& input = *buildings[b].input;
      const int number = buildings[b].first_segment + segment.number;
      text += "<polygon data-building=\"" + building_name(buildings, b) + "\" data-segment=\"" +
              std::to_string(number) + "\" points=\"";
      for (std::size_t i = 0; i < segment.corners.size(); ++i) {
        if (i > 0) text += ' ';
        const Point& p = input.points[segment.corners[i]];
        append_point_pair(text, view.px(p.x), view.py(p.y));
      }
      text += "\"/>\n";
      const Point centre = polygon_centroid(input, segment.corners);
      labels += "<text x=\"";
      append_number(labels, view.px(centre.x));
      labels += "\" y=\"";
      append_number(labels, view.py(centre.y));
      labels += "\">" + std::to_string(number) + "</text>\n";
    }
  }
  out << text << "</g>\n" << labels << "</g>\n";

  // Scale bar in the bottom margin, north arrow in the top right corner.
  const double bar = round_length((width > 0.0 ? width : longer) / 5.0);
  const double bar_y = canvas_h - options.margin / 2.0;
  text = "<g class=\"scale\" font-family=\"sans-serif\" font-size=\"12\"><path stroke=\"black\" stroke-width=\"3\" d=\"M";
  append_point_pair(text, options.margin, bar_y);
  text += "h";
  append_number(text, bar * view.scale);
  text += "\"/><text x=\"";
  append_number(text, options.margin + bar * view.scale + 6.0);
  text += "\" y=\"";
  append_number(text, bar_y + 4.0);
  text += "\">";
  char buffer[32];
  text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, bar).ptr);  // shortest: "0.5", "20"
  text += " m</text></g>\n<g class=\"north\"><path fill=\"black\" d=\"M";
  const double arrow_x = canvas_w - options.margin / 2.0, arrow_top = 6.0;
  append_point_pair(text, arrow_x, arrow_top);
  text += "l-7 22l7-6l7 6z\"/><text x=\"";
  append_number(text, arrow_x - 16.0);
  text += "\" y=\"";
  append_number(text, arrow_top + 14.0);
  text += "\" font-family=\"sans-serif\" font-size=\"14\" text-anchor=\"middle\">N</text></g>\n</svg>\n";
  out << text;
}

void write_svg_top_view(std::ostream& out, const BuildingInput& input, const Result& result,
                        const TopViewOptions& options, const RoofPartition* partition) {
  if (result.labels.size() != input.points.size())
    throw std::invalid_argument("top view: " + std::to_string(result.labels.size()) + " labels for " +
                                std::to_string(input.points.size()) + " points");
  std::vector<Point> background;
  for (std::size_t i = 0; i < input.points.size(); ++i)
    if (result.labels[i] == 0) background.push_back(input.points[i]);
  write_svg_top_view(out, background, {TopViewBuilding{&input, &result, 0, "", partition}}, options);
}

void write_svg_top_view_file(const std::filesystem::path& file, const std::vector<Point>& background,
                             const std::vector<TopViewBuilding>& buildings, const TopViewOptions& options) {
  write_output_file(file, [&](std::ostream& out) { write_svg_top_view(out, background, buildings, options); });
}

void write_svg_top_view_file(const std::filesystem::path& file, const BuildingInput& input, const Result& result,
                             const TopViewOptions& options, const RoofPartition* partition) {
  write_output_file(file, [&](std::ostream& out) { write_svg_top_view(out, input, result, options, partition); });
}

}  // namespace roofplanes
