// The periodic report of the registers that print it themselves: the probe
// ESC "1" is answered ACK (or NAK, by a fault; the driver then asks the
// status requests why), the request frame is taken byte by byte and logged,
// and the answer is made from the scenario's printed report for the request.
#include "simulator/register.h"

#include <algorithm>

namespace kelvo::sim {

namespace {

constexpr std::uint8_t resultNoReports = 2;
constexpr std::uint8_t resultWrongDateOrCode = 6;

}

Reply Register::onProbe()
{
    Reply reply;
    if (const Fault* f = faults_.take(FaultKind::Nak, printedReportProbe)) {
        pending_.faultNames = faultKindName(f->kind);
        emit({kNak}, true, reply);
        finish();
        return reply;
    }
    if (const Fault* f = faults_.take(FaultKind::Silent, printedReportProbe)) {
        pending_.faultNames = faultKindName(f->kind);
        finish();
        return reply;
    }
    if (const Fault* f = faults_.take(FaultKind::HangUp, printedReportProbe)) {
        // The line drops after the first value bytes of the answer (0 or the ACK).
        pending_.faultNames = faultKindName(f->kind);
        if (f->value > 0)
            emit({kAck}, true, reply);
        reply.hangUp = true;
        finish();
        return reply;
    }
    reportShape_ = AnswerShape{};
    if (const Fault* f = faults_.take(FaultKind::Status, printedReportProbe))
        reportShape_.result = static_cast<std::uint8_t>(f->value);
    reportShape_.badCrc = faults_.take(FaultKind::ReportCrc, printedReportProbe) != nullptr;
    reportShape_.oversized = faults_.take(FaultKind::ReportOversized, printedReportProbe) != nullptr;
    emit({kAck}, true, reply);
    finish();
    frame_.clear();
    state_ = State::ReportFrame;
    return reply;
}

std::uint8_t Register::reportResult(const FrameRequest& request, const PrintedReport*& report) const
{
    if (request.settlement) {
        const Bytes clock = clockDigits();
        if (!std::equal(request.clockDate.begin(), request.clockDate.end(), clock.begin()))
            return resultWrongDateOrCode;
        if (scenario_.settlementPairs) {
            for (std::size_t k = 0; k < 4; ++k) {
                const auto& pair = (*scenario_.settlementPairs)[k];
                if (request.accessCode[k] != static_cast<std::uint8_t>(pair[0] + pair[1])) return resultWrongDateOrCode;
            }
        }
    }
    const auto found = std::find_if(scenario_.printedReports.begin(), scenario_.printedReports.end(),
                                    [&](const PrintedReport& r) { return !r.request || *r.request == request.text; });
    if (found == scenario_.printedReports.end()) return resultNoReports;
    report = &*found;
    return 0;
}

Reply Register::onFrameByte(std::uint8_t byte)
{
    Reply reply;
    frame_.push_back(byte);
    const std::size_t length = requestFrameLength(frame_.front());
    if (length == 0) {
        log_.line("report frame=[" + toHex(frame_) + "] unknown");
        state_ = State::Idle;
        return reply;
    }
    if (frame_.size() < length) return reply;

    const FrameRequest request = readRequestFrame(frame_);
    const PrintedReport* report = nullptr;
    AnswerShape shape = reportShape_;
    const std::uint8_t result = reportResult(request, report);
    // A fault's result code, or an endless answer, stands for any request.
    if (shape.result == 0 && !shape.oversized) shape.result = result;
    static const std::vector<PrintedLine> none;
    Bytes answer = printedAnswer(printedFormat_, report ? report->lines : none, shape);
    log_.line("report=\"" + request.text + "\" frame=[" + toHex(frame_) + "] result=" + std::to_string(shape.result) +
              " answer=" + std::to_string(answer.size()) + " bytes");
    reply.answers.push_back(std::move(answer));
    state_ = State::Idle;
    return reply;
}

}
