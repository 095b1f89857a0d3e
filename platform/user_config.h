// Where kelvor keeps the user's own settings and data files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvo::platform {

// $XDG_CONFIG_HOME/kelvor/NAME, else $HOME/.config/kelvor/NAME; empty when
// neither variable is set.
std::string userConfigFile(std::string_view name);

// $XDG_DATA_HOME/kelvor/NAME, else $HOME/.local/share/kelvor/NAME; empty when
// neither variable is set.
std::string userDataFile(std::string_view name);

// $XDG_CACHE_HOME/kelvor/NAME, else $HOME/.cache/kelvor/NAME; empty when
// neither variable is set.
std::string userCacheFile(std::string_view name);

// The lines of a settings file, each without surrounding blanks; blank lines
// and lines starting with '#' are left out. A missing file has no lines.
std::vector<std::string> settingsLines(const std::string& path);

}
