// The port layer's state: a table of port records chosen by a selector, the
// pause made around parameter changes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/serial_port.h"

namespace kelvo::drv {

struct PortRecord {
    int handle = 0;  // 0 before the first open, -1 after a close; both mean not open
    std::string deviceName;
    std::uint8_t portNumber = 0;
    bool ctsFlow = false;
    std::uint32_t speed = 0;
    std::uint8_t parity = 0;
    std::uint32_t stopBits = 0;
    std::uint32_t byteSize = 8;
    std::uint32_t writeTimeout = 0;  // seconds
    std::uint32_t readTimeout = 0;   // seconds

    // The open device (its descriptor is the handle), the time-outs in force
    // on it, and the error counts that were last looked at.
    platform::SerialPort device;
    std::uint64_t writeTimeoutMs = 0;
    std::uint64_t readTimeoutMs = 0;
    platform::LineErrorCounts seenErrors;

    bool isOpen() const { return handle != 0 && handle != -1; }
};

// Selectors 0 to 254 choose a record; the selector is never set outside them.
struct PortLayerState {
    static constexpr std::size_t kRecordCount = 255;
    std::array<PortRecord, kRecordCount> records;
    std::uint8_t selector = 1;
    std::uint8_t delayMs = 100;

    static bool validSelector(std::uint8_t index) { return index < kRecordCount; }
    // The record of a selector, nothing for one outside the range.
    const PortRecord* record(std::uint8_t index) const { return validSelector(index) ? &records[index] : nullptr; }
    PortRecord& current() { return records[selector]; }
};

}
