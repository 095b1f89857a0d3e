// The modem lines of the port of the current selector: status, DTR and RTS,
// and the multiplexer channel they select.
#include "driver/core/sealed.h"
#include "driver/transport/port_layer.h"

#include "kelvo/kelvodrv.h"

namespace kelvo::drv {

namespace {

constexpr std::uint32_t kChannelSwitchPauseMs = 50;

}

std::optional<MultiplexerLines> multiplexerLines(std::uint8_t channel)
{
    switch (channel) {
    case 1: return MultiplexerLines {false, true};
    case 2: return MultiplexerLines {true, true};
    case 3: return MultiplexerLines {false, false};
    case 4: return MultiplexerLines {true, false};
    default: return std::nullopt;
    }
}

}

using namespace kelvo::drv;
using kelvo::platform::ModemLine;

extern "C" KELVODRV_API unsigned char ModemStatus(void)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return ctx.ports.current().device.modemStatus().value_or(0);
    });
}

extern "C" KELVODRV_API int32_t SetDTRLine(void)
{
    return kelvo::drv::sealed(static_cast<int32_t>(0), [&]() -> int32_t {
        return ctx.ports.current().device.setModemLine(ModemLine::Dtr, true) ? 1 : 0;
    });
}

extern "C" KELVODRV_API int32_t ClearDTRLine(void)
{
    return kelvo::drv::sealed(static_cast<int32_t>(0), [&]() -> int32_t {
        return ctx.ports.current().device.setModemLine(ModemLine::Dtr, false) ? 1 : 0;
    });
}

extern "C" KELVODRV_API int32_t SetRTSLine(void)
{
    return kelvo::drv::sealed(static_cast<int32_t>(0), [&]() -> int32_t {
        return ctx.ports.current().device.setModemLine(ModemLine::Rts, true) ? 1 : 0;
    });
}

extern "C" KELVODRV_API int32_t ClearRTSLine(void)
{
    return kelvo::drv::sealed(static_cast<int32_t>(0), [&]() -> int32_t {
        return ctx.ports.current().device.setModemLine(ModemLine::Rts, false) ? 1 : 0;
    });
}

// DTR first; RTS only when DTR could be set. The multiplexer gets its pause
// to switch even when no line was changed.
extern "C" KELVODRV_API unsigned char UstawKanalWinseria(unsigned char channel)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        bool switched = false;
        if (const auto lines = multiplexerLines(channel)) {
            kelvo::platform::SerialPort& device = ctx.ports.current().device;
            switched = device.setModemLine(ModemLine::Dtr, lines->dtr) && device.setModemLine(ModemLine::Rts, lines->rts);
        }
        portPause(kChannelSwitchPauseMs);
        return switched ? 1 : 0;
    });
}
