#include "pipeline/vrml_file_name.h"

#include <gtest/gtest.h>

namespace roofplanes {
namespace {

TEST(vrml_file_name, JoinsPrefixNumberAndSuffix) {
  EXPECT_EQ(vrml_file_name("Testdaten_Tolvar/69/test", 0, ".wrl"), "Testdaten_Tolvar/69/test0.wrl");
  EXPECT_EQ(vrml_file_name("Testdaten_Tolvar/69/border_", 12, ".wrl"), "Testdaten_Tolvar/69/border_12.wrl");
  EXPECT_EQ(vrml_file_name("Testdaten_Tolvar/69/oob_this_segment", 10, ".wrl"),
            "Testdaten_Tolvar/69/oob_this_segment10.wrl");
  EXPECT_EQ(vrml_file_name("p", -3, ".s"), "p-3.s");
  EXPECT_EQ(vrml_file_name("", 42, ""), "42");
}

TEST(int_to_string, PlainDecimal) {
  EXPECT_EQ(int_to_string(0), "0");
  EXPECT_EQ(int_to_string(1000000), "1000000");
  EXPECT_EQ(int_to_string(-2147483647 - 1), "-2147483648");
}

}  // namespace
}  // namespace roofplanes
