// Questions about ports: the selector, what a record holds, whether a port
// exists, and where a virtual serial port forwards to.
#include "driver/core/sealed.h"
#include "driver/transport/port_layer.h"

#include <algorithm>
#include <array>

#include "kelvo/kelvodrv.h"
#include "platform/port_map.h"
#include "platform/vsp_list.h"

using namespace kelvo::drv;

extern "C" KELVODRV_API int32_t SetComSelector(unsigned char selector)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        // A selector outside the records is refused rather than taken for another one.
        if (!PortLayerState::validSelector(selector))
            return -1;
        ctx.ports.selector = selector;
        return selector;
    });
}

extern "C" KELVODRV_API int32_t GetComSelector(unsigned char* selector)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        if (selector != nullptr)
            *selector = ctx.ports.selector;
        return ctx.ports.selector;
    });
}

extern "C" KELVODRV_API int32_t GetCOMNumber(unsigned char selector, unsigned char* portNumber)
{
    return kelvo::drv::sealed(static_cast<int32_t>(0), [&]() -> int32_t {
        const PortRecord* port = ctx.ports.record(selector);
        const unsigned char number = port != nullptr && port->isOpen() ? port->portNumber : 0;
        if (portNumber != nullptr)
            *portNumber = number;
        return number;
    });
}

extern "C" KELVODRV_API int32_t GetCOMHandle(unsigned char selector)
{
    return kelvo::drv::sealed(static_cast<int32_t>(-1), [&]() -> int32_t {
        const PortRecord* port = ctx.ports.record(selector);
        return port != nullptr && port->isOpen() ? port->handle : kClosedHandle;
    });
}

extern "C" KELVODRV_API int32_t GetSpeed(unsigned char selector)
{
    return kelvo::drv::sealed(static_cast<int32_t>(0), [&]() -> int32_t {
        const PortRecord* port = ctx.ports.record(selector);
        return port != nullptr && port->isOpen() ? static_cast<int32_t>(port->speed) : 0;
    });
}

// A port that this or another program holds open counts as not present, as
// the exclusive open that tests it is refused.
extern "C" KELVODRV_API unsigned char SerialPortPresent(unsigned char portNumber)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        kelvo::platform::SerialPort probe;
        return probe.open(kelvo::platform::portDevicePath(portDeviceName("COM", portNumber))) ? 1 : 0;
    });
}

// The caller reads the text after the call returns, so it lives here until
// the next call.
extern "C" KELVODRV_API const char* PIPAdress(unsigned char portNumber)
{
    return kelvo::drv::sealed(static_cast<const char*>(""), [&]() -> const char* {
        static std::array<char, 256> text {};
        const std::string address = kelvo::platform::forwardingAddress("COM" + std::to_string(portNumber));
        const std::size_t length = std::min(address.size(), text.size() - 1);
        address.copy(text.data(), length);
        text[length] = '\0';
        return text.data();
    });
}
