#include "cli/file_observer.h"

#include <unistd.h>

#include <iostream>
#include <utility>

#include "io/vrml_writers.h"

namespace roofplanes {

FileObserver::FileObserver(Options options)
    : options_(std::move(options)), start_(std::chrono::steady_clock::now()) {}

void FileObserver::open_log() {
  if (!options_.log) return;
  const std::string name = options_.folder + "execution_log.txt";
  log_.open(name, std::ios::out | std::ios::trunc);
  if (!log_.is_open()) failed(name);
}

bool FileObserver::finish() {
  if (progress_shown_) std::cerr << "\r\033[K" << std::flush;
  progress_shown_ = false;
  if (log_.is_open()) {
    log_.close();
    if (log_.fail()) failed(options_.folder + "execution_log.txt");
  }
  std::cout.flush();
  return failed_files_.empty();
}

void FileObserver::console(std::string_view text, bool flush) {
  if (!options_.console) return;
  std::cout << text;
  if (flush) std::cout.flush();
}

void FileObserver::log(std::string_view text, bool flush) {
  if (!log_.is_open()) return;
  log_ << text;
  if (flush) log_.flush();
}

void FileObserver::warning(std::string_view line) { std::cerr << line << '\n' << std::flush; }

void FileObserver::scene(const Scene& scene) {
  if (!options_.scenes) return;
  const std::string name = options_.folder + scene.name;
  if (!write_vrml_scene(scene, name, "default", 2)) failed(name);
}

void FileObserver::pass_started(int pass, std::size_t roof_points_in_play) {
  if (!options_.progress) return;
  using namespace std::chrono;
  if (steady_clock::now() - start_ < seconds(1) || !::isatty(STDERR_FILENO)) return;
  std::cerr << "\rpass " << pass << ", " << roof_points_in_play << " roof points left\033[K" << std::flush;
  progress_shown_ = true;
}

void FileObserver::failed(const std::string& file) {
  if (!failed_files_.insert(file).second) return;
  if (progress_shown_) std::cerr << "\r\033[K";
  progress_shown_ = false;
  std::cerr << "roofplanes: cannot write " << file << '\n' << std::flush;
}

}  // namespace roofplanes
