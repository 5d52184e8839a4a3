// What a call costs when Excel is another process, as it is in PowerPoint: the Excel stand-in
// in its local server (tools/simexcel), the measured time of one round trip under Wine, and the
// round trips a chart conversion makes, by kind.
#pragma once

namespace bench {

// Prints its table. Needs QVSimExcelServer.exe beside the program; says so when it is missing.
void MeasureCrossProcess();

}  // namespace bench
