// The reference system of LAS files: the shipped real crops (their EPSG code
// documented with the data), and copies of a file without one into which other
// programs' ways of storing a system were written.

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/las_crs.h"
#include "io/las_reader.h"
#include "support/las_records.h"
#include "support/scratch_directory.h"

namespace roofplanes {
namespace {

namespace fs = std::filesystem;
using testing::geotiff_keys;
using testing::read_text;
using testing::with_vlr;

const std::string real_folder = ROOFPLANES_SOURCE_DIR "/../shared/real/";
const std::string sample_tile = ROOFPLANES_SOURCE_DIR "/tests/data/sample_c.las";

ReferenceSystem system_of(const std::string& file) { return las_reference_system(read_las(file).projection); }

void write_bytes(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

TEST(las_crs, ShippedRealCropsNameLambert93) {
  const std::string wkt_file = real_folder + "test_data_77055_627760_LA93_IGN69.las";
  const std::string keys_file = real_folder + "test_data_77050_627755_LA93_IGN69.las";
  if (!fs::exists(wkt_file) || !fs::exists(keys_file)) GTEST_SKIP() << "the shared real crops are not here";
  const ReferenceSystem by_wkt = system_of(wkt_file), by_keys = system_of(keys_file);
  EXPECT_EQ(by_wkt.epsg, 2154);
  EXPECT_EQ(by_wkt.found, "WKT PROJCS[\"RGF93 v1 / Lambert-93\"]");
  EXPECT_EQ(by_keys.epsg, 2154);
  EXPECT_EQ(by_keys.found, "GeoTIFF keys (\"RGF93 v1 / Lambert-93\")");
}

// A system of each kind written into a copy of a file that names none; the
// copy's points must still read as the original's.
TEST(las_crs, RecordsWrittenIntoCopiesGiveTheirCode) {
  testing::ScratchDirectory scratch;
  const std::string original = read_text(sample_tile);
  ASSERT_FALSE(original.empty());
  ASSERT_EQ(system_of(sample_tile).found, "");  // names nothing

  const std::string geog = "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563,"
                           "AUTHORITY[\"EPSG\",\"7030\"]],AUTHORITY[\"EPSG\",\"6326\"]],PRIMEM[\"Greenwich\",0],"
                           "UNIT[\"degree\",0.0174532925199433],AUTHORITY[\"EPSG\",\"4326\"]]";
  const std::string utm = "PROJCS[\"WGS 84 / UTM zone 32N\"," + geog +
                          ",PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"central_meridian\",9],"
                          "UNIT[\"metre\",1,AUTHORITY[\"EPSG\",\"9001\"]],AXIS[\"Easting\",EAST],"
                          "AXIS[\"Northing\",NORTH],AUTHORITY[\"EPSG\",\"32632\"]]";
  const std::string custom = "PROJCS[\"custom\"," + geog + ",PROJECTION[\"Transverse_Mercator\"],UNIT[\"metre\",1]]";
  const std::string compound = "COMPD_CS[\"ETRS89 / UTM 32N + DHHN2016\",PROJCS[\"ETRS89 / UTM zone 32N\"," + geog +
                               ",UNIT[\"metre\",1],AUTHORITY[\"EPSG\",\"25832\"]],VERT_CS[\"DHHN2016 height\","
                               "VERT_DATUM[\"DHHN2016\",2005],UNIT[\"metre\",1],AUTHORITY[\"EPSG\",\"7837\"]],"
                               "AUTHORITY[\"EPSG\",\"4647\"]]";
  const std::string wkt2 = "PROJCRS[\"CH1903+ / LV95\",BASEGEOGCRS[\"CH1903+\",DATUM[\"CH1903+\",ELLIPSOID[\"Bessel "
                           "1841\",6377397.155,299.1528128]],ID[\"EPSG\",4150]],CONVERSION[\"Swiss Oblique "
                           "Mercator 1995\",METHOD[\"Hotine Oblique Mercator (variant B)\",ID[\"EPSG\",9815]]],"
                           "CS[Cartesian,2],AXIS[\"(E)\",east],AXIS[\"(N)\",north],LENGTHUNIT[\"metre\",1],"
                           "ID[\"EPSG\",2056]]";
  const std::string quoted = "PROJCS[\"a \"\"quoted\"\" name, with a bracket ]\"," + geog +
                             ",AUTHORITY[\"EPSG\",\"3857\"]]";
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<int> epsg;
    std::string found;
  };
  const auto projection = [&](std::uint16_t id, const std::string& payload) {
    return with_vlr(original, "LASF_Projection", id, payload);
  };
  const Case cases[] = {
      {"WKT 1", projection(2112, utm + '\0'), 32632, "WKT PROJCS[\"WGS 84 / UTM zone 32N\"]"},
      // Only the geographic part names a code: not the projected system's.
      {"WKT 1 without its own code", projection(2112, custom), std::nullopt, "WKT PROJCS[\"custom\"]"},
      {"compound WKT", projection(2112, compound), 25832, "WKT PROJCS[\"ETRS89 / UTM zone 32N\"]"},
      {"WKT 2", projection(2112, wkt2), 2056, "WKT PROJCRS[\"CH1903+ / LV95\"]"},
      {"escaped quotes", projection(2112, quoted), 3857, "WKT PROJCS[\"a \"quoted\" name, with a bracket ]\"]"},
      {"garbled WKT", projection(2112, "EPSG:2154"), std::nullopt, "WKT \"EPSG:2154\""},
      {"projected key", projection(34735, geotiff_keys({{1024, 0, 1, 1}, {3072, 0, 1, 25833}})), 25833,
       "GeoTIFF keys"},
      {"user-defined projection, geographic key",
       projection(34735, geotiff_keys({{3072, 0, 1, 32767}, {2048, 0, 1, 4258}})), 4258, "GeoTIFF keys"},
      {"user-defined only", projection(34735, geotiff_keys({{3072, 0, 1, 32767}})), std::nullopt, "GeoTIFF keys"},
      // A key whose value lies in another record is no code.
      {"key stored elsewhere", projection(34735, geotiff_keys({{3072, 34736, 1, 0}})), std::nullopt, "GeoTIFF keys"},
      {"WKT before keys",
       with_vlr(projection(34735, geotiff_keys({{3072, 0, 1, 32632}})), "LASF_Projection", 2112, wkt2), 2056,
       "WKT PROJCRS[\"CH1903+ / LV95\"]"},
      {"another program's record", with_vlr(original, "liblas", 2112, utm), std::nullopt, ""},
  };
  const LasCloud plain = read_las(sample_tile);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write_bytes("copy.las", c.bytes);
    const LasCloud cloud = read_las("copy.las");
    const ReferenceSystem system = las_reference_system(cloud.projection);
    EXPECT_EQ(system.epsg, c.epsg);
    EXPECT_EQ(system.found, c.found);
    ASSERT_EQ(cloud.points.size(), plain.points.size());
    EXPECT_EQ(cloud.points.back().x, plain.points.back().x);
    EXPECT_EQ(cloud.points.back().classification, plain.points.back().classification);
  }

  // A record list that claims more than the space before the points holds: the reader still reads the points.
  std::string broken = projection(2112, utm);
  testing::store_le(broken, 100, 5, 4);
  write_bytes("broken.las", broken);
  const LasCloud cloud = read_las("broken.las");
  EXPECT_EQ(las_reference_system(cloud.projection).epsg, 32632);
  EXPECT_EQ(cloud.points.size(), plain.points.size());
}

// LAS 1.4 may keep its WKT in an extended record after the points.
TEST(las_crs, ExtendedRecordOfLas14) {
  const std::string file = real_folder + "test_data_77055_627760_LA93_IGN69.las";
  if (!fs::exists(file)) GTEST_SKIP() << "the shared real crops are not here";
  testing::ScratchDirectory scratch;
  const std::string hidden = testing::without_vlrs(read_text(file), 2112);
  write_bytes("hidden.las", hidden);
  EXPECT_EQ(system_of("hidden.las").found, "");
  write_bytes("extended.las",
              testing::with_evlr(hidden, "LASF_Projection", 2112, "PROJCS[\"RGF93 / CC49\",AUTHORITY[\"EPSG\",\"3949\"]]"));
  EXPECT_EQ(system_of("extended.las").epsg, 3949);
  EXPECT_EQ(read_las("extended.las").points.size(), read_las(file).points.size());
}

}  // namespace
}  // namespace roofplanes
