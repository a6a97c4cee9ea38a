#pragma once

#include <vector>

#include "points/point_triangulation.h"

namespace roofplanes {

// Drops every listed vertex whose residual is not within k · sigma, together
// with its residual (residuals[i] belongs to vertices[i]; the lengths must
// match, else std::invalid_argument), and sets on_plane on every vertex kept.
// A NaN residual is dropped.
// Kept entries keep their order; dropped vertices' labels are not touched.
void remove_blunders(VertexList& vertices, std::vector<double>& residuals, const double& k, const double& sigma);

}  // namespace roofplanes
