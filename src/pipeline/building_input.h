#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "observer/extraction_observer.h"

namespace roofplanes {

// One building as read: every record in input order, records that repeat an
// earlier (x, y) included, and which of them are roof points. Records with the
// same x and y share one triangulation vertex, which keeps the first record's
// point; that first record also decides whether the vertex is a roof point.
struct BuildingInput {
  std::vector<Point> points;
  std::vector<std::uint8_t> roof;  // one per point: 1 = roof point, 0 = not
};

// Empty when the input can be extracted; otherwise one line saying what is
// wrong (roof flags not one per point, a coordinate that is not finite).
std::string check_input(const BuildingInput& input);

// Roof flags for a list of 0-based vertex positions, i.e. positions among the
// distinct (x, y) of points in order of first appearance: the first record of
// each listed position is flagged; a negative position names the first vertex.
// The entries that name no vertex are returned in unknown, as indices into
// positions, in list order.
std::vector<std::uint8_t> roof_flags_from_positions(const std::vector<Point>& points,
                                                    const std::vector<long long>& positions,
                                                    std::vector<std::size_t>& unknown);

// The records' indices in an order that depends on the points alone, not on
// the order they were read in. Records of one x and y are next to each other:
// roof points first, then by z, then by the record's own index (only records
// equal in all of that tie there, and they are the same input). These runs
// follow a Hilbert curve through the distinct x and y, computed from the runs
// sorted by x then y.
std::vector<std::size_t> canonical_order(const BuildingInput& input);

// The input with its records in the given order (order[k] is the k-th record).
BuildingInput reordered(const BuildingInput& input, const std::vector<std::size_t>& order);

}  // namespace roofplanes
