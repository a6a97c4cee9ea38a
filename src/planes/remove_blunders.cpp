#include "planes/remove_blunders.h"

#include <cassert>
#include <cstddef>

namespace roofplanes {

void remove_blunders(VertexList& vertices, std::vector<double>& residuals, const double& k, const double& sigma) {
  assert(residuals.size() == vertices.size());
  const double threshold = k * sigma;
  // One compacting sweep gives the same lists as erasing entry by entry,
  // without the quadratic cost of repeated erasure.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    if (!(residuals[i] <= threshold)) continue;
    vertices[i]->info().set_on_plane(true);
    vertices[kept] = vertices[i];
    residuals[kept] = residuals[i];
    ++kept;
  }
  vertices.erase(vertices.begin() + kept, vertices.end());
  residuals.erase(residuals.begin() + kept, residuals.end());
}

}  // namespace roofplanes
