#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>

namespace roofplanes {

// Creates (or empties) file, lets write fill it through a binary stream and
// closes it. Throws std::runtime_error("<file>: <what failed>") when the file
// cannot be opened or not every byte reached it; the stream is checked after
// closing because buffered bytes only fail on the final flush. Exceptions
// thrown by write pass through.
void write_output_file(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write);

}  // namespace roofplanes
