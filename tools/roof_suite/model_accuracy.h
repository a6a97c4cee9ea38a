#pragma once

// How close a reconstructed building model comes to the generated building it was made from:
// its ridges, hips and valleys against the true lines where faces meet, its outline against the
// true footprint, and whether a solid was made at all.

#include <optional>
#include <string>
#include <vector>

#include "building_generator.h"
#include "model/building_model.h"
#include "segment_distance.h"

namespace roof_suite {

struct ModelAccuracy {
  bool solid = false;   // the LoD2.2 solid was made (BuildingModel::problem empty)
  std::string problem;  // why not
  // Distance (3D, metres) from each point sampled along the solid's shared roof edges to the
  // nearest true edge; empty without a solid or without shared roof edges.
  std::vector<double> edge_errors;
  // Lengths (metres) of the solid's shared roof edges and of the true edges, and the length of
  // the true edges that lies within edge_found_within of a shared roof edge.
  double shared_edge_length = 0.0, true_edge_length = 0.0, true_edge_found = 0.0;
  // Distance (x, y, metres) from each point sampled along the model's outline to the nearest
  // true footprint edge; empty without an outline.
  std::vector<double> eave_errors;
  double outline_area = 0.0, footprint_area = 0.0;  // x, y, square metres
  std::optional<double> rmse;  // BuildingModel::rmse, metres
};

// A true edge counts as found where a shared roof edge passes within this distance, metres.
constexpr double edge_found_within = 0.5;

// The edges of a shell that two roof surfaces of different segments share (ridges, hips,
// valleys), in real coordinates: each vertex pair once, whatever the direction.
std::vector<Segment3> shared_roof_edges(const roofplanes::Shell& shell, const roofplanes::ModelGrid& grid);

// The edges of rings of x, y corners (not closed), z = 0: every ring closed by its last edge.
std::vector<Segment3> ring_edges(const std::vector<building_generator::Ring>& rings);

// Area of rings in x, y: counterclockwise rings count positive, clockwise ones (holes) negative.
double rings_area(const std::vector<building_generator::Ring>& rings);

// The model's outline as rings of x, y corners: each polygon's outer ring, then its holes.
std::vector<building_generator::Ring> outline_rings(const std::vector<roofplanes::OutlinePolygon>& outline);

// Measures the model against the building's true edges and footprint, sampling every edge at
// spacing metres. grid is the one the model was made on.
ModelAccuracy model_accuracy(const building_generator::Building& truth, const roofplanes::BuildingModel& model,
                             const roofplanes::ModelGrid& grid, double spacing = 0.25);

}  // namespace roof_suite
