// The register's end of the byte protocol: it takes the bytes the driver
// sends one at a time and says what to send back. A request is ESC, the
// command code, for some commands an ACK before the request data, the data,
// and the answers; the first answer is ACK (or NAK) with its bytes, the
// second a status byte (or, for a record read, the first record byte) with
// its bytes.
#pragma once

#include "simulator/bytes.h"
#include "simulator/faults.h"
#include "simulator/fiscal_memory.h"
#include "simulator/models.h"
#include "simulator/request_log.h"
#include "simulator/responder.h"
#include "driver/core/control_bytes.h"
#include "simulator/scenario.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kelvo::sim {

using drv::kAck;
using drv::kEsc;
using drv::kNak;
constexpr std::uint8_t printedReportProbe = '1';

class Register : public Responder {
public:
    // Throws ScenarioError when the scenario does not fit the model.
    Register(const Scenario& scenario, RequestLog& log);

    Reply feed(std::uint8_t byte) override;
    void lineQuiet() override;

    bool idle() const { return state_ == State::Idle; }
    const ModelProfile& profile() const { return profile_; }
    const FiscalMemory& memory() const { return memory_; }
    FaultSet& faults() { return faults_; }
    std::uint8_t channel() const { return channel_; }

private:
    enum class State : std::uint8_t { Idle, Command, Data, ReportFrame };

    struct Answer {
        Bytes first;
        Bytes second;
        bool secondIsData = false;  // the second answer starts with data, not a status
    };

    struct Pending {
        std::uint8_t command = 0;
        Bytes data;
        std::size_t dataLength = 0;
        bool silent = false;
        Bytes sentFirst;
        Bytes sentSecond;
        const Fault* status = nullptr;
        const Fault* garbage = nullptr;
        const Fault* drop = nullptr;
        const Fault* hangUp = nullptr;
        std::size_t position = 0;  // answer bytes handled so far, for drop and hang-up
        std::string faultNames;
    };

    Reply onCommand(std::uint8_t command);
    // A printed report (register_printed.cpp): the probe ESC "1", then the
    // request frame and the whole answer.
    Reply onProbe();
    Reply onFrameByte(std::uint8_t byte);
    std::uint8_t reportResult(const FrameRequest& request, const PrintedReport*& report) const;
    Reply onData(std::uint8_t byte);
    Reply complete();
    void emit(Bytes bytes, bool first, Reply& reply);
    void finish();

    // Support and shape of a command for this model.
    bool supports(std::uint8_t command) const;
    bool ackBeforeData(std::uint8_t command) const;
    std::size_t dataLength(std::uint8_t command) const;

    // The answers proper (register_answers.cpp).
    Answer answerFor(std::uint8_t command, const Bytes& data);
    Bytes informationBlock(std::uint8_t block) const;
    Bytes clockDigits() const;
    Bytes headerLine(std::uint8_t line) const;
    Bytes articleProbe(std::uint8_t command, std::uint16_t article) const;
    Bytes recordRead(std::uint16_t index);
    std::string uniqueNumberShown() const;
    std::uint8_t ramClearCount() const;

    Scenario scenario_;
    ModelProfile profile_;
    FiscalMemory memory_;
    FaultSet faults_;
    RequestLog& log_;
    std::mt19937 random_{12345};
    State state_ = State::Idle;
    Pending pending_;
    std::uint16_t registerError_ = 0;
    std::uint8_t channel_ = 0;
    PrintedFormat printedFormat_ = PrintedFormat::None;
    Bytes frame_;                // the request frame received so far
    AnswerShape reportShape_;    // the faults taken for the report that follows
};

}
