#pragma once

// The reference system a LAS file names in its LASF_Projection records: an
// OGC WKT string (record 2112) or GeoTIFF keys (34735, with the doubles of
// 34736 and the strings of 34737), turned into an EPSG code where they name one.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace roofplanes {

// One variable-length record (or extended one) as stored in the file.
struct LasVlr {
  std::string user_id;  // up to 16 characters, trailing NULs removed
  std::uint16_t record_id = 0;
  std::vector<unsigned char> payload;
};

// What a file says about its coordinates.
struct ReferenceSystem {
  std::optional<int> epsg;  // the EPSG code it names; none when it names none
  std::string found;        // a short description of what it holds, for messages; empty when it holds nothing
};

// The LASF_Projection records among the VLRs and EVLRs of an open LAS file of
// file_size bytes, in file order. Reads from the start of file and leaves its
// position anywhere. A record list that runs past the end or into the point
// records ends the walk: the records before it are returned.
std::vector<LasVlr> read_projection_records(std::FILE* file, std::uint64_t file_size);

// The EPSG code of an OGC WKT string (WKT 1 or 2): the outermost
// AUTHORITY["EPSG","code"] or ID["EPSG",code] of its projected (else
// geographic) system; of a compound system, that of its horizontal part.
std::optional<int> wkt_epsg(std::string_view wkt);

// The EPSG code of a GeoTIFF key directory (record 34735's payload):
// ProjectedCSTypeGeoKey (3072), else GeographicTypeGeoKey (2048), when it holds
// a code (not 0 and not 32767, "user-defined").
std::optional<int> geotiff_epsg(const std::vector<unsigned char>& directory);

// The reference system the records name: the WKT record when there is one,
// else the GeoTIFF keys.
ReferenceSystem las_reference_system(const std::vector<LasVlr>& records);

}  // namespace roofplanes
