#pragma once

// The attributes of a building's city object, from its extraction's measures
// and its model: where the model has a solid, what the solid measures better
// (footprint area, volume, roof area, eave and ridge heights) is the solid's.

#include <string>
#include <utility>
#include <vector>

#include "io/cityjson_writer.h"
#include "model/building_attributes.h"
#include "model/building_model.h"

namespace roofplanes {

// The attributes in the order written: ground_height, ground_source, the roof
// points' heights, roof_type, faces, then eave_height, ridge_height,
// footprint_area, roof_area, volume and point_density (from the faces and
// their ground, or from the solid and the model's ground), rmse (the faces'
// fit) and model_rmse (the solid's). The ground is the model's wherever it
// has an outline, else the extraction's. grid: the one the model was built on.
std::vector<std::pair<std::string, CityJsonValue>> city_attributes(const BuildingAttributes& attributes,
                                                                   const BuildingModel& model, const ModelGrid& grid);

}  // namespace roofplanes
