#pragma once

#include <string>
#include <vector>

#include "observer/extraction_observer.h"

namespace roofplanes {

// Inspection scenes in VRML 2.0. Each writer takes the points, the file name,
// the write mode ("app" appends, anything else empties the file first), the
// appearance name written after USE, and the number of decimals of the
// fixed-point coordinates. Returns whether the file was opened and written
// completely; a file that cannot be written is otherwise skipped silently.

// One sphere of radius 0.3 per point, all with the given appearance.
bool write_vrml_points(const std::vector<Point>& points, const std::string& file_name, const std::string& mode,
                       const std::string& appearance, int precision);

// One closed line set through the points, with the given appearance.
bool write_vrml_polygon(const std::vector<Point>& points, const std::string& file_name, const std::string& mode,
                        const std::string& appearance, int precision);

// One sphere of radius 0.1 per point, coloured red, green, blue by position;
// the appearance argument is not used.
bool write_vrml_points_cycled(const std::vector<Point>& points, const std::string& file_name,
                              const std::string& mode, const std::string& appearance, int precision);

// The writer of the scene's kind, with the scene's points and appearance.
bool write_vrml_scene(const Scene& scene, const std::string& file_name, const std::string& mode, int precision);

}  // namespace roofplanes
