// The serial backend: a COM port to the register, possibly through a line
// multiplexer whose channel is selected at open, or to a line converter.
#include <kelvo/kelvodrv.h>
#include <thread>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/link_backend.h"
#include "driver/transport/network_serial_server.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kChannelSequenceStart = 0xFE;
constexpr std::uint8_t kChannelSelectCommand = 1;

void pause50()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void setRts(bool on)
{
    on ? SetRTSLine() : ClearRTSLine();
    pause50();
}

// Lines of a four-channel multiplexer switched by DTR and RTS.
void selectByLines(std::uint8_t channel)
{
    switch (channel) {
    case 1: ClearDTRLine(); setRts(true); break;
    case 2: SetDTRLine(); setRts(true); break;
    case 3: ClearDTRLine(); setRts(false); break;
    case 4: SetDTRLine(); setRts(false); break;
    default: break;
    }
}

// A multiplexer addressed by 0xFE and the channel while RTS is set.
void selectByByteSequence(std::uint8_t channel)
{
    bool ok = CharSent() != 0;
    setRts(true);
    ok = ok && WriteByte(kChannelSequenceStart) != 0 && WriteByte(channel) != 0 && CharSent() != 0;
    setRts(false);
    if (!ok)
        failWith(condition::ChannelSwitching);
}

// A multiplexer addressed by a register request at 9600 bit/s.
void selectByRequest(std::uint8_t channel)
{
    const std::uint32_t speed = ctx.connection.speed;
    bool ok = CharSent() != 0;
    ChangeSpeedWinseria(9600);
    setRts(true);
    ctx.request.buffer.requestData(1) = channel;
    runRequestOnLine(kChannelSelectCommand, 0, 1, 0);
    ok = ok && CharSent() != 0;
    setRts(false);
    ChangeSpeedWinseria(speed);
    if (!ok)
        failWith(condition::ChannelSwitching);
}

void selectChannel()
{
    const ConnectionSettings& c = ctx.connection;
    if (ctx.route.channelSelect) {
        const std::string address = forwardingAddress(c.portNumber);
        if (!address.empty()) {
            configureNetworkSerialServer(address, c.channel == 0 ? 1 : c.channel, c.speed);
            return;
        }
    }
    switch (ctx.route.channelSwitching) {
    case 1: selectByLines(c.channel); break;
    case 2: selectByByteSequence(c.channel); break;
    case 3: selectByRequest(c.channel); break;
    default: break;
    }
}

bool openSerial()
{
    const ConnectionSettings& c = ctx.connection;
    const bool converter = ctx.route.kind == LinkKind::ConverterSerial;
    const std::uint32_t writeTimeout = converter ? c.extendedTimeout : c.writeTimeout;
    const std::uint32_t readTimeout = converter ? c.extendedTimeout : c.readTimeout;
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

constexpr LinkBackend kSerial {openSerial, closeSerial, sendSerial, receiveSerial, purgeSerial};

}

const LinkBackend& serialBackend()
{
    return kSerial;
}

}
