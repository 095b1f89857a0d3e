// Whether the windows can come up at all. Qt ends a program whose platform
// plugin cannot start with an English abort and a core dump, so the display
// is tried before the application object is made.
#pragma once

#include <string>

namespace kelvo::windows {

struct DisplayChoice {
    // The platform plugin to ask Qt for; empty leaves the choice to Qt.
    std::string platform;
    // One Polish line saying why no window can be shown; empty when one can.
    std::string problem;
};

// Reads QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY and XDG_RUNTIME_DIR; a
// platform named in QT_QPA_PLATFORM is the user's choice and is not tried.
DisplayChoice chooseDisplay();

}
