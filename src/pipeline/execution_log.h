#pragma once

#include <fstream>

namespace roofplanes {

// The run's progress log, the program's only global object. The entry point's
// caller opens it (open_execution_log) before the run and it is closed at
// program end. While it is not open, writes to it are lost without a message.
extern std::ofstream ExecutionLog;

// Opens "Testdaten_Tolvar/69/execution_log.txt" under the working directory,
// emptying an existing file.
void open_execution_log();

}  // namespace roofplanes
