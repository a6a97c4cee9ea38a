#pragma once

#include "planes/plane_params.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// What a search loop keeps of each segment besides the segment itself.
struct PassExtras {
  PlaneCoefficients fit;  // the plane fitted to the segment's points, [a, b, c] in centred coordinates
  VertexList outline;     // the ordered outline as walked
  VertexList corners;     // the simplified outline
};

}  // namespace roofplanes
