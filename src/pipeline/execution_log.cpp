#include "pipeline/execution_log.h"

namespace roofplanes {

std::ofstream ExecutionLog;

void open_execution_log() {
  if (ExecutionLog.is_open()) ExecutionLog.close();
  ExecutionLog.clear();
  ExecutionLog.open("Testdaten_Tolvar/69/execution_log.txt", std::ios::out | std::ios::trunc);
}

}  // namespace roofplanes
