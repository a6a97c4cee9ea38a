#pragma once

#include <string>

#include "points/point_triangulation.h"

namespace roofplanes {

// Inspection scenes in VRML 2.0. Each writer takes the vertices (their stored,
// centred coordinates), the file name, the write mode ("app" appends, anything
// else empties the file first), the appearance name written after USE, and the
// number of decimals of the fixed-point coordinates. A file that cannot be
// opened is skipped silently.

// One sphere of radius 0.3 per vertex, all with the given appearance.
void write_vrml_points(VertexList& vertices, std::string file_name, std::string mode,
                       std::string appearance, int precision);

// One closed line set through the vertices, with the given appearance.
void write_vrml_polygon(VertexList& vertices, std::string file_name, std::string mode,
                        std::string appearance, int precision);

// One sphere of radius 0.1 per vertex, coloured red, green, blue by position;
// the appearance argument is not used.
void write_vrml_points_cycled(VertexList& vertices, std::string file_name, std::string mode,
                              std::string appearance, int precision);

}  // namespace roofplanes
