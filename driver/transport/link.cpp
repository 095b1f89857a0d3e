#include "driver/transport/link.h"

#include <kelvo/kelvodrv.h>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/converter_link.h"
#include "driver/transport/link_backend.h"

namespace kelvo::drv {

namespace {

const LinkBackend& backendFor(LinkKind kind)
{
    return kind == LinkKind::Tcp ? tcpBackend() : serialBackend();
}

// The backend of the open link: the configuration of a later command may name
// another kind while a kept-open link is still up.
const LinkBackend& backend()
{
    return backendFor(ctx.link.open ? ctx.link.openedKind : ctx.route.kind);
}

void setKeepOpen(unsigned char flag)
{
    ctx.link.keepOpen = flag != 0;
    closeLink();
}

}

void openLink()
{
    storeCondition(condition::Success);
    ctx.request.converter.speedPending = true;
    if (ctx.link.open && ctx.link.keepOpen)
        return;
    closeLink();
    ctx.link.openedKind = ctx.route.kind;
    ctx.link.open = backendFor(ctx.link.openedKind).open();
}

void closeLink()
{
    if (!ctx.link.open || ctx.link.keepOpen)
        return;
    backend().close();
    ctx.link.open = false;
}

bool frameMode()
{
    return ctx.route.extendedSettings;
}

bool sendBytes(std::span<const std::uint8_t> bytes)
{
    if (frameMode() || bytes.empty())
        return true;
    return backend().send(bytes);
}

bool receiveByte(std::uint8_t& byte)
{
    if (frameMode())
        return converterByte(byte);
    const bool converterLine = ctx.route.kind == LinkKind::ConverterSerial;
    return backend().receive(byte, converterLine ? condition::ConverterSilent : condition::ReceiveTimeout);
}

bool waitUntilSent()
{
    return CharSent() != 0;
}

void purgeLine()
{
    backend().purge();
}

}

extern "C" {

KELVODRV_API void UstawieniePozostawiacOtwartyPortSzeregowy(unsigned char keepOpen)
{
    kelvo::drv::setKeepOpen(keepOpen);
}

KELVODRV_API void StdUstawieniePozostawiacOtwartyPortSzeregowy(unsigned char keepOpen)
{
    kelvo::drv::setKeepOpen(keepOpen);
}

}
