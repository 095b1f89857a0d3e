// Which commands of the main window are available after the events that
// change them, and which toolbar buttons follow their menu items.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

namespace kelvo::frontend {

// In menu order.
enum class Command : std::size_t {
    Generate,           // "Generacja raportu z podłączonej kasy"
    Print,              // "Wydruk"
    BurnCd,             // "Zapis na dysk CD"
    SaveToDisk,         // "Zapis na dysk"
    AccountantFigures,  // "Zestawienie dla księgowości"
    Font,               // "Czcionka "
    Browse,             // "Przeglądanie zapisanych raportów"
    Exit,               // "Wyjście z programu"
};
inline constexpr std::size_t kCommandCount = 8;

enum class CommandEvent {
    Start,
    ReadRunning,
    ReadSucceeded,
    ReadFailed,
    SavedReportOpened,
};

// The enabled state of each command after the event; nothing where the event
// leaves the command as it was.
using CommandStates = std::array<std::optional<bool>, kCommandCount>;

CommandStates commandStatesAfter(CommandEvent event);

// The toolbar buttons of print, browse, CD, disk and the accountant's figures are greyed with their menu
// items; those of generate and font keep their look, and do nothing while
// their menu item is disabled.
bool toolbarFollowsMenu(Command command);

}
