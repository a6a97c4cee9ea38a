#pragma once

#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "observer/extraction_observer.h"

namespace roofplanes {

// The stages' voice: formats progress text the way the program has always
// written it (a default-formatted stream: plain decimal integers, doubles with
// six significant digits) and hands it to the observer. When the observer
// wants no text, nothing is formatted at all.
class Report {
 public:
  explicit Report(ExtractionObserver& observer)
      : observer_(observer), text_(observer.wants_text()), scenes_(observer.wants_scenes()) {}
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  bool text() const { return text_; }
  bool scenes() const { return scenes_; }
  ExtractionObserver& observer() const { return observer_; }

  // Console text without a line end.
  template <class... Parts>
  void console(const Parts&... parts) {
    if (text_) observer_.console(format(parts...), false);
  }
  // Console text, then a line end and a flush.
  template <class... Parts>
  void console_line(const Parts&... parts) {
    if (text_) observer_.console(format(parts..., '\n'), true);
    flush_pending_ = false;
  }
  // Console text and a line end, flushed only at the next flush_console,
  // warning or flushing console line: for lines written by the hundred
  // thousand, where a flush each would cost more than the line.
  template <class... Parts>
  void console_line_buffered(const Parts&... parts) {
    if (!text_) return;
    observer_.console(format(parts..., '\n'), false);
    flush_pending_ = true;
  }
  // The flush owed to buffered console lines, if any.
  void flush_console() {
    if (flush_pending_) observer_.console({}, true);
    flush_pending_ = false;
  }
  // Log text ended by a bare line end, without a flush.
  template <class... Parts>
  void log_text(const Parts&... parts) {
    if (text_) observer_.log(format(parts..., '\n'), false);
  }
  // Log text without a line end.
  template <class... Parts>
  void log(const Parts&... parts) {
    if (text_) observer_.log(format(parts...), false);
  }
  // Log text, then a line end and a flush.
  template <class... Parts>
  void log_line(const Parts&... parts) {
    if (text_) observer_.log(format(parts..., '\n'), true);
  }
  // A problem the run survives; reported whether or not text is wanted.
  // Buffered console lines are flushed first, so they still come before it
  // where both streams go to one file.
  template <class... Parts>
  void warning(const Parts&... parts) {
    flush_console();
    observer_.warning(format(parts...));
  }

 private:
  template <class... Parts>
  std::string_view format(const Parts&... parts) {
    buffer_.str(std::string());
    (buffer_ << ... << parts);
    text_buffer_ = buffer_.str();
    return text_buffer_;
  }

  ExtractionObserver& observer_;
  const bool text_;
  const bool scenes_;
  bool flush_pending_ = false;
  std::ostringstream buffer_;
  std::string text_buffer_;
};

}  // namespace roofplanes
