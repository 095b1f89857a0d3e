#include "driver/transport/request.h"

#include <optional>
#include <vector>

#include "driver/core/notify.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/command_tables.h"
#include "driver/transport/converter_link.h"
#include "driver/transport/link.h"
#include "driver/transport/server_orders.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kEsc = 27;
constexpr std::uint8_t kAck = 6;
constexpr std::uint8_t kNak = 21;
constexpr std::uint8_t kRecordEnd = 255;
constexpr std::uint8_t kErrorCodeCommand = 29;
constexpr std::uint8_t kSetLineCommand = 9;

void failWithResult(std::uint8_t resultCode)
{
    failWith(conditionForResult(resultCode));
}

void failFirstAnswer(std::uint8_t byte)
{
    switch (byte) {
    case 1: failWithResult(101); break;
    case kNak: failWith(condition::Nak); break;
    case 101: failWithResult(201); break;
    case 108: failWith(condition::Nak); break;
    case 200: failWith(26); break;
    default: failWith(condition::WrongAnswer); break;
    }
}

// The result code of a nonzero status byte of the second answer.
std::uint8_t statusResult(std::uint8_t s)
{
    const bool registerError = (s >= 2 && s <= 5) || (s >= 7 && s <= 18) || (s >= 100 && s <= 109) || s == 111
        || s == 112 || s == 115 || s == 117 || (s >= 120 && s <= 132) || s == 134;
    if (registerError)
        return static_cast<std::uint8_t>(100 + s);
    return s == 19 ? condition::Checksum : condition::WrongAnswer;
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

bool deviceBelow116()
{
    return ctx.device.deviceCode.known && ctx.device.deviceCode.value < 116;
}

// The first byte of the second answer: a status, or data moved to the status
// cell. Returns the status that counts, or nothing when the byte ended the request.
std::optional<std::uint8_t> takeSecondAnswerStart(const RequestShape& r, std::uint8_t byte, std::uint8_t& n)
{
    ExchangeBuffer& buffer = ctx.request.buffer;
    if (r.command == 229) {
        switch (byte) {
        case 250: n = 43; break;
        case 251: n = 18; break;
        case 252: n = 9; break;
        case 253: case 254: n = 1; break;
        default: failWith(condition::WrongAnswer); return std::nullopt;
        }
    } else if (r.command == 160 && deviceBelow116()) {
        if (byte != kAck) {
            failWith(byte == kNak ? condition::Nak : condition::WrongAnswer);
            return std::nullopt;
        }
    } else if ((r.command == 158 || r.command == 166 || r.command == 169) && r.c == 0) {
        if (byte != kAck) {
            if (byte == 1)
                failWithResult(101);
            else
                failWith(byte == kNak ? condition::Nak : condition::WrongAnswer);
            return std::nullopt;
        }
    } else if (r.command != 77 && !secondAnswerStartsWithData(r)) {
        return byte;
    }
    buffer.statusCell() = byte;
    return 0;
}

void sendConverterTransaction(const RequestShape& r, std::uint8_t recordLength, bool dataFirst)
{
    std::vector<std::uint8_t> body {transactionControl(r.c > 0 && r.b > 0, dataFirst), r.c, r.n, recordLength, kEsc,
        r.command};
    for (unsigned j = 1; j <= r.b; ++j)
        body.push_back(ctx.request.buffer.requestData(j));
    converterTransaction(body);
}

void runEngine(const RequestShape& r)
{
    if (!isSuccess())
        return;
    ExchangeBuffer& buffer = ctx.request.buffer;
    const auto records = recordLength(r, buffer.requestData(1));
    if (!records) {
        failWithResult(208);
        return;
    }
    const bool noData = r.b == 0;
    const bool firstThenData = r.c > 0 && r.b > 0;
    const bool dataFirst = secondAnswerStartsWithData(r);
    const std::uint8_t escape[] = {kEsc, r.command};

    purgeLine();
    if ((noData || firstThenData) && !sendBytes(escape)) {
        failWith(condition::TransmitTimeout);
        return;
    }
    if (frameMode()) {
        sendConverterTransaction(r, *records, dataFirst);
        if (!isSuccess())
            return;
    }

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
        if (!frameMode() && ctx.link.openedKind != LinkKind::Tcp && r.n == 0 && !waitUntilSent()) {
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
        failWithResult(statusResult(*status));
        // Status 122 still brings two more bytes, which are read with the error kept.
        if (*status != 122 || (frameMode() && r.n != 3))
            return;
        n = 3;
    }
    if (r.command == 114) {
        buffer.answer(1) = buffer.statusCell();
        return;
    }
    if (n >= 2)
        receiveAnswer(static_cast<std::uint8_t>(n - 1), *records);
}

// Tells a converter on a network link the speed and parity of its line to
// the register, once after every open.
bool setConverterLine()
{
    ConverterData& converter = ctx.request.converter;
    if (!(ctx.link.openedKind == LinkKind::Tcp && frameMode() && converter.speedPending))
        return true;
    static constexpr std::uint32_t kSpeeds[] = {9600, 19200, 28800, 38400, 57600, 115200};
    int code = -1;
    for (int i = 0; i < 6; ++i)
        if (kSpeeds[i] == ctx.connection.lineSpeed)
            code = i;
    const std::uint8_t parity = ctx.connection.lineParity;
    if (code < 0 || parity > 2) {
        failWith(condition::ConfigurationFormat);
        return false;
    }
    code += parity == 1 ? 24 : parity == 2 ? 8 : 0;
    const std::uint8_t data[] = {static_cast<std::uint8_t>(code + 32), 0};
    converterCommand(kSetLineCommand, data);
    converter.speedPending = false;
    return isSuccess();
}

void requestOnce(const RequestShape& r)
{
    if (!isSuccess() || !setConverterLine())
        return;
    const unsigned attempts = !ctx.exchange.active ? 1 : ctx.exchange.firstRequest ? 2 : 4;
    for (unsigned attempt = 0; attempt < attempts; ++attempt) {
        storeCondition(condition::Success);
        takeServerOrders();
        runEngine(r);
        ++ctx.counters.requestsExecuted;
        postPeriodic(Notice::Counter, ctx.counters.requestsExecuted, ctx.server.counterInterval);
        if (ctx.outcome.resultCode != condition::ReceiveTimeout)
            break;
    }
    ctx.exchange.firstRequest = false;
}

}

void runRequestOnLine(std::uint8_t command, std::uint8_t c, std::uint8_t b, std::uint8_t n)
{
    runEngine({command, c, b, n});
}

void request(std::uint8_t command, std::uint8_t c, std::uint8_t b, std::uint8_t n)
{
    requestOnce({command, c, b, n});
    if (ctx.outcome.resultCode != kRegisterErrorCode)
        return;
    ExchangeBuffer& buffer = ctx.request.buffer;
    storeCondition(condition::Success);
    buffer.requestData(1) = 1;
    requestOnce({kErrorCodeCommand, 1, 1, 3});
    if (!isSuccess()) {
        ctx.outcome.registerErrorCode = 0;
        return;
    }
    const std::uint8_t high = buffer.answer(1);
    buffer.requestData(1) = 2;
    requestOnce({kErrorCodeCommand, 1, 1, static_cast<std::uint8_t>(buffer.answer(2) + 1)});
    if (!isSuccess()) {
        ctx.outcome.registerErrorCode = 0;
        return;
    }
    ctx.outcome.registerErrorCode = static_cast<std::uint16_t>((high << 8) | buffer.answer(1));
    storeCondition(condition::RegisterError);
}

}
