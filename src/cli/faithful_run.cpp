#include "cli/faithful_run.h"

#include <iostream>
#include <stdexcept>
#include <utility>

#include "cli/file_observer.h"
#include "cli/input_messages.h"
#include "io/point_file.h"
#include "io/roof_list.h"
#include "roofplanes.h"

namespace roofplanes {

int run_faithful() {
  const std::string data = "Testdaten_Tolvar/69/";
  FileObserver observer({data, true, true, true, false});
  // The log is emptied before anything else happens, as it always was.
  observer.open_log();
  bool problems = false;

  // The records move into the input, and the roof list goes once it has
  // given the flags: neither is held twice while the extraction runs.
  BuildingInput input;
  const std::string point_name = data + "Building_69.txt";
  {
    PointFile points = read_point_file(point_name);
    problems |= report_point_file(point_name, points);
    input.points = std::move(points.points);
  }
  {
    const std::string roof_name = data + "roof.txt";
    const RoofList roof = read_roof_list(roof_name);
    problems |= report_roof_list(roof_name, roof);
    std::vector<std::size_t> unknown;
    input.roof = roof_flags_from_positions(input.points, roof.positions, unknown);
    for (const std::size_t entry : unknown)
      std::cerr << "mark_roof_points: no vertex at position " << roof.positions[entry] << ", skipped\n";
    problems |= !unknown.empty();
  }

  try {
    extract_roof_planes(input, Parameters{}, observer);
  } catch (const std::length_error& refused) {
    observer.finish();
    std::cerr << "roofplanes: " << refused.what() << '\n';
    return 2;
  }
  problems |= !observer.finish();
  return problems ? 1 : 0;
}

}  // namespace roofplanes
