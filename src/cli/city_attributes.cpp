#include "cli/city_attributes.h"

#include "model/shell_measures.h"

namespace roofplanes {

std::vector<std::pair<std::string, CityJsonValue>> city_attributes(const BuildingAttributes& a,
                                                                   const BuildingModel& model, const ModelGrid& grid) {
  std::vector<std::pair<std::string, CityJsonValue>> out;
  const bool modelled = !model.outline.empty();
  out.emplace_back("ground_height", modelled ? model.ground_height : a.ground.height);
  out.emplace_back("ground_source", modelled ? std::string(ground_source_name(model.ground_source)) : a.ground.source);
  if (a.roof_heights) {
    out.emplace_back("roof_height_min", a.roof_heights->min);
    out.emplace_back("roof_height_50p", a.roof_heights->p50);
    out.emplace_back("roof_height_70p", a.roof_heights->p70);
    out.emplace_back("roof_height_max", a.roof_heights->max);
  }
  out.emplace_back("roof_type", a.roof_type);
  out.emplace_back("faces", static_cast<std::int64_t>(a.shape.faces));
  const std::optional<RoofCornerHeights> corners = roof_corner_heights(model.lod22, grid);
  if (corners) {
    // The solid's own measures: they agree with the geometry written.
    const double footprint = outline_area(model.outline);
    out.emplace_back("eave_height", corners->eave);
    out.emplace_back("ridge_height", corners->ridge);
    out.emplace_back("footprint_area", footprint);
    out.emplace_back("roof_area", shell_area(model.lod22, SurfaceKind::roof, grid));
    out.emplace_back("volume", shell_volume(model.lod22, grid));
    if (footprint > 0.0) out.emplace_back("point_density", double(a.roof_points) / footprint);
  } else if (a.shape.faces > 0) {
    out.emplace_back("eave_height", a.shape.eave_height);
    out.emplace_back("ridge_height", a.shape.ridge_height);
    out.emplace_back("footprint_area", a.shape.footprint_area);
    out.emplace_back("roof_area", a.shape.roof_area);
    out.emplace_back("volume", a.shape.volume);
    if (a.shape.footprint_area > 0.0)
      out.emplace_back("point_density", double(a.roof_points) / a.shape.footprint_area);
  }
  if (a.rmse) out.emplace_back("rmse", *a.rmse);
  if (model.rmse) out.emplace_back("model_rmse", *model.rmse);
  return out;
}

}  // namespace roofplanes
