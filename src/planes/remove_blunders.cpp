#include "planes/remove_blunders.h"

#include <cstddef>
#include <stdexcept>

namespace roofplanes {

void remove_blunders(VertexList& vertices, std::vector<double>& residuals, const double& k, const double& sigma) {
  // Checked in every build: a mismatch would read past the shorter vector.
  if (residuals.size() != vertices.size())
    throw std::invalid_argument("remove_blunders: one residual per vertex is needed");
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
