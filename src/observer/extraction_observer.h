#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace roofplanes {

// A point in the input's coordinates (or, in a Scene, in the run's centred ones).
struct Point {
  double x = 0.0, y = 0.0, z = 0.0;
  friend bool operator==(const Point&, const Point&) = default;
};

// The three kinds of inspection scene the run writes.
enum class SceneKind {
  points,         // one sphere of radius 0.3 per point, all in one appearance
  polygon,        // one closed line through the points
  points_cycled,  // one sphere of radius 0.1 per point, coloured red, green, blue by position
};

// One inspection scene: its file name relative to the data folder ("test0.wrl",
// "work/ob0_after_first_round.wrl"), its appearance name and its points in the
// run's centred coordinates. A later scene of the same name replaces an earlier one.
struct Scene {
  SceneKind kind = SceneKind::points;
  std::string name;
  std::string appearance;
  std::vector<Point> points;
};

// Receives what an extraction reports while it runs. Every method does nothing
// by default, so a caller overrides only what it wants; the extraction calls
// them from the thread that runs it, in the order the run produces them.
class ExtractionObserver {
 public:
  virtual ~ExtractionObserver() = default;

  // Whether to produce the run's progress text at all; asked once per
  // extraction. When false, no console or log text is formatted.
  virtual bool wants_text() const { return false; }
  // Progress text for standard output, exactly as the program prints it;
  // flush marks the places where the program flushes the stream.
  virtual void console(std::string_view /*text*/, bool /*flush*/) {}
  // Text for the execution log, likewise.
  virtual void log(std::string_view /*text*/, bool /*flush*/) {}
  // A problem the run survives, one line without its line end (the program
  // writes these to standard error).
  virtual void warning(std::string_view /*line*/) {}

  // Whether to produce the inspection scenes; asked once per extraction.
  virtual bool wants_scenes() const { return false; }
  virtual void scene(const Scene& /*scene*/) {}

  // Start of every pass of the main loop (0-based), with the number of roof
  // points still in play.
  virtual void pass_started(int /*pass*/, std::size_t /*roof_points_in_play*/) {}
};

}  // namespace roofplanes
