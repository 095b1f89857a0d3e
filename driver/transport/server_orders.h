// Orders of a port-sharing server, taken between requests: report a counter,
// suspend (close the port and wait), resume, or break the command.
#pragma once

namespace kelvo::drv {

// Takes at most one waiting order and obeys it; while suspended, waits for
// further orders. Does nothing when no server message number is set.
void takeServerOrders();

}
