// Notifications to a port-sharing server: one broadcast message per event,
// under the server message number, carrying the driver identifier and a
// letter with a value.
#pragma once

#include <chrono>
#include <cstdint>

namespace kelvo::drv {

enum class Notice : char {
    Available = 'A',
    Break = 'B',
    Counter = 'C',
    Lines = 'L',
    Outlines = 'O',
    Resume = 'R',
    Suspend = 'S',
};

// Posts the notice with its value (limited to 16,777,215); nothing is posted
// while no server message number is active. Never blocks, never fails the command.
void postToServer(Notice notice, std::uint32_t value);

// Notices a slow server's full queue could not take yet are kept in order
// and sent as it reads: before each request (wait 0) and at the command's
// finish, trying for at most the wait.
void sendPendingNotices(std::chrono::milliseconds wait);
inline constexpr std::chrono::milliseconds kFinishNoticeWait {500};

// Posts a periodic notice when the counter has just reached a multiple of its
// interval (0: never), and logs it when the debug switch is on.
void postPeriodic(Notice notice, std::uint32_t counter, std::uint32_t interval);

// The command's announcement: names it in the debug description, activates
// the server message number and posts AVAILABLE.
void announce();

}
