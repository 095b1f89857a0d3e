// The recorder chosen in the windows: a drive's address from libburn's scan
// or an image file ("stdio:/path/plyta.iso"); none means the first recorder
// the scan finds. KELVO_CD_DRIVE, when set, stands above the choice.
#pragma once

#include <string>

namespace kelvo::frontend {

// The address the burn uses: $KELVO_CD_DRIVE, else the saved choice; empty
// for the first recorder found.
std::string recorderAddress();

// The saved choice; empty when none was made.
std::string chosenRecorder();

// Empty clears the choice. False when it could not be written.
bool saveChosenRecorder(const std::string& address);

}
