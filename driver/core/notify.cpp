#include "driver/core/notify.h"

#include <cstdio>
#include <string>
#include <unistd.h>

#include "driver/core/context.h"
#include "driver/core/debug_log.h"

namespace kelvo::drv {

namespace {

constexpr std::uint32_t kLargestValue = 16777215;

const char* noticeName(Notice notice)
{
    switch (notice) {
    case Notice::Available: return "AVAILABLE";
    case Notice::Break: return "BREAK";
    case Notice::Counter: return "COUNTER";
    case Notice::Lines: return "LINES";
    case Notice::Outlines: return "OUTLINES";
    case Notice::Resume: return "RESUME";
    case Notice::Suspend: return "SUSPEND";
    }
    return "";
}

// A bus folder that is not this user's own private folder is never used:
// the command goes on without the server, and says why.
void reportRefusedBusFolder()
{
    const std::string folder = platform::busDirectory();
    const std::string text = " nie dolaczyl do Serwera: folder " + folder
        + " nie jest prywatnym folderem uzytkownika (wlasciciel, tryb 0700) ###\n";
    std::fprintf(stderr, "kelvodrv: folder komunikatow %s nie jest prywatnym folderem uzytkownika "
                         "(wlasciciel, tryb 0700); komunikaty do Serwera nie sa wysylane\n", folder.c_str());
    if (ctx.server.debug)
        logDriverRecord(text);
}

void logSent(Notice notice)
{
    if (ctx.server.debug)
        logDriverRecord(std::string(" poslal komunikat ") + noticeName(notice) + " do Serwera ###\n");
}

}

void postToServer(Notice notice, std::uint32_t value)
{
    const std::uint32_t message = ctx.server.activeMessageNumber;
    if (message == 0 || !ctx.bus.join())
        return;
    const std::uint32_t identifier =
        ctx.server.driverIdentifier != 0 ? ctx.server.driverIdentifier : static_cast<std::uint32_t>(::getpid());
    const std::uint32_t limited = value < kLargestValue ? value : kLargestValue;
    ctx.bus.broadcast({message, identifier, limited * 256 + static_cast<unsigned char>(notice)});
}

void sendPendingNotices(std::chrono::milliseconds wait)
{
    if (ctx.bus.pendingCount() > 0)
        ctx.bus.flush(wait);
}

void postPeriodic(Notice notice, std::uint32_t counter, std::uint32_t interval)
{
    if (ctx.server.activeMessageNumber == 0 || interval == 0 || counter % interval != 0)
        return;
    postToServer(notice, counter);
    logSent(notice);
}

void announce()
{
    if (ctx.server.debug)
        ctx.server.debugDescription += ctx.names.command();
    ctx.server.activeMessageNumber = ctx.server.configuredMessageNumber;
    if (ctx.server.activeMessageNumber != 0 && !ctx.bus.join())
        reportRefusedBusFolder();
    postToServer(Notice::Available, 0);
    logSent(Notice::Available);
}

}
