// Line converter frames: the preamble "KELVO", then content bytes packed
// seven to a group behind a group byte that carries their top bits, ending
// with a CRC-16 of the content.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kelvo::drv {

inline constexpr std::uint8_t kPreamble[5] = {'K', 'E', 'L', 'V', 'O'};

// Control byte bits of a frame's second content byte.
inline constexpr std::uint8_t kControlSpeed19200 = 0x08;
inline constexpr std::uint8_t kControlFirstThenData = 0x10;
inline constexpr std::uint8_t kControlRegisterTransaction = 0x20;
inline constexpr std::uint8_t kControlDataFirst = 0x40;

// The line bytes of a frame whose content is the length byte N, then body,
// then the CRC; N is filled in here. Nothing for a body too long for N to
// describe (N counts the line bytes after the preamble, at most 255).
std::optional<std::vector<std::uint8_t>> buildFrame(std::span<const std::uint8_t> body);

// Line bytes taken by n content bytes.
std::size_t packedLength(std::size_t contentBytes);

// Assembles an answer frame from line bytes: finds the preamble (bytes
// before it are skipped), learns the length and tells when the frame is whole.
class FrameReceiver {
public:
    // Takes one line byte; true when the frame is complete.
    bool take(std::uint8_t byte);
    bool somethingReceived() const { return received_; }

    // The unpacked content (N, status, data, CRC) once complete; empty when
    // the CRC does not check.
    std::optional<std::vector<std::uint8_t>> content() const;

private:
    std::vector<std::uint8_t> line_;
    std::size_t matched_ = 0;
    std::size_t expected_ = 0;
    bool received_ = false;
};

// Unpacks the bytes after the preamble.
std::vector<std::uint8_t> unpack(std::span<const std::uint8_t> packed);

}
