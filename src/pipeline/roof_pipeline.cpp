#include "pipeline/roof_pipeline.h"

#include "points/centre_points.h"
#include "points/mark_roof_points.h"
#include "points/read_point_cloud.h"

namespace roofplanes {

int run_pipeline() {
  PointTriangulation triangulation = read_point_cloud("Testdaten_Tolvar/69/Building_69.txt");
  centre_points(triangulation);
  mark_roof_points("Testdaten_Tolvar/69/roof.txt", triangulation);
  return 0;
}

}  // namespace roofplanes
