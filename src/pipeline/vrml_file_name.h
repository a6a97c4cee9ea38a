#pragma once

#include <string>

namespace roofplanes {

// Plain decimal text of an int: no fill, no plus sign, a minus when negative.
std::string int_to_string(int number);

// prefix + decimal number + suffix, e.g. ("Testdaten_Tolvar/69/test", 12, ".wrl")
// gives "Testdaten_Tolvar/69/test12.wrl".
std::string vrml_file_name(std::string prefix, int number, std::string suffix);

}  // namespace roofplanes
