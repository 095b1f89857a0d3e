// The own work of the periodic report commands: X000028X for the registers
// of report family A, X000035X for those of family B.
#pragma once

namespace kelvo::drv {

void periodicReportBody();
void periodicReportFamilyBBody();

}
