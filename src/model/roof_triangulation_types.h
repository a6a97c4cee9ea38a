#pragma once

// The CGAL types behind RoofTriangulation, for the model's own sources only.

#include <CGAL/Alpha_shape_2.h>
#include <CGAL/Alpha_shape_face_base_2.h>
#include <CGAL/Alpha_shape_vertex_base_2.h>
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include <cstddef>

#include "model/roof_triangulation.h"

namespace roofplanes {

namespace roof_cgal {
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using InfoVb = CGAL::Triangulation_vertex_base_with_info_2<std::size_t, Kernel>;
using Vb = CGAL::Alpha_shape_vertex_base_2<Kernel, InfoVb>;
using Fb = CGAL::Alpha_shape_face_base_2<Kernel>;
using Tds = CGAL::Triangulation_data_structure_2<Vb, Fb>;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel, Tds>;
using AlphaShape = CGAL::Alpha_shape_2<Delaunay>;
}  // namespace roof_cgal

struct RoofTriangulationData {
  roof_cgal::AlphaShape shape;  // its alpha is set by whoever reads the outline
};

}  // namespace roofplanes
