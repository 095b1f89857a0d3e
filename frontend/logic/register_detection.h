// Autodetection: finds the register among the serial devices present. Each
// device is tried at the four speeds, the fastest first, with the register
// number command and a short time-out, through the port map line of the
// window's COM number; the first register that answers ends the search.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frontend/logic/connection_choice.h"
#include "frontend/logic/driver_call.h"
#include "platform/serial_devices.h"

namespace kelvo::frontend {

// The port time-out of a try, in seconds: the shortest the configuration
// line can say. A register at the right speed answers within milliseconds; a
// silent line costs two waits (the first request is sent twice).
inline constexpr std::int32_t kProbeTimeout = 1;

struct DetectionEvents {
    std::function<void(const std::string& device, std::int32_t speed)> trying;
    // A device that cannot be used now, with the reason in Polish; it is not tried.
    std::function<void(const std::string& device, const std::string& reason)> skipped;
    std::function<bool()> cancelled;   // asked before each try
    CommandRunner runCommand = runHere;
};

enum class DetectionOutcome { Found, NotFound, Cancelled };

struct Detection {
    DetectionOutcome outcome = DetectionOutcome::NotFound;
    std::int32_t port = 0;         // the COM number that leads to the register
    std::string device;            // the device it leads to
    int speedItem = 0;             // index into kSpeeds
    std::uint8_t registerNumber = 1;
    int devicesTried = 0;
};

// One name for each device, the by-id link where there is one, in the list's order.
std::vector<platform::SerialDevice> devicesToTry(const std::vector<platform::SerialDevice>& devices);

// Tries the devices with the choice's connection kind and channel. While it
// tries, COM<choice.port> leads to the device being tried; afterwards the port
// map and KONFIG.TXT are as they were, except that when a register answered
// and no COM number led to its device before, COM<choice.port> now leads
// there. The choice's own port and speed are not used. It leaves the
// environment alone: run it through withPortVariableSetAside.
Detection detectRegister(const ConnectionChoice& choice, const std::vector<platform::SerialDevice>& devices,
    const DetectionEvents& events);

// Runs a search with a KELVO_COM<port> variable, which would count over the
// port's map line, set aside, and puts it back afterwards unless the search
// found the register. The search may run beside the window, so the
// environment is changed only here, on the caller's thread, before and after it.
Detection withPortVariableSetAside(std::int32_t port, const std::function<Detection()>& search);

// The speeds a search tries, in its order: "57600, 28800, 19200 i 9600 b/s".
std::string detectionSpeedsText();

// "znaleziono kasę: COM3 → /dev/ttyUSB0, 57600 b/s, numer kasy 1".
std::string detectionText(const Detection& found);

}
