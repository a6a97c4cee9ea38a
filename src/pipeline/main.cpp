#include "pipeline/roof_pipeline.h"

int main() { return roofplanes::run_pipeline(); }
