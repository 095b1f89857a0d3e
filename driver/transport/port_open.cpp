// Opening, configuring and closing the port of the current selector.
#include "driver/core/sealed.h"
#include "driver/transport/port_layer.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "driver/files/text.h"
#include "kelvo/kelvodrv.h"
#include "platform/port_map.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kDefaultDelayMs = 100;
constexpr std::int32_t kNotOpen = 2;
constexpr std::uint8_t kEvenParity = 2;
constexpr std::uint8_t kHighestParity = 4;  // space
constexpr std::uint32_t kOneStopBit = 0;

void applyTimeoutSeconds(PortRecord& port)
{
    port.writeTimeoutMs = std::uint64_t {port.writeTimeout} * 1000;
    port.readTimeoutMs = std::uint64_t {port.readTimeout} * 1000;
}

}

std::string portDeviceName(std::string_view kind, std::uint8_t number)
{
    return R"(\\.\)" + std::string(kind) + std::to_string(number);
}

void setPortTimeoutSeconds(std::uint32_t writeTimeout, std::uint32_t readTimeout)
{
    PortRecord& port = ctx.ports.current();
    port.writeTimeout = writeTimeout;
    port.readTimeout = readTimeout;
    applyTimeoutSeconds(port);
}

void portPause(std::uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}

using namespace kelvo::drv;

// Opens the device without touching its line parameters; the time-outs in
// seconds are those of the record until SetSerialParameters or MsSetTimeouts.
extern "C" KELVODRV_API int32_t pInitializeAnyPort(const char* deviceName, unsigned char portNumber, unsigned char cts,
    uint32_t speed, unsigned char parity, uint32_t stopBits, uint32_t byteSize, uint32_t writeTimeout,
    uint32_t readTimeout)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        PortRecord& port = ctx.ports.current();
        port.deviceName = std::string(bufferText(deviceName));
        port.portNumber = portNumber;
        port.ctsFlow = cts != 0;
        port.speed = speed;
        port.parity = parity;
        port.stopBits = stopBits;
        port.byteSize = byteSize;
        port.writeTimeout = writeTimeout;
        port.readTimeout = readTimeout;
        if (!port.device.open(kelvo::platform::portDevicePath(port.deviceName))) {
            port.handle = kClosedHandle;
            return 1;
        }
        port.handle = port.device.descriptor();
        applyTimeoutSeconds(port);
        port.seenErrors = port.device.errorCounts().value_or(kelvo::platform::LineErrorCounts {});
        portPause(ctx.ports.delayMs);
        return 0;
    });
}

// 0, 2 when the port is not open, else the system error number.
extern "C" KELVODRV_API int32_t SetSerialParameters(void)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        PortRecord& port = ctx.ports.current();
        if (!port.isOpen())
            return kNotOpen;
        if (port.parity > kHighestParity || port.stopBits != kOneStopBit || port.byteSize != 8)
            return EINVAL;
        const kelvo::platform::LineSettings settings {port.speed, static_cast<kelvo::platform::Parity>(port.parity), port.ctsFlow};
        if (const int error = port.device.configure(settings); error != 0)
            return error;
        applyTimeoutSeconds(port);
        // Errors counted before these parameters belong to no read or write.
        port.seenErrors = port.device.errorCounts().value_or(port.seenErrors);
        portPause(ctx.ports.delayMs);
        return 0;
    });
}

// The process priority is not raised on this platform: the kernel buffers the
// line's bytes whenever the program runs, and a real-time class would need
// privileges a desktop user does not have.
extern "C" KELVODRV_API int32_t pInitializePort(unsigned char portNumber, uint32_t speed, uint32_t writeTimeout,
    uint32_t readTimeout, unsigned char parity)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        const std::string name = portDeviceName("COM", portNumber);
        const int32_t opened = pInitializeAnyPort(name.c_str(), portNumber, ctx.link.ctsFlow ? 1 : 0, speed, parity,
            kOneStopBit, 8, writeTimeout, readTimeout);
        if (opened != 0)
            return opened;
        return SetSerialParameters();
    });
}

extern "C" KELVODRV_API int32_t InitializePort(unsigned char portNumber, uint32_t speed, uint32_t writeTimeout,
    uint32_t readTimeout)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        return pInitializePort(portNumber, speed, writeTimeout, readTimeout, kEvenParity);
    });
}

extern "C" KELVODRV_API int32_t pInitializeLPTPort(unsigned char portNumber, uint32_t speed, uint32_t writeTimeout,
    uint32_t readTimeout)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        const std::string name = portDeviceName("LPT", portNumber);
        const int32_t opened =
            pInitializeAnyPort(name.c_str(), portNumber, 1, speed, kEvenParity, kOneStopBit, 8, writeTimeout, readTimeout);
        if (opened != 0)
            return opened;
        return SetSerialParameters();
    });
}

// The descriptor is released even when close reports an error, so the record
// never keeps it; closing a port that is not open succeeds.
extern "C" KELVODRV_API int32_t UnInitializePort(void)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        ctx.ports.delayMs = kDefaultDelayMs;
        PortRecord& port = ctx.ports.current();
        const int error = port.device.close();
        port.handle = kClosedHandle;
        return error;
    });
}

// Milliseconds, where the open operations take seconds; the record keeps its
// seconds, which the next SetSerialParameters applies again.
extern "C" KELVODRV_API unsigned char MsSetTimeouts(uint32_t writeTimeoutMs, uint32_t readTimeoutMs)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        PortRecord& port = ctx.ports.current();
        if (!port.isOpen())
            return 0;
        port.writeTimeoutMs = writeTimeoutMs;
        port.readTimeoutMs = readTimeoutMs;
        return 1;
    });
}

extern "C" KELVODRV_API int32_t UstawCTS(unsigned char cts)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        ctx.ports.current().ctsFlow = cts != 0;
        return ctx.ports.selector;
    });
}

extern "C" KELVODRV_API int32_t ClearPort(void)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        PortRecord& port = ctx.ports.current();
        if (!port.isOpen())
            return kNotOpen;
        return port.device.purge();
    });
}

extern "C" KELVODRV_API unsigned char ChangeParity(unsigned char parity)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        ClearPort();
        portPause(ctx.ports.delayMs);
        ctx.ports.current().parity = parity;
        return SetSerialParameters() == 0 ? 1 : 0;
    });
}

extern "C" KELVODRV_API unsigned char ChangeSpeedWinseria(uint32_t speed)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        ClearPort();
        portPause(ctx.ports.delayMs);
        ctx.ports.current().speed = speed;
        return SetSerialParameters() == 0 ? 1 : 0;
    });
}

extern "C" KELVODRV_API int32_t SetPortDelay(unsigned char milliseconds)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        ctx.ports.delayMs = milliseconds;
        return milliseconds;
    });
}
