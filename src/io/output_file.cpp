#include "io/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace roofplanes {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const fs::path& file, const std::string& what) {
  throw std::runtime_error(file.string() + ": " + what);
}

// Fills an already opened stream and checks that every byte reached the file.
void fill(std::ofstream& out, const fs::path& file, const std::function<void(std::ostream&)>& write) {
  if (!out) fail(file, "cannot be opened for writing");
  write(out);
  out.close();
  if (!out) fail(file, "could not be written completely");
}

// A name beside file that no other writer of this or another process picks.
fs::path temporary_name(const fs::path& file) {
  static std::atomic<unsigned long> counter{0};
  std::string name = ".";
  name += file.filename().string();
  name += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  return file.parent_path() / name;
}

}  // namespace

void write_output_file(const fs::path& file, const std::function<void(std::ostream&)>& write) {
  std::error_code error;
  const fs::file_type existing = fs::symlink_status(file, error).type();
  if (existing == fs::file_type::directory) fail(file, "cannot be opened for writing");
  if (existing == fs::file_type::character || existing == fs::file_type::block || existing == fs::file_type::fifo) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    fill(out, file, write);
    return;
  }

  const fs::path temporary = temporary_name(file);
  // O_EXCL: created here and now, never an existing file or link.
  const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) fail(file, "cannot be opened for writing");
  ::close(descriptor);
  // A run that fails leaves no file of that name: an older one would look
  // like this run's result.
  const auto remove_both = [&] {
    fs::remove(temporary, error);
    fs::remove(file, error);
  };
  try {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    fill(out, file, write);
  } catch (...) {
    remove_both();
    throw;
  }
  if (std::rename(temporary.c_str(), file.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    remove_both();
    fail(file, "cannot be put in place: " + reason);
  }
}

}  // namespace roofplanes
