#pragma once

namespace roofplanes {

// The program's entry point: reads the building under Testdaten_Tolvar/69/,
// extracts its roof segments pass by pass and refines their outlines.
int run_pipeline();

}  // namespace roofplanes
