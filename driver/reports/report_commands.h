// The own work of the periodic report commands: X000028X for the registers
// of report family A, X000035X for those of family B.
#pragma once

#include <cstdint>

namespace kelvo::drv {

void periodicReportBody();
void periodicReportFamilyBBody();

// After a periodic report command: its figures become the last report's
// when it succeeded; a failed one leaves none, so that the figures asked
// for never belong to another report than the caller's last.
void keepReportFigures(std::uint8_t resultCode);

}
