#include "frontend/logic/command_states.h"

namespace kelvo::frontend {

namespace {

constexpr bool on = true;
constexpr bool off = false;
constexpr std::optional<bool> unchanged = std::nullopt;

}

CommandStates commandStatesAfter(CommandEvent event)
{
    switch (event) {
    case CommandEvent::Start:
        return {on, off, off, off, off, on, on, on};
    case CommandEvent::ReadRunning:
        return {off, off, off, off, off, off, off, on};
    case CommandEvent::ReadSucceeded:
        return {on, on, on, on, on, on, on, on};
    case CommandEvent::ReadFailed:
        // Saved reports stay within reach when the register failed: browsing
        // them needs no register.
        return {on, off, off, off, off, off, on, on};
    case CommandEvent::SavedReportOpened:
        // A reopened report is text alone: the accountant's figures come from
        // the records of a report read in this run.
        return {unchanged, on, unchanged, unchanged, off, unchanged, unchanged, on};
    }
    return {};
}

bool toolbarFollowsMenu(Command command)
{
    return command == Command::Print || command == Command::Browse || command == Command::BurnCd
        || command == Command::SaveToDisk || command == Command::AccountantFigures;
}

}
