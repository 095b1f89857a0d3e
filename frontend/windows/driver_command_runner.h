// Runs driver commands off the window thread. The driver's state is
// process-global, so one command runs at a time; while it runs the windows go
// on painting, show the hourglass, and refuse all input and every attempt to
// close them.
#pragma once

#include <functional>

#include "frontend/logic/driver_call.h"

class QWidget;

namespace kelvo::windows {

// The widget given, when there is one, takes input all the same (a button
// that asks the command to stop).
std::uint8_t runOffWindowThread(const frontend::DriverCommand& command, const QWidget* usable = nullptr);

// Long work with several driver commands, off the window thread under the
// same one-at-a-time rule, while a modal dialog of the caller's stays usable
// (to follow the work and to stop it): input is not refused.
void runBesideModalDialog(const std::function<void()>& work);

}
