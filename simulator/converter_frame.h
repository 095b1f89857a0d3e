// Line converter frames: the preamble "KELVO", then the content packed seven
// bytes to a group (a group byte carrying their top bits, then the bytes with
// bit 7 set), with a CRC-16 over the content sent low byte first. The first
// content byte is N, the number of line bytes after the preamble.
#pragma once

#include "simulator/bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace kelvo::sim {

constexpr std::array<std::uint8_t, 5> framePreamble{'K', 'E', 'L', 'V', 'O'};

// The line bytes of a frame whose content (after N, before the CRC) is given.
// Throws std::length_error when the frame would exceed 255 line bytes.
Bytes packFrame(std::span<const std::uint8_t> payload);

// Largest payload a frame can carry.
constexpr std::size_t maxFramePayload = 220;

struct ReceivedFrame {
    Bytes content;   // unpacked, N first, CRC last
    bool crcGood = false;
};

// Collects frames from a byte stream. A byte that does not continue the
// preamble starts the match again; a line byte without bit 7 drops the frame.
class FrameReader {
public:
    std::optional<ReceivedFrame> feed(std::uint8_t byte);
    void reset();
    bool idle() const { return line_.empty(); }

private:
    Bytes line_;          // bytes of the frame after the preamble
    std::size_t matched_ = 0;
    std::size_t expected_ = 0;
};

// Unpacks the line bytes after the preamble.
Bytes unpackLine(std::span<const std::uint8_t> line);

}
