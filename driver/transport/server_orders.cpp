#include "driver/transport/server_orders.h"

#include <optional>
#include <string>
#include <unistd.h>

#include "driver/core/debug_log.h"
#include "driver/core/notify.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/link.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

// How often a suspended driver looks whether its server is still there.
constexpr int kServerCheckMs = 1000;

std::uint32_t driverIdentifier()
{
    return ctx.server.driverIdentifier != 0 ? ctx.server.driverIdentifier : static_cast<std::uint32_t>(::getpid());
}

void queueWaitingMessages(int timeoutMs)
{
    std::string sender;
    while (const auto message = ctx.bus.receive(timeoutMs, &sender)) {
        ctx.request.queue.push_back({*message, sender});
        timeoutMs = 0;
    }
}

// Removes the first queued message for which the test holds.
template <typename Test>
std::optional<QueuedMessage> removeFirst(Test test)
{
    auto& queue = ctx.request.queue;
    for (auto it = queue.begin(); it != queue.end(); ++it)
        if (test(it->message)) {
            const QueuedMessage message = *it;
            queue.erase(it);
            return message;
        }
    return std::nullopt;
}

struct Order {
    char letter = 0;
    std::string sender;
};

// As a window thread would: one other message below and one above the
// server's number are dispatched (here: dropped), then messages of the
// server's number are taken until one is an order for this driver.
std::optional<Order> nextOrder()
{
    const std::uint32_t number = ctx.server.activeMessageNumber;
    removeFirst([number](const platform::BusMessage& m) { return m.message < number; });
    removeFirst([number](const platform::BusMessage& m) { return m.message > number; });
    while (const auto queued = removeFirst([number](const platform::BusMessage& m) { return m.message == number; })) {
        const char letter = static_cast<char>(queued->message.lParam & 0xFF);
        if (queued->message.wParam == driverIdentifier() && letter >= 'a' && letter <= 'z')
            return Order {letter, queued->sender};
    }
    return std::nullopt;
}

void logOrder(const char* name)
{
    if (ctx.server.debug)
        logDriverRecord(name == nullptr ? std::string(" odebral nieznany rozkaz Serwera ###\n")
                                        : std::string(" wykonal rozkaz ") + name + " Serwera ###\n");
}

void resume()
{
    if (ctx.request.suspended) {
        openLinkToRegister();
        if (!ctx.link.open)
            failWith(condition::PortOpen);
    }
    ctx.request.suspended = false;
}

void suspend(const std::string& server)
{
    // The server takes the port over: a port kept open across commands is given up too.
    if (!ctx.request.suspended)
        dropLink();
    ctx.request.suspended = true;
    ctx.request.suspendedBy = server;
}

void obey(const Order& order)
{
    switch (order.letter) {
    case 'a': postToServer(Notice::Available, 0); logOrder("AVAILABLE"); break;
    case 'b':
        failWith(condition::Break);
        postToServer(Notice::Break, 0);
        logOrder("BREAK");
        break;
    case 'c': postToServer(Notice::Counter, ctx.counters.requestsExecuted); logOrder("COUNTER"); break;
    case 'l': postToServer(Notice::Lines, ctx.counters.inputDataLines); logOrder("LINES"); break;
    case 'o': postToServer(Notice::Outlines, ctx.counters.outputDataLines); logOrder("OUTLINES"); break;
    case 'r': resume(); postToServer(Notice::Resume, 0); logOrder("RESUME"); break;
    case 's': suspend(order.sender); postToServer(Notice::Suspend, 0); logOrder("SUSPEND"); break;
    default: failWith(condition::ParameterList); logOrder(nullptr); break;
    }
}

void takeOneOrder(int waitMs)
{
    queueWaitingMessages(waitMs);
    if (const auto order = nextOrder())
        obey(*order);
}

// The server that suspended the driver must stay on the bus while the driver
// waits: its socket must still take datagrams (for a driver started
// suspended, or suspended from outside the bus, some other participant's
// must). A server that has gone can never resume the driver, so the driver
// resumes by itself, as the order RESUME would, and goes on with its command.
bool serverStillThere()
{
    const std::string& server = ctx.request.suspendedBy;
    return server.empty() ? ctx.bus.othersListening() : platform::MessageBus::listening(server);
}

void resumeWithoutServer()
{
    if (ctx.server.debug)
        logDriverRecord(" wznowil prace, bo Serwer, ktory go wstrzymal, zniknal ###\n");
    resume();
}

}

void takeServerOrders()
{
    if (ctx.server.activeMessageNumber == 0)
        return;
    sendPendingNotices(std::chrono::milliseconds(0));
    takeOneOrder(0);
    // A suspended driver waits for the server's next order; a driver that
    // cannot hear the server could never be resumed, so it is not held.
    if (!ctx.bus.joined())
        ctx.request.suspended = false;
    while (ctx.request.suspended && isSuccess()) {
        if (!serverStillThere()) {
            resumeWithoutServer();
            break;
        }
        takeOneOrder(kServerCheckMs);
        sendPendingNotices(std::chrono::milliseconds(0));
    }
}

}
