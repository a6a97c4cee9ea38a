#include "cli/option_ranges.h"

#include <charconv>
#include <cmath>

namespace roofplanes {
namespace {

std::string shortest(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

CLI::Validator number_range(double low, bool low_included, double high) {
  const std::string range =
      std::string(low_included ? "[" : "(") + shortest(low) + " to " + shortest(high) + "]";
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        double value = 0.0;
        if (!CLI::detail::lexical_cast(text, value)) return "'" + text + "' is not a number";
        const bool above_low = low_included ? value >= low : value > low;
        if (!(above_low && value <= high)) return "'" + text + "' is not in the range " + range;
        return {};
      },
      range);
}

}  // namespace

CLI::Validator number_from_to(double low, double high) { return number_range(low, true, high); }

CLI::Validator number_above_zero_to(double high) { return number_range(0.0, false, high); }

CLI::Validator count_from(unsigned long long low) {
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        // Digits only: CLI11 would take "-1" into an unsigned type as its wrapped value.
        unsigned long long value = 0;
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        if (text.empty() || error != std::errc() || stop != end)
          return "'" + text + "' is not a whole number of at least " + std::to_string(low);
        if (value < low) return "'" + text + "' is less than " + std::to_string(low);
        return {};
      },
      "COUNT >= " + std::to_string(low));
}

CLI::Validator not_empty(const std::string& what) {
  return CLI::Validator([=](std::string& text) -> std::string { return text.empty() ? what + " is empty" : ""; },
                        "");
}

}  // namespace roofplanes
