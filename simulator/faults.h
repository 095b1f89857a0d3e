// Faults the simulated register (or its converter) shows on purpose, set on
// the command line (--fault KIND:ARGS) or in a scenario's "faults" list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::sim {

enum class FaultKind : std::uint8_t {
    Nak,           // answer NAK to the command
    Silent,        // give no answer at all, so the driver times out
    Status,        // answer the command with the given status byte
    Garbage,       // send `value` random bytes before the answer
    Drop,          // leave out the answer byte at position `value` (0 = first)
    HangUp,        // hang up after `value` bytes of the answer
    BadChecksum,   // record `target` reads with a wrong check value
    ConverterCrc,  // converter answer frames carry a broken CRC
    ConverterParts,// converter answers go out in parts of `value` bytes with "more follows"
    ReportCrc,     // the text block of a printed report carries a broken CRC
    ReportOversized, // a printed report answer runs past 10 MiB without its end
    ChangedRecord, // record `target` reads valid but one amount differs from the memory's
};

constexpr std::uint32_t always = 0xFFFFFFFF;

struct Fault {
    FaultKind kind = FaultKind::Nak;
    std::uint32_t target = 0;      // command code, or record index for BadChecksum
    std::uint32_t value = 0;       // status byte, byte count, position or part size
    std::uint32_t times = always;  // how many matching requests (or record reads) it affects
    bool varying = false;          // BadChecksum: a different wrong value on every read
};

// Parses "nak:154", "nak:154:2", "status:154:134", "bad-checksum:17:3",
// "bad-checksum:17:vary", "garbage:53:4", "drop:53:0", "hang-up:154:10",
// "silent:53:1", "converter-crc:2", "converter-parts:16", "report-crc",
// "report-oversized", "changed-record:17" (each with an optional count of reports). Throws
// std::invalid_argument with a message on a malformed text.
Fault parseFault(std::string_view text);

std::string_view faultKindName(FaultKind kind);
std::optional<FaultKind> faultKindFromName(std::string_view name);

// The faults of a run and how often each has fired.
class FaultSet {
public:
    FaultSet() = default;
    explicit FaultSet(std::vector<Fault> faults);

    // The first fault of this kind for the command that still has uses left;
    // using it counts one use.
    const Fault* take(FaultKind kind, std::uint32_t target);

    // Whether a fault of the kind exists at all (for ConverterParts and the
    // like, which apply to every frame).
    const Fault* find(FaultKind kind) const;

    // The wrong-check XOR value for a read of the record, or 0 when the read
    // is to be correct. Counts the read.
    std::uint8_t checksumDamage(std::uint32_t recordIndex);

    // Whether reads of the record answer a changed amount.
    bool recordChanged(std::uint32_t recordIndex) const;

    const std::vector<Fault>& faults() const { return faults_; }

private:
    std::vector<Fault> faults_;
    std::vector<std::uint32_t> used_;
};

}
