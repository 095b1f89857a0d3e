// Moving bytes over the port of the current selector, and the line error
// flags a failed or timed-out transfer leaves for the result code mapping.
#include "driver/core/sealed.h"
#include "driver/transport/port_layer.h"

#include <chrono>
#include <span>

#include "kelvo/kelvodrv.h"

namespace kelvo::drv {

namespace {

// Line errors do not fail a read or write here (the bytes are dropped), so
// they show when a transfer fails or runs out of time.
void noteLineErrors(PortRecord& port)
{
    if (const auto counts = port.device.errorCounts()) {
        ctx.lineErrors = lineErrorsBetween(port.seenErrors, *counts);
        port.seenErrors = *counts;
    }
}

}

std::uint32_t charSentPauseMs(std::uint32_t speed)
{
    switch (speed) {
    case 300: return 64;
    case 600: return 32;
    case 1200: return 16;
    case 2400: return 8;
    case 4800: return 4;
    case 9600:
    case 14400: return 2;
    default: return 1;
    }
}

LineErrorFlags lineErrorsBetween(const platform::LineErrorCounts& before, const platform::LineErrorCounts& after)
{
    return {after.overrun != before.overrun, after.parity != before.parity, after.framing != before.framing};
}

}

using namespace kelvo::drv;

// At most 255 bytes a call: the count is taken modulo 256. The write time-out
// covers the bytes leaving the port; 0 sets no limit.
extern "C" KELVODRV_API unsigned char WriteBytes(const unsigned char* buffer, uint32_t count)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        ctx.lineErrors = {};
        PortRecord& port = ctx.ports.current();
        if (!port.isOpen())
            return 0;
        const std::size_t length = count % 256;
        if (length > 0 && buffer == nullptr)
            return 0;
        const std::size_t written =
            port.device.write(std::span(buffer, length), std::chrono::milliseconds(port.writeTimeoutMs));
        if (written == length)
            return 1;
        noteLineErrors(port);
        return 0;
    });
}

extern "C" KELVODRV_API unsigned char WriteByte(unsigned char byte)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return WriteBytes(&byte, 1);
    });
}

extern "C" KELVODRV_API unsigned char ReadByte(unsigned char* byte)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        ctx.lineErrors = {};
        PortRecord& port = ctx.ports.current();
        if (!port.isOpen() || byte == nullptr)
            return 0;
        std::uint8_t received = 0;
        if (port.device.readByte(received, std::chrono::milliseconds(port.readTimeoutMs)) == kelvo::platform::ReadOutcome::Byte) {
            *byte = received;
            return 1;
        }
        noteLineErrors(port);
        return 0;
    });
}

extern "C" KELVODRV_API unsigned char CharSent(void)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        PortRecord& port = ctx.ports.current();
        if (!port.device.drain())
            return 0;
        portPause(charSentPauseMs(port.speed));
        return 1;
    });
}
