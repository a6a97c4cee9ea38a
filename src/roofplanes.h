#pragma once

// roofplanes: the planar roof faces of a building from an airborne laser scan.
//
//   roofplanes::BuildingInput building;         // points and roof flags
//   roofplanes::Result result = roofplanes::extract_roof_planes(building, {});
//   for (const roofplanes::Segment& face : result.segments) ...
//
// Everything here is a plain value or a free function; the library keeps no
// global state.

#include "observer/extraction_observer.h"
#include "pipeline/auto_building.h"
#include "pipeline/building_input.h"
#include "pipeline/extract_roof_planes.h"
#include "pipeline/extraction_result.h"
#include "pipeline/parameters.h"
