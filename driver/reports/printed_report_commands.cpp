#include "driver/reports/printed_report_commands.h"

#include <kelvo/kelvodrv.h>
#include <kelvo/kelvodrv_contract.h>
#include <optional>
#include <vector>

#include "driver/core/context.h"
#include "driver/core/control_bytes.h"
#include "driver/core/model_table.h"
#include "driver/core/result_codes.h"
#include "driver/files/access_code.h"
#include "driver/reports/printed_answers.h"
#include "driver/reports/report_input.h"
#include "driver/transport/link.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

using printed::AnswerBuffer;

constexpr std::uint8_t kProbe = '1';
constexpr std::uint32_t kAnswerTimeoutMs = 90000;

// Requests of the refusal analysis and the bits they are read for.
constexpr std::uint8_t kStatusRequest = 0x5B;
constexpr std::uint8_t kStatusGroup1 = 0x54;
constexpr std::uint8_t kStatusGroup2 = 0x55;
constexpr std::uint8_t kStatusGroup3 = 0x56;
constexpr std::uint8_t kCmosCleared = 0x10;
constexpr std::uint8_t kPrinting = 0x02;
constexpr std::uint8_t kPrinterFailure = 0x04;
constexpr std::uint8_t kNoPaper = 0x02;
constexpr std::uint8_t kBusyBits = 0x41;
constexpr std::uint8_t kServiceJumper = 0x40;

// Codes of the request frame's parts.
constexpr std::uint8_t kDatePart = 128;
constexpr std::uint8_t kNumberPart = 129;
constexpr std::uint8_t kMonthlyPart = 130;
constexpr std::uint8_t kSettlementByDates = 134;  // kinds 6, 7 and 8 in turn

struct PrintedFormat {
    bool (*accepts)(std::uint8_t deviceCode);
    bool etxBlock;  // the refusal rows and result codes of the ETX block registers
    bool (*receive)(AnswerBuffer&);
    bool (*write)(std::span<const std::uint8_t>);
};

constexpr PrintedFormat kFixedLines {isGilonRow, false, printed::receiveFixedLines, printed::writeFixedLines};
constexpr PrintedFormat kEtxBlock {isVotraKRowGroup, true, printed::receiveEtxBlock, printed::writeEtxBlock};
constexpr PrintedFormat kPrintStream {isVotraRowGroup, false, printed::receivePrintStream, printed::writePrintStream};

// Answer byte 1 of request(command, 2, 0, 0).
std::optional<std::uint8_t> statusByte(std::uint8_t command)
{
    request(command, 2, 0, 0);
    if (!isSuccess())
        return std::nullopt;
    return ctx.request.buffer.answer(1);
}

// After a NAK to the probe: why the register refuses.
void analyseRefusal(const PrintedFormat& format)
{
    const auto mode = statusByte(kStatusRequest);
    if (!mode)
        return;
    if ((*mode & kFiscalMode) == 0)
        return storeCondition(condition::NotFiscal);
    const auto group1 = statusByte(kStatusGroup1);
    if (!group1)
        return;
    if ((*group1 & kCmosCleared) != 0)
        return storeCondition(condition::NotSupported);
    if (format.etxBlock) {
        if ((*group1 & kPrinting) != 0)
            return storeCondition(condition::OtherPrintout);
        const auto group3 = statusByte(kStatusGroup3);
        if (group3)
            storeCondition((*group3 & kServiceJumper) != 0 ? condition::ServiceJumper : condition::Nak);
        return;
    }
    const auto group2 = statusByte(kStatusGroup2);
    if (!group2)
        return;
    if ((*group2 & kPrinterFailure) != 0)
        storeCondition(condition::PrinterFailure);
    else if ((*group2 & kNoPaper) != 0)
        storeCondition(condition::NoPaper);
    else if ((*group2 & kBusyBits) != 0)
        storeCondition(condition::OtherPrintout);
    else
        storeCondition(condition::Nak);
}

bool send(std::span<const std::uint8_t> bytes)
{
    if (!isSuccess())
        return false;
    if (!sendBytes(bytes))
        failWith(condition::TransmitTimeout);
    return isSuccess();
}

// ESC "1": any answer but NAK lets the report go on.
bool probeAccepted(const PrintedFormat& format)
{
    const std::uint8_t probe[] = {kEsc, kProbe};
    std::uint8_t answer = 0;
    if (!send(probe) || !printed::receive(answer))
        return false;
    if (answer != kNak)
        return true;
    analyseRefusal(format);
    return false;
}

void putDate(std::vector<std::uint8_t>& frame, const RecordKey& date)
{
    for (const std::uint8_t part : {date.year, date.month, date.day}) {
        frame.push_back(static_cast<std::uint8_t>(part / 10));
        frame.push_back(static_cast<std::uint8_t>(part % 10));
    }
}

std::vector<std::uint8_t> requestFrame(const ReportInput& input, const AccessCode& code, const RegisterClock& clock)
{
    const std::uint8_t kind = input.kind;
    std::vector<std::uint8_t> frame;
    if (isSettlementKind(kind)) {
        frame.push_back(static_cast<std::uint8_t>(kSettlementByDates + kind - KELVODRV_KIND_SETTLEMENT_DATES));
        frame.insert(frame.end(), code.begin(), code.end());
        putDate(frame, dateKey(clock.year, clock.month, clock.day));
    }
    if (isMonthlyKind(kind)) {
        frame.push_back(kMonthlyPart);
        putDate(frame, input.from);
        frame.resize(frame.size() - 2);  // year and month only
    }
    if (kind == KELVODRV_KIND_NUMBERS || kind == KELVODRV_KIND_SETTLEMENT_NUMBERS) {
        if (kind == KELVODRV_KIND_NUMBERS)
            frame.push_back(kNumberPart);
        for (const std::uint16_t number : {input.from.number, input.to.number}) {
            frame.push_back(static_cast<std::uint8_t>(number & 0xFF));
            frame.push_back(static_cast<std::uint8_t>(number >> 8));
        }
    }
    if (kind == KELVODRV_KIND_DATES || kind == KELVODRV_KIND_CURRENT_MONTH || kind == KELVODRV_KIND_SETTLEMENT_DATES) {
        if (kind != KELVODRV_KIND_SETTLEMENT_DATES)
            frame.push_back(kDatePart);
        putDate(frame, input.from);
        putDate(frame, input.to);
    }
    return frame;
}

void printedReport(const PrintedFormat& format)
{
    if (!format.accepts(ctx.device.deviceCode.value))
        return storeCondition(condition::WrongDevice);
    const std::optional<ReportInput> input = readReportInput();
    if (!input)
        return;
    AccessCode code {};
    RegisterClock clock;
    if (isSettlementKind(input->kind)) {
        const std::optional<AccessCode> configured = settlementAccessCode();
        if (!configured)
            return;
        code = *configured;
        std::uint8_t status = 0;
        if (!readRegisterStatus(status))
            return;
        if ((status & kReadOnlyMode) == 0)
            return storeCondition(condition::NotReadOnly);
        if (!readRegisterClock(clock))
            return;
    }
    AnswerBuffer answer;
    if (!probeAccepted(format) || !send(requestFrame(*input, code, clock)))
        return;
    MsSetTimeouts(kAnswerTimeoutMs, kAnswerTimeoutMs);
    if (format.receive(answer))
        format.write(answer.bytes());
}

}

void fixedLineReportBody()
{
    printedReport(kFixedLines);
}

void etxBlockReportBody()
{
    printedReport(kEtxBlock);
}

void printStreamReportBody()
{
    printedReport(kPrintStream);
}

}
