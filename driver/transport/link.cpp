#include "driver/transport/link.h"

#include <kelvo/kelvodrv.h>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/core/sealed.h"
#include "driver/transport/link_trace.h"
#include "driver/transport/port_layer.h"

namespace kelvo::drv {

namespace {

void setKeepOpen(unsigned char flag)
{
    ctx.link.keepOpen = flag != 0;
    closeLink();
}

// A kept-open serial port runs the command with the time-outs of its own
// configuration line, as an open for it would: a port opened for a command
// with a short time-out must not cut a later one's longer answers short.
void takeCommandTimeouts()
{
    const ConnectionSettings& c = ctx.connection;
    switch (ctx.link.openedRoute.kind) {
    case LinkKind::Serial: setPortTimeoutSeconds(c.writeTimeout, c.readTimeout); break;
    case LinkKind::ConverterSerial: setPortTimeoutSeconds(c.extendedTimeout, c.extendedTimeout); break;
    case LinkKind::Tcp: break;  // the socket reads its time-out from the settings at every receive
    }
}

}

const LinkOperations& activeLink()
{
    // A kept-open link stays on its own route while the configuration of a
    // later command names another.
    return linkOperationsFor(ctx.link.open ? ctx.link.openedRoute : ctx.route);
}

bool openLink()
{
    storeCondition(condition::Success);
    ctx.request.converter.speedPending = true;
    if (ctx.link.open && ctx.link.keepOpen && activeLink().alive()) {
        takeCommandTimeouts();
        traceLinkKept();
        return false;
    }
    dropLink();
    ctx.link.openedRoute = ctx.route;
    traceLinkOpened();
    ctx.link.open = linkOperationsFor(ctx.link.openedRoute).open();
    return ctx.link.open;
}

void closeLink()
{
    // A kept-open line that has hung up or failed is closed all the same, so
    // that the next command opens the port again instead of using a dead one.
    if (!ctx.link.open || (ctx.link.keepOpen && activeLink().alive()))
        return;
    dropLink();
}

void dropLink()
{
    if (!ctx.link.open)
        return;
    activeLink().close();
    ctx.link.open = false;
    traceLinkClosed();
}

bool sendBytes(std::span<const std::uint8_t> bytes)
{
    return bytes.empty() || activeLink().send(bytes);
}

bool receiveByte(std::uint8_t& byte)
{
    const LinkOperations& link = activeLink();
    return link.receive(byte, link.timeoutCondition);
}

}

extern "C" {

KELVODRV_API void UstawieniePozostawiacOtwartyPortSzeregowy(unsigned char keepOpen)
{
    kelvo::drv::sealed([keepOpen] { kelvo::drv::setKeepOpen(keepOpen); });
}

KELVODRV_API void StdUstawieniePozostawiacOtwartyPortSzeregowy(unsigned char keepOpen)
{
    kelvo::drv::sealed([keepOpen] { kelvo::drv::setKeepOpen(keepOpen); });
}

}
