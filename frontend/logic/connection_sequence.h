// What "&Dalej" of the connection window does: writes the parameter files,
// asks the register for its number, unique number and status, and decides
// where the program goes next. The windows answer its questions.
#pragma once

#include <functional>
#include <string>

#include "frontend/logic/connection_choice.h"
#include "frontend/logic/driver_call.h"
#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend {

struct ConnectionEvents {
    // The driver failure question; true for "go on without a register".
    std::function<bool(const std::string& message)> continueWithoutRegister;
    std::function<void()> showMainWindow;  // hides the range window first
    std::function<void()> requestEnd;      // the program ends once the handler returns
    std::function<void(bool busy)> busy;   // the hourglass around the unique number command
    CommandRunner runCommand = runHere;    // runs each of the three driver commands
    // A line to add below the driver's message in the question (empty for
    // none); firstRequest is true for the register number command.
    std::function<std::string(std::uint8_t code, bool firstRequest)> explainFailure;
};

enum class ConnectionResult {
    RangeWindow,     // the register answered: on to the report range
    StayOrElsewhere, // a command failed; the question's answer decided what shows
};

struct ConnectionOutcome {
    ConnectionResult result = ConnectionResult::RangeWindow;
    std::uint8_t code = 0;  // the last failed command's result code
};

// The question's text for a failed driver command.
std::string driverFailureQuestion(std::uint8_t code);

ConnectionOutcome runConnection(Session& session, const ConnectionChoice& choice, const ConnectionEvents& events);

}
