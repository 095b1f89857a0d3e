// The serial backends: a COM port to the register, possibly through a line
// multiplexer whose channel is selected at open, or to a line converter.
#include <kelvo/kelvodrv.h>
#include <thread>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/channel_selection.h"
#include "driver/transport/link_operations.h"
#include "driver/transport/link_trace.h"
#include "driver/transport/network_serial_server.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kChannelSequenceStart = 0xFE;
constexpr std::uint8_t kCarrierDetect = 0x80;

// Lets the multiplexer follow a change of its control lines.
void waitForMultiplexer()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Lines of a four-channel multiplexer switched by DTR and RTS.
void selectByLines(std::uint8_t channel)
{
    switch (channel) {
    case 1: ClearDTRLine(); setMultiplexerRts(true); break;
    case 2: SetDTRLine(); setMultiplexerRts(true); break;
    case 3: ClearDTRLine(); setMultiplexerRts(false); break;
    case 4: SetDTRLine(); setMultiplexerRts(false); break;
    default: break;
    }
}

// A multiplexer addressed by 0xFE and the channel while RTS is set.
void selectByByteSequence(std::uint8_t channel)
{
    bool ok = CharSent() != 0;
    setMultiplexerRts(true);
    ok = ok && WriteByte(kChannelSequenceStart) != 0 && WriteByte(channel) != 0 && CharSent() != 0;
    setMultiplexerRts(false);
    if (!ok)
        failWith(condition::ChannelSwitching);
}

// Every way but the register request, which needs the request engine and is
// made above the link once it is open.
void selectChannel()
{
    const ConnectionSettings& c = ctx.connection;
    switch (channelSelection(ctx.route, c.portNumber)) {
    case ChannelSelection::NetworkServer:
        configureNetworkSerialServer(forwardingAddress(c.portNumber), c.channel == 0 ? 1 : c.channel, c.speed);
        break;
    case ChannelSelection::Lines: selectByLines(c.channel); break;
    case ChannelSelection::ByteSequence: selectByByteSequence(c.channel); break;
    case ChannelSelection::Request: case ChannelSelection::None: break;
    }
}

bool openSerialWith(std::uint32_t writeTimeout, std::uint32_t readTimeout)
{
    const ConnectionSettings& c = ctx.connection;
    UstawCTS(ctx.link.ctsFlow ? 1 : 0);
    if (InitializePort(c.portNumber, c.speed, writeTimeout, readTimeout) != 0)
        return false;
    if (ChangeParity(c.lineParity) != 0)
        selectChannel();
    else
        failWith(condition::PortOpen);
    if (isSuccess())
        return true;
    UnInitializePort();
    return false;
}

bool openSerial()
{
    return openSerialWith(ctx.connection.writeTimeout, ctx.connection.readTimeout);
}

// A line converter's port runs with the time-out of the extended settings.
bool openConverterSerial()
{
    return openSerialWith(ctx.connection.extendedTimeout, ctx.connection.extendedTimeout);
}

void closeSerial()
{
    ClearPort();
    UnInitializePort();
}

bool sendSerial(std::span<const std::uint8_t> bytes)
{
    for (std::uint8_t byte : bytes)
        if (WriteByte(byte) == 0)
            return false;
    return true;
}

bool receiveSerial(std::uint8_t& byte, std::uint8_t timeoutCondition)
{
    if (ReadByte(&byte) != 0)
        return true;
    failWith(timeoutCondition);
    return false;
}

void purgeSerial()
{
    ClearPort();
}

bool serialAlive()
{
    return ctx.ports.current().device.usable();
}

bool serialSent()
{
    return CharSent() != 0;
}

// A line converter that has lost its carrier cannot pass a frame on.
bool converterCarrier()
{
    if ((ModemStatus() & kCarrierDetect) != 0)
        return true;
    failWith(condition::CarrierOff);
    return false;
}

}

void setMultiplexerRts(bool on)
{
    on ? SetRTSLine() : ClearRTSLine();
    waitForMultiplexer();
}

ChannelSelection channelSelection(const LinkRoute& route, std::uint8_t portNumber)
{
    if (route.channelSelect && !forwardingAddress(portNumber).empty())
        return ChannelSelection::NetworkServer;
    switch (route.channelSwitching) {
    case 1: return ChannelSelection::Lines;
    case 2: return ChannelSelection::ByteSequence;
    case 3: return ChannelSelection::Request;
    default: return ChannelSelection::None;
    }
}

const LinkOperations kSerialLine {openSerial, closeSerial, tracedSend<sendSerial>, tracedReceive<receiveSerial>, purgeSerial, serialSent,
    nothingToDo, condition::ReceiveTimeout, nothingToDo, noTransaction, false, serialAlive};

const LinkOperations kConverterSerialLine {openConverterSerial, closeSerial, tracedSend<sendSerial>, tracedReceive<receiveSerial>, purgeSerial,
    serialSent, converterCarrier, condition::ConverterSilent, nothingToDo, noTransaction, false, serialAlive};

}
