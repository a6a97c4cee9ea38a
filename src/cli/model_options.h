#pragma once

// The options of both commands that shape the building model: where its
// ground height comes from.

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "model/building_model.h"

namespace roofplanes {

// What the command line says about the ground.
struct GroundChoice {
  int ground_class = 2;                 // LAS input: class of the ground points (ASPRS 2: ground)
  bool class_given = false;             // --ground-class was given
  std::optional<double> ground_height;  // --ground-height: every building's ground, overriding the points
};

// Adds --ground-class N and --ground-height Z to command.
void add_ground_options(CLI::App& command, GroundChoice& choice);

// "<id>: ground height <z> from <source>", z to the millimetre, no line end.
std::string ground_report(const std::string& id, const BuildingModel& model);

// "the solid leaves out faces N, M: it was not valid with them", no line end;
// for a model whose left_out_faces is not empty.
std::string left_out_report(const BuildingModel& model);

}  // namespace roofplanes
