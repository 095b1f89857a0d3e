// The link to the register: opened by a command's prelude, closed by its
// finish unless it is kept open.
#pragma once

namespace kelvo::drv {

// Opens the connection that the configuration line describes. The driver has
// no serial or TCP backend yet, so the link stays closed and the command
// frame reports that the port cannot be opened.
void openLink();

// Closes the link unless the keep-open flag is set.
void closeLink();

}
