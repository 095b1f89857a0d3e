#include "driver/transport/converter_link.h"

#include <algorithm>
#include <kelvo/kelvodrv.h>
#include <vector>

#include "driver/core/context.h"
#include "driver/core/control_bytes.h"
#include "driver/core/result_codes.h"
#include "driver/files/configuration.h"
#include "driver/transport/converter_frame.h"
#include "driver/transport/link_operations.h"

namespace kelvo::drv {

namespace {

// Converter command types: the settings the converter asks for, the
// repair's requests, and those the driver does not send itself; types above
// the last are refused.
enum ConverterCommand : std::uint8_t {
    SendIdentifier = 3, SendWriteTimeout = 4, SendReadTimeout = 5, SetLine = 9,
    ResendAnswer = 6, NextPart = 8,
    SetIdentifier = 2, OneByteCommand = 7,
    LastCommandType = SetLine,
};

// The answer status: a code in the low four bits (1 to 4 are the
// converter's own faults), and three bits by which the converter asks for
// one of its settings.
enum StatusCode : std::uint8_t { FirstFault = 1, LastFault = 4, SendFailed = 5, NoAnswer = 6, Code7 = 7, MoreParts = 8 };
enum StatusBit : std::uint8_t { CodeBits = 0x0F, WantsIdentifier = 0x10, WantsWriteTimeout = 0x20, WantsReadTimeout = 0x40 };

// The speed code of the converter's register line carries the parity.
constexpr int kOddParityCode = 24;
constexpr int kEvenParityCode = 8;
constexpr int kSpeedCodeBase = 32;
constexpr std::uint8_t kOddParity = 1;
constexpr std::uint8_t kEvenParity = 2;
// Line bytes an answer may take before it counts as garbage: the longest
// frame is about 300 bytes.
constexpr std::size_t kMaxLineBytes = 1024;

bool sendFrame(const LinkOperations& line, std::span<const std::uint8_t> body)
{
    if (!line.carrierReady())
        return false;
    // A frame whose length the converter cannot be told cannot be written.
    const auto frame = buildFrame(body);
    if (!frame) {
        failWith(condition::FrameWrite);
        return false;
    }
    // A line that names its own failure keeps it; the others fail as a frame write.
    if (!line.send(*frame)) {
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
    constexpr std::uint8_t kLowStatus[] = {condition::ConverterStatus1, condition::ConverterStatus2,
        condition::ConverterStatus3, condition::ConverterStatus4};
    const std::uint8_t code = status & CodeBits;
    if (code >= FirstFault && code <= LastFault)
        failWith(kLowStatus[code - FirstFault]);
    else if (status & WantsIdentifier)
        failWith(condition::ConverterIdentifier);
    else if (status & WantsWriteTimeout)
        failWith(condition::ConverterWriteTimeout);
    else if (status & WantsReadTimeout)
        failWith(condition::ConverterReadTimeout);
    else if (code == SendFailed)
        failWith(condition::TransmitTimeout);
    else if (code == NoAnswer)
        failWith(condition::ReceiveTimeout);
    else if (code == Code7)
        failWith(condition::ConverterStatus7);
    else if (code == MoreParts && !appending) {
        ctx.request.converter.continuation = true;
        failWith(condition::MoreParts);
    } else if (code != MoreParts)
        failWith(condition::ConverterStatusOther);
}

void receiveFrame(const LinkOperations& line)
{
    ConverterData& converter = ctx.request.converter;
    converter.somethingReceived = false;
    if (!line.carrierReady())
        return;
    FrameReceiver receiver;
    std::uint8_t byte = 0;
    for (std::size_t taken = 0;; ++taken) {
        if (taken == kMaxLineBytes) {
            failWith(condition::ConverterCrc);
            return;
        }
        if (!line.receive(byte, condition::ConverterSilent))
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
    case SetIdentifier: case SendIdentifier: return 8;
    case SendWriteTimeout: case SendReadTimeout: case SetLine: return 2;
    case OneByteCommand: return 1;
    default: return 0;
    }
}

std::vector<std::uint8_t> twoBytes(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF)};
}

// The converter's requests for a setting, in the order of settingSent.
constexpr std::uint8_t kSettingRequests[3] = {
    condition::ConverterIdentifier, condition::ConverterWriteTimeout, condition::ConverterReadTimeout};

// Sends the setting the converter asked for with kSettingRequests[k].
void sendSetting(const LinkOperations& line, std::size_t k)
{
    const ConnectionSettings& c = ctx.connection;
    if (k == 0)
        converterCommand(line, SendIdentifier,
            std::span(reinterpret_cast<const std::uint8_t*>(c.linkIdentifier.data()), c.linkIdentifier.size()));
    else
        converterCommand(line, k == 1 ? SendWriteTimeout : SendReadTimeout,
            twoBytes(k == 1 ? c.writeTimeout : c.readTimeout));
}

// Repairs a failed transaction; true when the answer then stands complete.
bool repair(const LinkOperations& line, unsigned& repeats, unsigned& faults, bool (&settingSent)[3])
{
    const bool answerCompletes = conditionIs(condition::ConverterCrc) || conditionIs(condition::MoreParts)
        || conditionIs(condition::ConverterSilent);
    const unsigned limit = ctx.connection.linkParameter;
    for (;;) {
        const auto setting = std::find_if(std::begin(kSettingRequests), std::end(kSettingRequests), conditionIs);
        if (conditionIs(condition::ConverterCrc) || conditionIs(condition::ConverterSilent)) {
            if (repeats == limit || (conditionIs(condition::ConverterSilent) && !ctx.request.converter.somethingReceived))
                break;
            storeCondition(condition::Success);
            converterCommand(line, ResendAnswer, {});
            ++repeats;
        } else if (conditionIs(condition::ConverterStatus1)) {
            if (faults == limit)
                break;
            storeCondition(condition::Success);
            ++faults;
        } else if (setting != std::end(kSettingRequests)) {
            // Each setting is sent once per transaction, so a converter that keeps
            // asking cannot hold the driver.
            const auto k = static_cast<std::size_t>(setting - std::begin(kSettingRequests));
            if (settingSent[k])
                break;
            settingSent[k] = true;
            storeCondition(condition::Success);
            sendSetting(line, k);
        } else if (conditionIs(condition::MoreParts)) {
            storeCondition(condition::Success);
            converterCommand(line, NextPart, {});
        } else {
            break;
        }
    }
    return !isSuccess() || answerCompletes;
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

void converterTransaction(const LinkOperations& line, std::span<const std::uint8_t> body)
{
    unsigned repeats = 0;
    unsigned faults = 0;
    bool settingSent[3] {};
    for (;;) {
        if (!sendFrame(line, body))
            return;
        receiveFrame(line);
        if (isSuccess() || repair(line, repeats, faults, settingSent))
            return;
    }
}

void converterCommand(const LinkOperations& line, std::uint8_t type, std::span<const std::uint8_t> data)
{
    if (type == 0 || type > LastCommandType) {
        failWith(condition::ConverterStatus2);
        return;
    }
    std::vector<std::uint8_t> body {lineControl(), 0, 0, 0, type};
    const std::size_t length = commandDataLength(type);
    for (std::size_t i = 0; i < length; ++i)
        body.push_back(i < data.size() ? data[i] : 0);
    if (sendFrame(line, body))
        receiveFrame(line);
}

namespace {

// The next byte of the converter's answer data; past its end 0 and the
// condition of an answer too short.
bool converterByte(std::uint8_t& byte, std::uint8_t)
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

// The bytes of a request travel in its transaction frame, so a send alone
// carries nothing.
bool sentInTheFrame(std::span<const std::uint8_t>)
{
    return true;
}

template <const LinkOperations& Line>
bool openLine()
{
    return Line.open();
}

template <const LinkOperations& Line>
void closeLine()
{
    Line.close();
}

template <const LinkOperations& Line>
void purgeLine()
{
    Line.purge();
}

template <const LinkOperations& Line>
bool lineAlive()
{
    return Line.alive();
}

template <const LinkOperations& Line>
bool lineCarrier()
{
    return Line.carrierReady();
}

template <const LinkOperations& Line>
bool sendTransaction(const Transaction& t)
{
    std::vector<std::uint8_t> body {transactionControl(t.firstThenData, t.dataFirst), t.c, t.n, t.recordLength,
        kEsc, t.command};
    body.insert(body.end(), t.data.begin(), t.data.end());
    converterTransaction(Line, body);
    return isSuccess();
}

// Tells a converter on a network link the speed and parity of its line to
// the register, once after every open.
bool tellLineSettings()
{
    ConverterData& converter = ctx.request.converter;
    if (!converter.speedPending)
        return true;
    int code = -1;
    for (std::size_t i = 0; i < kNetworkLineSpeeds.size(); ++i)
        if (kNetworkLineSpeeds[i] == ctx.connection.lineSpeed)
            code = static_cast<int>(i);
    const std::uint8_t parity = ctx.connection.lineParity;
    if (code < 0 || parity > kEvenParity) {
        failWith(condition::ConfigurationFormat);
        return false;
    }
    code += parity == kOddParity ? kOddParityCode : parity == kEvenParity ? kEvenParityCode : 0;
    const std::uint8_t data[] = {static_cast<std::uint8_t>(code + kSpeedCodeBase), 0};
    converterCommand(kTcpLine, SetLine, data);
    converter.speedPending = false;
    return isSuccess();
}

// Converter framing around a line: every request is one transaction frame,
// and the answer bytes come from the converter's answer.
template <const LinkOperations& Line, bool (*SetUp)()>
constexpr LinkOperations framed()
{
    return {openLine<Line>, closeLine<Line>, sentInTheFrame, converterByte, purgeLine<Line>, nothingToDo,
        lineCarrier<Line>, condition::ConverterSilent, SetUp, sendTransaction<Line>, true, lineAlive<Line>};
}

}

const LinkOperations kFramedSerialLine = framed<kSerialLine, nothingToDo>();
const LinkOperations kFramedConverterSerialLine = framed<kConverterSerialLine, nothingToDo>();
const LinkOperations kFramedTcpLine = framed<kTcpLine, tellLineSettings>();

}
