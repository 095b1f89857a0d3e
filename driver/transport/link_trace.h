// A trace of every byte on the link, for a technician: off unless the
// environment variable KELVO_TRACE names a file, to which one line per burst
// is appended:
//   8123456.789 TX req=3 cmd=154 1B 9A 10 00 |....|
// (monotonic milliseconds, direction, the request the bytes belong to, hex
// and printable characters). Every backend's plain line sends and receives
// through the wrappers below, so framed and unframed bytes alike are traced.
// Bytes received are gathered in memory and written when the burst ends (the
// next send, a time-out, the next request or the link's close), so that the
// trace costs no time while the register answers.
#pragma once

#include <cstdint>
#include <span>

namespace kelvo::drv {

inline constexpr char kTraceVariable[] = "KELVO_TRACE";

// At a link's open: opens the trace file when one is asked for and names the
// command and its configuration line.
void traceLinkOpened();
// A command that finds the port kept open by the one before it.
void traceLinkKept();

// At a link's close: writes what is pending and closes the file.
void traceLinkClosed();

// A request to the register begins: later bytes belong to it.
void traceRequest(std::uint8_t command);

void traceSent(std::span<const std::uint8_t> bytes);
void traceReceived(std::uint8_t byte);
void traceSilence();

template <bool (*Send)(std::span<const std::uint8_t>)>
bool tracedSend(std::span<const std::uint8_t> bytes)
{
    traceSent(bytes);
    return Send(bytes);
}

template <bool (*Receive)(std::uint8_t&, std::uint8_t)>
bool tracedReceive(std::uint8_t& byte, std::uint8_t timeoutCondition)
{
    const bool received = Receive(byte, timeoutCondition);
    received ? traceReceived(byte) : traceSilence();
    return received;
}

}
