// The own work of the periodic report commands for registers that print the
// report themselves and hand its lines over: X000029X (42-byte lines),
// X000031X (a checked text block) and X000033X (a print stream).
#pragma once

namespace kelvo::drv {

void fixedLineReportBody();
void etxBlockReportBody();
void printStreamReportBody();

}
