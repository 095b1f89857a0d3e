// Whether the windows keep fiscal memory records between runs: on, unless
// the user turned it off; the choice lives in the user's settings folder.
#pragma once

namespace kelvo::frontend {

bool keptRecordsWanted();

// False when the choice could not be written.
bool saveKeptRecordsWanted(bool on);

}
