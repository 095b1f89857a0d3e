#include "simulator/register.h"

#include <algorithm>
#include <stdexcept>

namespace kelvo::sim {

namespace {

ModelProfile profileOf(const Scenario& s)
{
    ModelProfile p = profileFor(s.deviceCode);
    if (s.version) p.version = *s.version;
    if (s.versionLetter) p.versionLetter = *s.versionLetter;
    if (s.pluCapacity) p.pluCapacity = *s.pluCapacity;
    return p;
}

FiscalMemory memoryOf(const Scenario& s, const ModelProfile& p)
{
    const Geometry geometry = s.geometry.value_or(Geometry{});
    // Without information block 0 the driver assumes the standard geometry.
    if (!p.infoBlocks && !(geometry == Geometry{}))
        throw ScenarioError("model " + std::to_string(p.deviceCode) +
                            " does not report its memory geometry; only the standard one fits it");
    const RecordLayout layout{p.crcRecords, p.familyB, geometry.recordLength};
    try {
        return FiscalMemory(geometry, layout, s.records, s.headerCopy, p.row == ModelRow::Saska);
    } catch (const std::invalid_argument& e) {
        throw ScenarioError(std::string("fiscal memory: ") + e.what());
    }
}

}

Register::Register(const Scenario& scenario, RequestLog& log)
    : scenario_(scenario),
      profile_(profileOf(scenario)),
      memory_(memoryOf(scenario_, profile_)),
      faults_(scenario.faults),
      log_(log),
      printedFormat_(printedFormatOf(profile_.row))
{
    if (scenario_.uniqueNumber.empty()) {
        // A made-up unique number of the length this model answers.
        const std::size_t length = uniqueNumberLength(profile_);
        std::string digits = std::to_string(profile_.deviceCode * 1000u + 1u);
        digits.insert(0, length - 3 - digits.size(), '0');
        scenario_.uniqueNumber = "KLV" + digits;
    }
}

bool Register::supports(std::uint8_t command) const
{
    switch (command) {
    case 1: return true;
    case 29: return profile_.infoBlocks;
    case 53:
    case 84:
    case 85:
    case 86:
    case 91:
    case 113:
    case 192:
    case 255: return true;
    case 87: return profile_.statusGroup4;
    case 83: return profile_.statusGroup5 && profile_.version >= 3;
    case 111: return profile_.pluCountRequest;
    case 141:
    case 154: return profile_.fiscalMemory;
    case 237: return !profile_.fiscalMemory;
    case 157: return profile_.headerLines > 0;
    case 172: return profile_.articleDetails;
    case 230: return !profile_.articleDetails && profile_.pluCapacity > 0;
    case 254: return profile_.identityRequest;
    default: return false;
    }
}

bool Register::ackBeforeData(std::uint8_t command) const
{
    return command != 1;
}

std::size_t Register::dataLength(std::uint8_t command) const
{
    switch (command) {
    case 1:
    case 29:
    case 157: return 1;
    case 154:
    case 172:
    case 230: return 2;
    case 141: return 8;
    case 237: return 6;
    default: return 0;
    }
}

Reply Register::feed(std::uint8_t byte)
{
    switch (state_) {
    case State::Idle:
        // Anything but ESC between requests is line noise.
        if (byte == kEsc) state_ = State::Command;
        return {};
    case State::Command:
        return onCommand(byte);
    case State::Data:
        return onData(byte);
    case State::ReportFrame:
        return onFrameByte(byte);
    }
    return {};
}

void Register::lineQuiet()
{
    state_ = State::Idle;
    pending_ = Pending{};
}

Reply Register::onCommand(std::uint8_t command)
{
    pending_ = Pending{};
    pending_.command = command;
    Reply reply;

    const auto note = [&](const Fault* f) {
        if (!f) return;
        if (!pending_.faultNames.empty()) pending_.faultNames += ',';
        pending_.faultNames += faultKindName(f->kind);
    };

    if (command == printedReportProbe && printedFormat_ != PrintedFormat::None) return onProbe();
    if (!supports(command)) {
        emit({kNak}, true, reply);
        finish();
        return reply;
    }
    if (const Fault* f = faults_.take(FaultKind::Nak, command)) {
        note(f);
        emit({kNak}, true, reply);
        finish();
        return reply;
    }
    if (const Fault* f = faults_.take(FaultKind::Silent, command)) {
        note(f);
        pending_.silent = true;
    }
    pending_.status = faults_.take(FaultKind::Status, command);
    pending_.garbage = faults_.take(FaultKind::Garbage, command);
    pending_.drop = faults_.take(FaultKind::Drop, command);
    pending_.hangUp = faults_.take(FaultKind::HangUp, command);
    note(pending_.status);
    note(pending_.garbage);
    note(pending_.drop);
    note(pending_.hangUp);

    pending_.dataLength = dataLength(command);
    if (pending_.dataLength == 0) return complete();
    if (pending_.silent && ackBeforeData(command)) {
        // Without an ACK the driver sends no data: the request ends here.
        finish();
        return reply;
    }

    if (ackBeforeData(command)) {
        // A status fault on a command whose second answer is data (the
        // record read) refuses the request in the first answer.
        if (pending_.status && command == 154) {
            emit({static_cast<std::uint8_t>(pending_.status->value)}, true, reply);
            registerError_ = scenario_.registerError;
            finish();
            return reply;
        }
        // A register without header line requests refuses them in the first
        // answer with 1, which the driver reads as "not supported".
        if (command == 157 && !scenario_.headerRequest) {
            emit({1}, true, reply);
            finish();
            return reply;
        }
        emit({kAck}, true, reply);
        if (reply.hangUp) {
            finish();
            return reply;
        }
    }
    state_ = State::Data;
    return reply;
}

Reply Register::onData(std::uint8_t byte)
{
    pending_.data.push_back(byte);
    // The information block request carries the block number after sub-request 3.
    if (pending_.command == 29 && pending_.data.size() == 1 && byte == 3) pending_.dataLength = 2;
    if (pending_.data.size() < pending_.dataLength) return {};
    return complete();
}

Reply Register::complete()
{
    Reply reply;
    Answer answer = answerFor(pending_.command, pending_.data);
    if (const Fault* f = pending_.status) {
        const auto s = static_cast<std::uint8_t>(f->value);
        registerError_ = scenario_.registerError;
        if (!answer.second.empty() && !answer.secondIsData) {
            answer.second = {s};
            // Status 122 is followed by two more bytes.
            if (s == 122) answer.second.insert(answer.second.end(), {0, 0});
        } else if (pending_.dataLength == 0) {
            answer.first = {s};
            answer.second.clear();
        }
    }
    // Commands that take data had their first answer before the data came.
    const bool firstSent = pending_.dataLength > 0 && ackBeforeData(pending_.command);
    if (!firstSent && !answer.first.empty()) emit(std::move(answer.first), true, reply);
    if (!reply.hangUp && !answer.second.empty()) emit(std::move(answer.second), false, reply);
    finish();
    return reply;
}

void Register::emit(Bytes bytes, bool first, Reply& reply)
{
    if (pending_.silent) return;
    (first ? pending_.sentFirst : pending_.sentSecond) = bytes;
    const std::size_t start = pending_.position;
    pending_.position += bytes.size();
    if (pending_.drop && pending_.drop->value >= start && pending_.drop->value < pending_.position)
        bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(pending_.drop->value - start));
    if (pending_.hangUp && pending_.hangUp->value < pending_.position) {
        bytes.resize(pending_.hangUp->value > start ? pending_.hangUp->value - start : 0);
        reply.hangUp = true;
    }
    if (first && pending_.garbage) {
        Bytes noise(pending_.garbage->value);
        for (auto& b : noise) b = static_cast<std::uint8_t>(random_() & 0xFF);
        bytes.insert(bytes.begin(), noise.begin(), noise.end());
        pending_.garbage = nullptr;
    }
    reply.answers.push_back(std::move(bytes));
}

void Register::finish()
{
    log_.request(pending_.command, pending_.data, pending_.sentFirst, pending_.sentSecond, pending_.faultNames);
    state_ = State::Idle;
    pending_ = Pending{};
}

}
