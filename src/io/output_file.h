#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>

namespace roofplanes {

// Writes file through write, so that the file appears under its name only
// when complete: write fills a new file under a temporary name beside it
// (".NAME.tmp-PID-N", created exclusively, so never through a link), which is
// then renamed into place. An existing symbolic link named file is replaced,
// not followed; the file it pointed to is left alone. A device or FIFO named
// file is written in place (there is nothing to rename over).
// Throws std::runtime_error("<file>: <what failed>") when the file cannot be
// created (no folder, a folder in its place), not every byte reached it (a
// full disk; checked after closing, because buffered bytes only fail on the
// final flush) or it cannot be renamed into place; the temporary file is
// removed then, and so is an older file of that name (it would look like this
// run's result). Exceptions thrown by write pass through after the same clean-up.
void write_output_file(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write);

}  // namespace roofplanes
