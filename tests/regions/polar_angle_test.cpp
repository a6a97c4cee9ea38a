#include "regions/polar_angle.h"

#include <gtest/gtest.h>

#include <string>

#include "support/captured_report.h"

namespace roofplanes {
namespace {

// The angle, and what was reported on the way.
double degrees(double dx, double dy, std::string* message = nullptr) {
  testing::CapturedReport out;
  const double angle = rectangular_to_polar_angle_deg(dx, dy, out.report);
  if (message != nullptr) *message = out.observer.console_text;
  return angle;
}
double radians(double dx, double dy, std::string* message = nullptr) {
  testing::CapturedReport out;
  const double angle = rectangular_to_polar_angle(dx, dy, out.report);
  if (message != nullptr) *message = out.observer.console_text;
  return angle;
}

TEST(rectangular_to_polar_angle_deg, QuadrantsWithPiAs3_1416) {
  EXPECT_EQ(degrees(1, 0), 0.0);
  EXPECT_EQ(degrees(0, -1), 270.0);
  EXPECT_NEAR(degrees(-1, 0), 180.0, 1e-12);
  EXPECT_NEAR(degrees(0, 1), 90.0, 1e-12);
  // atan gives π/4 to full precision, the conversion divides by 3.1416; the
  // lower quadrants add multiples of 3.1416 and come out on the other side.
  EXPECT_LT(degrees(1, 1), 45.0);
  EXPECT_NEAR(degrees(1, 1), 44.999895, 1e-6);
  EXPECT_NEAR(degrees(-1, -1), 224.999895, 1e-6);
  EXPECT_NEAR(degrees(1, -1), 315.000105, 1e-6);
  EXPECT_NEAR(degrees(-1, 1), 135.000105, 1e-6);
  EXPECT_GT(degrees(1, -1e-9), 359.99);
  EXPECT_LT(degrees(1, -1e-9), 360.0);
}

TEST(rectangular_to_polar_angle_deg, NoDirectionWritesMessageAndGivesZero) {
  std::string message;
  EXPECT_EQ(degrees(0, 0, &message), 0.0);
  EXPECT_EQ(message, "rectangular_to_polar_angle_deg: direction undefined!");
}

TEST(rectangular_to_polar_angle, RadiansWithPiAs3_1416) {
  EXPECT_EQ(radians(1, 0), 0.0);
  EXPECT_EQ(radians(-1, 0), 3.1416);
  EXPECT_EQ(radians(0, 1), 3.1416 / 2);
  EXPECT_EQ(radians(0, -1), (3 * 3.1416) / 2);
  EXPECT_DOUBLE_EQ(radians(1, -1), 2 * 3.1416 - 3.141592653589793 / 4);
  std::string message;
  EXPECT_EQ(radians(0, 0, &message), 0.0);
  EXPECT_EQ(message, "rectangular_to_polar_angle: direction undefined!");
}

}  // namespace
}  // namespace roofplanes
