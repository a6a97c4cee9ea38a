#pragma once

namespace roofplanes {

// The program run without arguments: reads Testdaten_Tolvar/69/Building_69.txt
// and roof.txt under the working directory, extracts the roof planes with the
// seed constants, prints its progress and writes execution_log.txt and the
// scenes into the same folder. Input problems are reported on standard error
// and the run goes on with what was read. Returns the exit status: 0 when
// nothing went wrong, 1 when an input problem was reported or a file could not
// be written, 2 when the run was refused (roof points too far from the centre).
int run_faithful();

}  // namespace roofplanes
