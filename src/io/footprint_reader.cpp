#include "io/footprint_reader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "io/gdal_footprint_reader.h"

namespace roofplanes {
namespace {

// The directory of the running program: the library is installed beside it.
std::filesystem::path program_directory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : program.parent_path();
}

// The reader's entry point, the library loaded on the first call and kept
// for the rest of the run; nullptr with why in problem when it cannot be.
ReadFootprintsWithGdal gdal_reader(std::string& problem) {
  static std::once_flag once;
  static ReadFootprintsWithGdal reader = nullptr;
  static std::string why;
  std::call_once(once, [] {
    void* library = nullptr;
    if (const std::filesystem::path beside = program_directory() / gdal_footprint_library;
        !beside.parent_path().empty() && std::filesystem::exists(beside))
      library = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    // Else wherever the dynamic loader finds libraries (LD_LIBRARY_PATH, the system's).
    if (library == nullptr) library = dlopen(gdal_footprint_library, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* error = dlerror();
      why = std::string("footprints are read by ") + gdal_footprint_library +
            ", which should lie beside the roofplanes program: " + (error ? error : "not found");
      return;
    }
    reader = reinterpret_cast<ReadFootprintsWithGdal>(dlsym(library, gdal_footprint_entry));
    if (reader == nullptr) why = std::string(gdal_footprint_library) + " has no " + gdal_footprint_entry;
  });
  problem = why;
  return reader;
}

}  // namespace

FootprintFile read_footprints(const std::string& file, const std::string& id_field,
                              const std::optional<int>& target_epsg) {
  std::string problem;
  const ReadFootprintsWithGdal reader = gdal_reader(problem);
  if (reader == nullptr) throw std::runtime_error(file + ": " + problem);
  return reader(file, id_field, target_epsg);
}

}  // namespace roofplanes
