#pragma once

#include <vector>

#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Projection_traits_xy_3.h>
#include <CGAL/Triangulation_data_structure_2.h>
#include <CGAL/Triangulation_face_base_2.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#include "points/point_label.h"

namespace roofplanes {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
// 3-D points triangulated by x and y; z rides along unchanged.
using ProjectionTraits = CGAL::Projection_traits_xy_3<Kernel>;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<PointLabel, ProjectionTraits>;
using FaceBase = CGAL::Triangulation_face_base_2<ProjectionTraits>;
using TriangulationDataStructure = CGAL::Triangulation_data_structure_2<VertexBase, FaceBase>;

// The building's points, each vertex carrying its PointLabel. Built once by
// read_point_cloud; afterwards only coordinates (centring) and labels change.
using PointTriangulation = CGAL::Delaunay_triangulation_2<ProjectionTraits, TriangulationDataStructure>;
using Point3 = Kernel::Point_3;
using Vertex_handle = PointTriangulation::Vertex_handle;
using Face_handle = PointTriangulation::Face_handle;

// Handles in a meaningful order; owns the handles only, never the vertices.
using VertexList = std::vector<Vertex_handle>;

}  // namespace roofplanes
