// One line per request the simulator served, so that a test can read what
// the driver sent and how often:
//   cmd=154 data=[10 00] answer=[06] [7C 12 01 ...] fault=bad-checksum
//   converter=6 data=[] status=00
//   udp="PBR3" answer=A
#pragma once

#include "simulator/bytes.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kelvo::sim {

class RequestLog {
public:
    RequestLog() = default;  // logs nothing
    explicit RequestLog(const std::string& path);

    bool enabled() const { return file_ != nullptr; }

    void request(std::uint8_t command, std::span<const std::uint8_t> data, std::span<const std::uint8_t> first,
                 std::span<const std::uint8_t> second, std::string_view fault);
    void converter(std::uint8_t type, std::span<const std::uint8_t> data, std::uint8_t status);
    void netSerial(std::string_view text, char answer);
    void line(const std::string& text);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

}
