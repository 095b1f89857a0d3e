// The own work of KDBarkod: every number of the input file's data lines is
// sent to the register, one request a line.
#pragma once

namespace kelvo::drv {

void barcodesBody();

}
