#pragma once

// Every input record with what the extraction said about it, as a binary
// little-endian PLY point cloud that common point-cloud viewers open.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string_view>
#include <vector>

#include "pipeline/building_input.h"
#include "pipeline/extraction_result.h"

namespace roofplanes {

// One vertex per record, in record order: double x, y, z (input coordinates),
// int segment (labels, 0 = none), uchar roof (1 = roof point) and, when
// buildings is given, int building (0 = none). The header's comment names the
// program and program_version. labels, roof and *buildings must have one entry
// per point (std::invalid_argument otherwise).
void write_labelled_ply(std::ostream& out, const std::vector<Point>& points, const std::vector<int>& labels,
                        const std::vector<std::uint8_t>& roof, std::string_view program_version,
                        const std::vector<int>* buildings = nullptr);

// One extracted building: input.points with result.labels and input.roof.
void write_labelled_ply(std::ostream& out, const BuildingInput& input, const Result& result,
                        std::string_view program_version);

// The same into a file; throws std::runtime_error("<file>: <what failed>").
void write_labelled_ply_file(const std::filesystem::path& file, const std::vector<Point>& points,
                             const std::vector<int>& labels, const std::vector<std::uint8_t>& roof,
                             std::string_view program_version, const std::vector<int>* buildings = nullptr);
void write_labelled_ply_file(const std::filesystem::path& file, const BuildingInput& input, const Result& result,
                             std::string_view program_version);

}  // namespace roofplanes
