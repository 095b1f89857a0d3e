// What the front-end tests that read a report from the simulator share: the
// working folder for the test's duration and the connection window's road
// to the register on COM7, with no question asked.
#pragma once

#include <filesystem>
#include <string>

#include "frontend/logic/connection_sequence.h"

namespace kelvo::test {

class InFolder {
public:
    explicit InFolder(const std::string& path) { std::filesystem::current_path(path); }
    ~InFolder() { std::filesystem::current_path(previous_); }

private:
    const std::filesystem::path previous_ = std::filesystem::current_path();
};

// True when the connection succeeded and the range window would come next.
inline bool connectToCom7(frontend::Session& session)
{
    frontend::ConnectionEvents events;
    events.continueWithoutRegister = [](const std::string&) { return false; };
    events.showMainWindow = [] { };
    events.requestEnd = [] { };
    events.busy = [](bool) { };
    return frontend::runConnection(session, frontend::ConnectionChoice {7, 0, 0, 0}, events).result
        == frontend::ConnectionResult::RangeWindow;
}

}
