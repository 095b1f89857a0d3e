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

namespace {

// Sets or clears a modem line of the current port; 1 when it changed.
std::int32_t setLine(ModemLine line, bool on)
{
    return kelvo::drv::sealed(static_cast<std::int32_t>(0),
        [&]() -> std::int32_t { return ctx.ports.current().device.setModemLine(line, on) ? 1 : 0; });
}

}

extern "C" KELVODRV_API unsigned char ModemStatus(void)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return ctx.ports.current().device.modemStatus().value_or(0);
    });
}

extern "C" KELVODRV_API int32_t SetDTRLine(void)
{
    return setLine(ModemLine::Dtr, true);
}

extern "C" KELVODRV_API int32_t ClearDTRLine(void)
{
    return setLine(ModemLine::Dtr, false);
}

extern "C" KELVODRV_API int32_t SetRTSLine(void)
{
    return setLine(ModemLine::Rts, true);
}

extern "C" KELVODRV_API int32_t ClearRTSLine(void)
{
    return setLine(ModemLine::Rts, false);
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
