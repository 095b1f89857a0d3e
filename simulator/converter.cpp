#include "simulator/converter.h"

#include <algorithm>

namespace kelvo::sim {

namespace {

constexpr std::uint8_t statusDone = 0;
constexpr std::uint8_t statusFrameError = 1;
constexpr std::uint8_t statusRefused = 2;
constexpr std::uint8_t statusNoAnswer = 6;
constexpr std::uint8_t statusMoreFollows = 8;
constexpr std::uint8_t registerTransaction = 0x20;

constexpr std::string_view identity = "KELVO-CONV01";

}

Converter::Converter(Register& target, RequestLog& log) : register_(target), log_(log) {}

void Converter::lineQuiet()
{
    reader_.reset();
}

Reply Converter::feed(std::uint8_t byte)
{
    if (auto frame = reader_.feed(byte)) return onFrame(*frame);
    return {};
}

Reply Converter::onFrame(const ReceivedFrame& frame)
{
    if (!frame.crcGood) {
        log_.line("converter frame with a bad CRC");
        return answer(statusFrameError, {});
    }
    const Bytes& c = frame.content;
    // N, control, three lengths (or zeros), then the command or type, then the CRC.
    if (c.size() < 8) return answer(statusRefused, {});
    if (c[1] & registerTransaction) return transaction(c);
    return command(c[5], std::span(c).subspan(6, c.size() - 8));
}

Reply Converter::transaction(const Bytes& content)
{
    const std::size_t expected = std::size_t{content[2]} + content[3];
    Bytes collected;
    bool hangUp = false;
    for (std::size_t k = 5; k + 2 < content.size(); ++k) {
        Reply r = register_.feed(content[k]);
        for (const Bytes& a : r.answers) collected.insert(collected.end(), a.begin(), a.end());
        if (r.hangUp) hangUp = true;
    }
    if (!register_.idle()) register_.lineQuiet();
    if (hangUp) return Reply{{}, true};
    if (collected.empty() && expected > 0) return answer(statusNoAnswer, {});
    return answer(statusDone, collected);
}

Reply Converter::command(std::uint8_t type, std::span<const std::uint8_t> data)
{
    Reply reply;
    switch (type) {
    case 1:
        reply = answer(statusDone, Bytes(identity.begin(), identity.end()));
        break;
    case 2:
        if (data.size() != 8) {
            reply = answer(statusRefused, {});
            break;
        }
        identifier_.assign(data.begin(), data.end());
        reply = answer(statusDone, {});
        break;
    case 3:
    case 4:
    case 5:
    case 7:
        reply = answer(statusDone, {});
        break;
    case 6:
        reply = send(lastPayload_.empty() ? Bytes{statusDone} : lastPayload_);
        break;
    case 8:
        reply = nextPart();
        break;
    case 9:
        if (data.size() != 2) {
            reply = answer(statusRefused, {});
            break;
        }
        speedCode_ = data[0];
        reply = answer(statusDone, {});
        break;
    default:
        reply = answer(statusRefused, {});
        break;
    }
    log_.converter(type, data, lastPayload_.empty() ? 0 : lastPayload_[0]);
    return reply;
}

Reply Converter::answer(std::uint8_t status, std::span<const std::uint8_t> data)
{
    rest_.assign(data.begin(), data.end());
    if (status != statusDone) {
        rest_.clear();
        return send(Bytes{status});
    }
    return nextPart();
}

Reply Converter::nextPart()
{
    std::size_t partSize = maxFramePayload - 1;
    if (const Fault* f = register_.faults().find(FaultKind::ConverterParts))
        partSize = std::min<std::size_t>(partSize, f->value);
    const std::size_t take = std::min(partSize, rest_.size());
    Bytes payload{rest_.size() > take ? statusMoreFollows : statusDone};
    payload.insert(payload.end(), rest_.begin(), rest_.begin() + static_cast<std::ptrdiff_t>(take));
    rest_.erase(rest_.begin(), rest_.begin() + static_cast<std::ptrdiff_t>(take));
    return send(payload);
}

Reply Converter::send(const Bytes& payload)
{
    lastPayload_ = payload;
    Bytes line = packFrame(payload);
    if (register_.faults().take(FaultKind::ConverterCrc, 0)) line.back() ^= 0x01;
    Reply reply;
    reply.answers.push_back(std::move(line));
    return reply;
}

}
