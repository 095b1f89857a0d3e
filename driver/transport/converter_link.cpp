#include "driver/transport/converter_link.h"

#include <kelvo/kelvodrv.h>
#include <vector>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/converter_frame.h"
#include "driver/transport/link_backend.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kCarrierDetect = 0x80;
constexpr std::uint8_t kResendAnswer = 6;
constexpr std::uint8_t kSendIdentifier = 3;
constexpr std::uint8_t kSendWriteTimeout = 4;
constexpr std::uint8_t kSendReadTimeout = 5;
constexpr std::uint8_t kNextPart = 8;
// Line bytes an answer may take before it counts as garbage: the longest
// frame is about 300 bytes.
constexpr std::size_t kMaxLineBytes = 1024;

const LinkBackend& lineBackend()
{
    return ctx.link.openedKind == LinkKind::Tcp ? tcpBackend() : serialBackend();
}

bool carrierPresent()
{
    if (ctx.link.openedKind != LinkKind::ConverterSerial || (ModemStatus() & kCarrierDetect) != 0)
        return true;
    failWith(condition::CarrierOff);
    return false;
}

bool sendFrame(std::span<const std::uint8_t> body)
{
    if (!carrierPresent())
        return false;
    const std::vector<std::uint8_t> line = buildFrame(body);
    if (ctx.link.openedKind == LinkKind::Tcp)
        return lineBackend().send(line);
    for (std::uint8_t byte : line)
        if (WriteByte(byte) == 0) {
            failWith(condition::FrameWrite);
            return false;
        }
    return true;
}

void storeAnswerData(std::span<const std::uint8_t> data, bool appending)
{
    ConverterData& converter = ctx.request.converter;
    if (!appending) {
        converter.data.clear();
        converter.position = 0;
    }
    if (converter.data.size() + data.size() > ConverterData::kMaxData) {
        failWith(condition::AnswerTooShort);
        return;
    }
    converter.data.insert(converter.data.end(), data.begin(), data.end());
}

void judgeStatus(std::uint8_t status, bool appending)
{
    if (status == 0)
        return;
    const std::uint8_t low = status & 0x0F;
    if (low >= 1 && low <= 4)
        failWith(static_cast<std::uint8_t>(condition::ConverterStatus1 + low - 1));
    else if (status & 0x10)
        failWith(condition::ConverterIdentifier);
    else if (status & 0x20)
        failWith(condition::ConverterWriteTimeout);
    else if (status & 0x40)
        failWith(condition::ConverterReadTimeout);
    else if (low == 5)
        failWith(condition::TransmitTimeout);
    else if (low == 6)
        failWith(condition::ReceiveTimeout);
    else if (low == 7)
        failWith(condition::ConverterStatus7);
    else if (low == 8 && !appending) {
        ctx.request.converter.continuation = true;
        failWith(condition::MoreParts);
    } else if (low != 8)
        failWith(condition::ConverterStatusOther);
}

void receiveFrame()
{
    ConverterData& converter = ctx.request.converter;
    converter.somethingReceived = false;
    if (!carrierPresent())
        return;
    FrameReceiver receiver;
    std::uint8_t byte = 0;
    for (std::size_t taken = 0;; ++taken) {
        if (taken == kMaxLineBytes) {
            failWith(condition::ConverterCrc);
            return;
        }
        if (!lineBackend().receive(byte, condition::ConverterSilent))
            return;
        converter.somethingReceived = true;
        if (receiver.take(byte))
            break;
    }
    const auto content = receiver.content();
    if (!content) {
        failWith(condition::ConverterCrc);
        return;
    }
    const bool appending = converter.continuation;
    converter.continuation = false;
    storeAnswerData(std::span(*content).subspan(2, content->size() - 4), appending);
    if (isSuccess())
        judgeStatus((*content)[1], appending);
}

std::size_t commandDataLength(std::uint8_t type)
{
    switch (type) {
    case 2: case 3: return 8;
    case 4: case 5: case 9: return 2;
    case 7: return 1;
    default: return 0;
    }
}

std::vector<std::uint8_t> twoBytes(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF)};
}

// Repairs a failed transaction; true when the answer then stands complete.
bool repair(unsigned& repeats, unsigned& faults, bool (&settingSent)[3])
{
    const std::uint8_t remembered = ctx.outcome.resultCode;
    const unsigned limit = ctx.connection.linkParameter;
    for (;;) {
        const std::uint8_t error = ctx.outcome.resultCode;
        if (error == condition::ConverterCrc || error == condition::ConverterSilent) {
            if (repeats == limit || (error == condition::ConverterSilent && !ctx.request.converter.somethingReceived))
                break;
            storeCondition(condition::Success);
            converterCommand(kResendAnswer, {});
            ++repeats;
        } else if (error == condition::ConverterStatus1) {
            if (faults == limit)
                break;
            storeCondition(condition::Success);
            ++faults;
        } else if (error >= condition::ConverterIdentifier && error <= condition::ConverterReadTimeout) {
            // Each setting is sent once per transaction, so a converter that keeps
            // asking cannot hold the driver.
            bool& sent = settingSent[error - condition::ConverterIdentifier];
            if (sent)
                break;
            sent = true;
            storeCondition(condition::Success);
            if (error == condition::ConverterIdentifier)
                converterCommand(kSendIdentifier,
                    std::span(reinterpret_cast<const std::uint8_t*>(ctx.connection.linkIdentifier.data()),
                        ctx.connection.linkIdentifier.size()));
            else
                converterCommand(error == condition::ConverterWriteTimeout ? kSendWriteTimeout : kSendReadTimeout,
                    twoBytes(error == condition::ConverterWriteTimeout ? ctx.connection.writeTimeout
                                                                       : ctx.connection.readTimeout));
        } else if (error == condition::MoreParts) {
            storeCondition(condition::Success);
            converterCommand(kNextPart, {});
        } else {
            break;
        }
    }
    if (!isSuccess())
        return true;
    return remembered == condition::ConverterCrc || remembered == condition::MoreParts
        || remembered == condition::ConverterSilent;
}

}

std::uint8_t lineControl()
{
    const ConnectionSettings& c = ctx.connection;
    std::uint8_t control = static_cast<std::uint8_t>((c.lineChannel - 1) & 0x07);
    if (c.lineSpeed == 19200)
        control |= kControlSpeed19200;
    return control;
}

std::uint8_t transactionControl(bool firstThenData, bool dataFirst)
{
    std::uint8_t control = static_cast<std::uint8_t>(lineControl() | kControlRegisterTransaction);
    if (firstThenData)
        control |= kControlFirstThenData;
    if (dataFirst)
        control |= kControlDataFirst;
    return control;
}

void converterTransaction(std::span<const std::uint8_t> body)
{
    unsigned repeats = 0;
    unsigned faults = 0;
    bool settingSent[3] {};
    for (;;) {
        if (!sendFrame(body))
            return;
        receiveFrame();
        if (isSuccess() || repair(repeats, faults, settingSent))
            return;
    }
}

void converterCommand(std::uint8_t type, std::span<const std::uint8_t> data)
{
    if (type == 0 || type > 9) {
        failWith(condition::ConverterStatus2);
        return;
    }
    std::vector<std::uint8_t> body {lineControl(), 0, 0, 0, type};
    const std::size_t length = commandDataLength(type);
    for (std::size_t i = 0; i < length; ++i)
        body.push_back(i < data.size() ? data[i] : 0);
    if (sendFrame(body))
        receiveFrame();
}

bool converterByte(std::uint8_t& byte)
{
    ConverterData& converter = ctx.request.converter;
    if (converter.position >= converter.data.size()) {
        byte = 0;
        failWith(condition::AnswerTooShort);
        return false;
    }
    byte = converter.data[converter.position++];
    return true;
}

}
