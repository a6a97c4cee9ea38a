#pragma once

#include "observer/extraction_observer.h"
#include "pipeline/building_input.h"
#include "pipeline/extraction_result.h"
#include "pipeline/parameters.h"

namespace roofplanes {

// Finds the planar roof faces of one building: triangulates the points by x
// and y, centres them, and pass by pass takes the dominant plane among the roof
// points still in play, keeps its largest connected region, grows it and walks
// its outline; then numbers the segments and refines their outlines.
//   input       the building's records and roof flags
//   parameters  the run's constants
//   observer    receives the progress text, the scenes and the pass starts
// Returns the segments and one label per input record. Throws
// std::invalid_argument when check_input or check_parameters finds a problem,
// and std::length_error when the roof points lie so far from the centre that
// the plane search would need more than max_distance_levels distance levels.
// Keeps no state between calls; calls in different threads do not interfere.
Result extract_roof_planes(const BuildingInput& input, const Parameters& parameters, ExtractionObserver& observer);

// The same for a building made ready for the auto method (from this input),
// whose triangulation the auto method takes over rather than building its
// own: the building is used up. With parameters whose auto_method is off, the
// input is extracted as above.
struct AutoBuilding;
Result extract_roof_planes(const BuildingInput& input, AutoBuilding& building, const Parameters& parameters,
                           ExtractionObserver& observer);

// The same without any report.
Result extract_roof_planes(const BuildingInput& input, const Parameters& parameters = {});

// The largest number of distance levels the plane search may use.
inline constexpr double max_distance_levels = 10000000.0;

}  // namespace roofplanes
