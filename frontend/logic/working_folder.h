// The folder where the front end keeps its files: a private folder of this
// user's own inside $TEMP (else $TMP), else this user's state folder
// ($XDG_STATE_HOME/kelvor, else ~/.local/state/kelvor). Either stays the same
// from one run to the next, so that KONFIG.TXT survives.
#pragma once

#include <optional>
#include <string>

namespace kelvo::frontend {

// The private folder inside a shared temporary folder: "kelvor-" and the user's id.
std::string privateFolderIn(const std::string& temporaryFolder);

std::string chooseWorkingFolder();

// Remembers the current folder as the start folder and makes the working
// folder current, creating it when it is missing (a private one with mode
// 0700). Nothing when it cannot be entered, or when a private folder is not
// a folder of this user's that only this user may use; problem then says in
// Polish what is wrong.
std::optional<std::string> enterWorkingFolder(std::string& startFolder, std::string& problem);

}
