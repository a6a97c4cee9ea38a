#include "pipeline/execution_log.h"
#include "pipeline/roof_pipeline.h"

// The log is opened before the run and closed after it has returned.
int main() {
  roofplanes::open_execution_log();
  const int status = roofplanes::run_pipeline();
  roofplanes::ExecutionLog.close();
  return status;
}
