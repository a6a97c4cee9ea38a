#pragma once

#include <string>

#include "observer/report.h"
#include "points/point_triangulation.h"

namespace roofplanes {

// Hands a scene of the listed vertices (their stored, centred coordinates) to
// the report's observer; builds nothing when the observer wants no scenes.
void report_scene(Report& report, SceneKind kind, std::string name, std::string appearance,
                  const VertexList& vertices);

}  // namespace roofplanes
