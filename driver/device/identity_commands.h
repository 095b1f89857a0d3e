// The own work of the commands that read the register's number, unique
// number and status flags, and of the one that opens the port and keeps it open.
#pragma once

namespace kelvo::drv {

void registerNumberBody();
void uniqueNumberBody();
void statusBody();
void openPortBody();

}
