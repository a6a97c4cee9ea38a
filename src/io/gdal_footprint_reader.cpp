#include "io/gdal_footprint_reader.h"

#include <memory>
#include <stdexcept>

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

namespace roofplanes {
namespace {

[[noreturn]] void fail(const std::string& file, const std::string& what) {
  throw std::runtime_error(file + ": " + what);
}

// GDAL reports through its own handler on standard error; here its messages
// go into the exceptions instead, while the reader runs.
struct QuietErrors {
  QuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietErrors() { CPLPopErrorHandler(); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;
};

std::string last_gdal_error() {
  const char* message = CPLGetLastErrorMsg();
  return message && *message ? std::string(": ") + message : std::string();
}

std::vector<Point> ring_points(const OGRLinearRing* ring) {
  std::vector<Point> points;
  if (!ring) return points;
  for (int i = 0; i < ring->getNumPoints(); ++i) points.push_back({ring->getX(i), ring->getY(i), 0.0});
  // Rings come closed; ours are not.
  if (points.size() > 1 && points.front().x == points.back().x && points.front().y == points.back().y)
    points.pop_back();
  return points;
}

void add_polygon(const OGRPolygon* polygon, Footprint& footprint) {
  if (!polygon || polygon->IsEmpty()) return;
  FootprintPolygon part;
  part.outer = ring_points(polygon->getExteriorRing());
  for (int h = 0; h < polygon->getNumInteriorRings(); ++h) part.holes.push_back(ring_points(polygon->getInteriorRing(h)));
  if (part.outer.size() >= 3) footprint.polygons.push_back(std::move(part));
}

std::string field_names(OGRFeatureDefn* definition) {
  std::string names;
  for (int i = 0; i < definition->GetFieldCount(); ++i) {
    if (!names.empty()) names += ", ";
    names += definition->GetFieldDefn(i)->GetNameRef();
  }
  return names.empty() ? "none" : names;
}

}  // namespace

}  // namespace roofplanes

roofplanes::FootprintFile roofplanes_read_footprints_with_gdal(const std::string& file, const std::string& id_field,
                                                               const std::optional<int>& target_epsg) {
  using namespace roofplanes;
  const QuietErrors quiet;
  GDALAllRegister();
  CPLErrorReset();
  const GDALDatasetUniquePtr dataset(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!dataset) fail(file, "cannot read it as a vector file" + last_gdal_error());
  if (dataset->GetLayerCount() < 1) fail(file, "holds no layer");
  OGRLayer* layer = dataset->GetLayer(0);
  OGRFeatureDefn* definition = layer->GetLayerDefn();
  const int id_index = definition->GetFieldIndex(id_field.c_str());
  if (id_index < 0) fail(file, "has no field \"" + id_field + "\" (its fields: " + field_names(definition) + ")");

  FootprintFile result;
  std::unique_ptr<OGRCoordinateTransformation> transform;
  if (const OGRSpatialReference* source = layer->GetSpatialRef()) {
    const char* name = source->GetName();
    result.reference_system = name ? name : "unnamed";
    const char* authority = source->GetAuthorityName(nullptr);
    const char* code = source->GetAuthorityCode(nullptr);
    if (authority && code) result.reference_system += std::string(" (") + authority + ":" + code + ")";
    if (target_epsg) {
      OGRSpatialReference target;
      if (target.importFromEPSG(*target_epsg) != OGRERR_NONE)
        fail(file, "EPSG:" + std::to_string(*target_epsg) + " is no system GDAL knows" + last_gdal_error());
      OGRSpatialReference from(*source);
      // x east, y north on both sides, whatever axis order the systems define.
      target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      if (!from.IsSame(&target)) {
        transform.reset(OGRCreateCoordinateTransformation(&from, &target));
        if (!transform)
          fail(file, "its footprints are in " + result.reference_system + ", which cannot be transformed into the " +
                         "tile's EPSG:" + std::to_string(*target_epsg) + last_gdal_error());
        result.transformed = true;
      }
    }
  }

  layer->ResetReading();
  for (OGRFeatureUniquePtr feature(layer->GetNextFeature()); feature; feature.reset(layer->GetNextFeature())) {
    OGRGeometry* geometry = feature->GetGeometryRef();
    if (!geometry || geometry->IsEmpty()) continue;
    std::unique_ptr<OGRGeometry> linear(geometry->getLinearGeometry());
    if (!linear) continue;
    if (transform && linear->transform(transform.get()) != OGRERR_NONE)
      fail(file, "feature " + std::to_string(feature->GetFID()) + " cannot be transformed" + last_gdal_error());
    Footprint footprint;
    footprint.id = feature->IsFieldSetAndNotNull(id_index) ? feature->GetFieldAsString(id_index) : "";
    switch (wkbFlatten(linear->getGeometryType())) {
      case wkbPolygon:
        add_polygon(linear->toPolygon(), footprint);
        break;
      case wkbMultiPolygon:
        for (const OGRPolygon* polygon : *linear->toMultiPolygon()) add_polygon(polygon, footprint);
        break;
      default:
        continue;
    }
    if (!footprint.polygons.empty()) result.footprints.push_back(std::move(footprint));
  }
  return result;
}
