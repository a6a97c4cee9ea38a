#include "points/vertex_scene.h"

#include <utility>

namespace roofplanes {

void report_scene(Report& report, SceneKind kind, std::string name, std::string appearance,
                  const VertexList& vertices) {
  if (!report.scenes()) return;
  Scene scene;
  scene.kind = kind;
  scene.name = std::move(name);
  scene.appearance = std::move(appearance);
  scene.points.reserve(vertices.size());
  for (const Vertex_handle& v : vertices) scene.points.push_back({v->point().x(), v->point().y(), v->point().z()});
  report.observer().scene(scene);
}

}  // namespace roofplanes
