#pragma once

namespace kelvo::drv {

// The own work of the command that opens the port with a given parity and
// CTS flow and leaves it open for the commands that follow.
void openPortCommandBody();

}
