#include "model/building_model.h"

namespace roofplanes {

const char* ground_source_name(GroundSource source) {
  switch (source) {
    case GroundSource::given:
      return "given";
    case GroundSource::ground_points:
      return "ground points";
    case GroundSource::non_roof_points:
      return "non-roof points";
    case GroundSource::assumed:
      break;
  }
  return "assumed";
}

BuildingModel building_model(const BuildingInput&, const Result&, const ModelOptions&) {
  BuildingModel model;
  model.problem = "no model stage yet";
  return model;
}

}  // namespace roofplanes
