// The folder where the front end keeps its files for one run: $TEMP, else
// $TMP, else this user's state folder ($XDG_STATE_HOME/kelvor, else
// ~/.local/state/kelvor), where KONFIG.TXT survives from one run to the next.
#pragma once

#include <optional>
#include <string>

namespace kelvo::frontend {

std::string chooseWorkingFolder();

// Remembers the current folder as the start folder and makes the working
// folder current (creating the state folder when it is missing); nothing
// when it cannot be entered.
std::optional<std::string> enterWorkingFolder(std::string& startFolder);

}
