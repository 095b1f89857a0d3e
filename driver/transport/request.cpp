#include "driver/transport/request.h"

#include <kelvo/kelvodrv.h>
#include <optional>
#include <vector>

#include "driver/core/context.h"
#include "driver/core/control_bytes.h"
#include "driver/core/model_table.h"
#include "driver/core/notify.h"
#include "driver/core/result_codes.h"
#include "driver/transport/channel_selection.h"
#include "driver/transport/command_tables.h"
#include "driver/transport/link.h"
#include "driver/transport/link_trace.h"
#include "driver/transport/server_orders.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kRecordEnd = 255;
constexpr std::uint32_t kChannelSelectSpeed = 9600;
// The status whose error still brings two more answer bytes.
constexpr std::uint8_t kStatusWithTwoMoreBytes = 122;
constexpr std::uint8_t kChecksumStatus = 19;

// The commands the engine sends of its own, and those whose second answer
// it treats apart.
enum EngineCommand : std::uint8_t {
    ChannelSelectCommand = 1, ErrorCodeCommand = 29,
    StatusIsDataCommand = 77, OneByteAnswerCommand = 114, LengthFromFirstByteCommand = 229,
    AcknowledgedWriteCommand = 160,  // acknowledged on older registers
};

// First-answer bytes other than ACK.
enum class FirstAnswer : std::uint8_t { NotSupported = 1, ErrorStatus = 101, RefusedAsNak = 108, Refused = 200 };

void failFirstAnswer(std::uint8_t byte)
{
    if (byte == kNak) {
        failWith(condition::Nak);
        return;
    }
    switch (static_cast<FirstAnswer>(byte)) {
    case FirstAnswer::NotSupported: failWith(condition::NotSupported); break;
    case FirstAnswer::ErrorStatus: failWith(conditionOfRegisterStatus(byte)); break;
    case FirstAnswer::RefusedAsNak: failWith(condition::Nak); break;
    case FirstAnswer::Refused: failWith(condition::FirstAnswerRefused); break;
    default: failWith(condition::WrongAnswer); break;
    }
}

// The condition of a nonzero status byte of the second answer.
std::uint8_t statusCondition(std::uint8_t s)
{
    const bool registerError = (s >= 2 && s <= 5) || (s >= 7 && s <= 18) || (s >= 100 && s <= 109) || s == 111
        || s == 112 || s == 115 || s == 117 || (s >= 120 && s <= 132) || s == 134;
    if (registerError)
        return conditionOfRegisterStatus(s);
    return s == kChecksumStatus ? condition::Checksum : condition::WrongAnswer;
}

// Receives count bytes into answer bytes 1 to count. In a record answer a
// 255 at a record start ends it early; a full answer must end with one.
bool receiveAnswer(std::uint8_t count, std::uint8_t recordLength)
{
    ExchangeBuffer& buffer = ctx.request.buffer;
    for (unsigned k = 1; k <= count; ++k) {
        if (!receiveByte(buffer.answer(k)))
            return false;
        const bool recordStart = recordLength > 0 && k % recordLength == 1 % recordLength;
        if (recordStart && buffer.answer(k) == kRecordEnd)
            return true;
    }
    if (recordLength > 0 && count > 0) {
        failWith(condition::RecordEnd);
        return false;
    }
    return true;
}

// The first byte of the second answer: a status, or data moved to the status
// cell. Returns the status that counts, or nothing when the byte ended the request.
std::optional<std::uint8_t> takeSecondAnswerStart(const RequestShape& r, std::uint8_t byte, std::uint8_t& n)
{
    ExchangeBuffer& buffer = ctx.request.buffer;
    if (r.command == LengthFromFirstByteCommand) {
        switch (byte) {
        case 250: n = 43; break;
        case 251: n = 18; break;
        case 252: n = 9; break;
        case 253: case 254: n = 1; break;
        default: failWith(condition::WrongAnswer); return std::nullopt;
        }
    } else if (r.command == AcknowledgedWriteCommand && identifiedAs(predatesDorn)) {
        if (byte != kAck) {
            failWith(byte == kNak ? condition::Nak : condition::WrongAnswer);
            return std::nullopt;
        }
    } else if ((r.command == 158 || r.command == 166 || r.command == 169) && r.c == 0) {
        if (byte != kAck) {
            if (byte == static_cast<std::uint8_t>(FirstAnswer::NotSupported))
                failWith(condition::NotSupported);
            else
                failWith(byte == kNak ? condition::Nak : condition::WrongAnswer);
            return std::nullopt;
        }
    } else if (r.command != StatusIsDataCommand && !secondAnswerStartsWithData(r)) {
        return byte;
    }
    buffer.statusCell() = byte;
    return 0;
}

void runEngine(const RequestShape& r)
{
    if (!isSuccess())
        return;
    ExchangeBuffer& buffer = ctx.request.buffer;
    const auto records = recordLength(r, buffer.requestData(1));
    if (!records) {
        failWith(condition::UnknownSubRequest);
        return;
    }
    const bool noData = r.b == 0;
    const bool firstThenData = r.c > 0 && r.b > 0;
    const bool dataFirst = secondAnswerStartsWithData(r);
    const std::uint8_t escape[] = {kEsc, r.command};
    const LinkOperations& link = activeLink();

    traceRequest(r.command);
    link.purge();
    if ((noData || firstThenData) && !sendBytes(escape)) {
        failWith(condition::TransmitTimeout);
        return;
    }
    const Transaction transaction {r.command, r.c, r.n, *records, firstThenData, dataFirst,
        std::span(&buffer.requestData(1), r.b)};
    if (!link.transact(transaction))
        return;

    if (r.c > 0) {
        std::uint8_t first = 0;
        if (!receiveByte(first))
            return;
        if (!firstAnswerHasNoStatus(r.command) && first != kAck) {
            failFirstAnswer(first);
            return;
        }
        if (r.c >= 2 && !receiveAnswer(static_cast<std::uint8_t>(r.c - 1), *records))
            return;
    }

    if (r.b > 0) {
        std::vector<std::uint8_t> data;
        if (!firstThenData)
            data.assign(std::begin(escape), std::end(escape));
        for (unsigned j = 1; j <= r.b; ++j)
            data.push_back(buffer.requestData(j));
        if (!sendBytes(data)) {
            failWith(condition::TransmitTimeout);
            return;
        }
        if (r.n == 0 && !link.waitUntilSent()) {
            failWith(condition::TransmitTimeout);
            return;
        }
    }

    if (r.n == 0)
        return;
    std::uint8_t first = 0;
    if (!receiveByte(first))
        return;
    std::uint8_t n = r.n;
    const auto status = takeSecondAnswerStart(r, first, n);
    if (!status)
        return;
    if (*status != 0) {
        failWith(statusCondition(*status));
        // Status 122 still brings two more bytes, which are read with the error
        // kept, unless the answer holds no more than was asked for.
        if (*status != kStatusWithTwoMoreBytes || (link.fixedAnswerLength && r.n != 3))
            return;
        n = 3;
    }
    if (r.command == OneByteAnswerCommand) {
        buffer.answer(1) = buffer.statusCell();
        return;
    }
    if (n >= 2)
        receiveAnswer(static_cast<std::uint8_t>(n - 1), *records);
}

void requestOnce(const RequestShape& r)
{
    if (!isSuccess() || !activeLink().afterOpen())
        return;
    const unsigned attempts = !ctx.exchange.active ? 1 : ctx.exchange.firstRequest ? 2 : 4;
    for (unsigned attempt = 0; attempt < attempts; ++attempt) {
        storeCondition(condition::Success);
        takeServerOrders();
        // A request that a server order stopped was never run: not counted, not posted.
        if (!isSuccess())
            break;
        runEngine(r);
        ++ctx.counters.requestsExecuted;
        postPeriodic(Notice::Counter, ctx.counters.requestsExecuted, ctx.server.counterInterval);
        if (!conditionIs(condition::ReceiveTimeout))
            break;
    }
    ctx.exchange.firstRequest = false;
}

// A multiplexer addressed by a register request at 9600 bit/s.
void selectChannelByRequest(std::uint8_t channel)
{
    const std::uint32_t speed = ctx.connection.speed;
    bool ok = CharSent() != 0;
    ChangeSpeedWinseria(kChannelSelectSpeed);
    setMultiplexerRts(true);
    ctx.request.buffer.requestData(1) = channel;
    runEngine({ChannelSelectCommand, 0, 1, 0});
    ok = ok && CharSent() != 0;
    setMultiplexerRts(false);
    ChangeSpeedWinseria(speed);
    if (!ok)
        failWith(condition::ChannelSwitching);
}

}

void openLinkToRegister()
{
    if (!openLink() || channelSelection(ctx.route, ctx.connection.portNumber) != ChannelSelection::Request)
        return;
    selectChannelByRequest(ctx.connection.channel);
    if (!isSuccess())
        dropLink();
}

void request(std::uint8_t command, std::uint8_t c, std::uint8_t b, std::uint8_t n)
{
    requestOnce({command, c, b, n});
    if (!conditionIs(condition::RegisterError))
        return;
    ExchangeBuffer& buffer = ctx.request.buffer;
    storeCondition(condition::Success);
    buffer.requestData(1) = 1;
    requestOnce({ErrorCodeCommand, 1, 1, 3});
    if (!isSuccess()) {
        ctx.outcome.registerErrorCode = 0;
        return;
    }
    const std::uint8_t high = buffer.answer(1);
    buffer.requestData(1) = 2;
    requestOnce({ErrorCodeCommand, 1, 1, static_cast<std::uint8_t>(buffer.answer(2) + 1)});
    if (!isSuccess()) {
        ctx.outcome.registerErrorCode = 0;
        return;
    }
    ctx.outcome.registerErrorCode = static_cast<std::uint16_t>((high << 8) | buffer.answer(1));
    storeCondition(condition::RegisterError);
}

}
