// What the register answers to each request it serves.
#include "simulator/register.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace kelvo::sim {

namespace {

constexpr std::size_t blockSize = 128;
constexpr std::size_t articleAnswer = 35;  // bytes after the status for request 172
constexpr std::uint16_t programmedArticles = 100;

void putText(Bytes& bytes, std::size_t offset, std::string_view text, std::size_t width)
{
    for (std::size_t k = 0; k < width; ++k)
        bytes[offset + k] = k < text.size() ? static_cast<std::uint8_t>(text[k]) : ' ';
}

Bytes ackThen(std::initializer_list<std::uint8_t> bytes)
{
    Bytes answer;
    answer.reserve(bytes.size() + 1);
    answer.push_back(kAck);
    for (std::uint8_t byte : bytes)
        answer.push_back(byte);
    return answer;
}

DateTime hostClock()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return DateTime{Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}, TimeOfDay{local.tm_hour, local.tm_min}};
}

}

Register::Answer Register::answerFor(std::uint8_t command, const Bytes& data)
{
    Answer a;
    switch (command) {
    case 1:
        // Channel selection on a multiplexer: the register says nothing.
        channel_ = data.at(0);
        break;
    case 29:
        a.first = {kAck};
        if (data.at(0) == 1) {
            // High byte of the error code, then the length of sub-request 2's answer.
            a.second = {0, static_cast<std::uint8_t>(registerError_ >> 8), 1};
        } else if (data.at(0) == 2) {
            a.second = {0, static_cast<std::uint8_t>(registerError_ & 0xFF)};
        } else if (data.at(0) == 3 && (data.at(1) == 0 || data.at(1) == 1 || data.at(1) == 128)) {
            a.second = {0};
            const Bytes block = informationBlock(data.at(1));
            a.second.insert(a.second.end(), block.begin(), block.end());
            a.second.push_back(0);  // spare byte
        } else {
            a.second = {1};
        }
        break;
    case 53:
        a.first = {kAck};
        for (std::uint8_t digit : clockDigits()) a.first.push_back(digit);
        break;
    case 83:
    case 84:
    case 85:
    case 86:
    case 87: {
        const auto found = scenario_.statusBytes.find(command);
        a.first = ackThen({found == scenario_.statusBytes.end() ? std::uint8_t{0} : found->second});
        break;
    }
    case 91: {
        // High four bits: the version (older registers have no other way to
        // tell it); bit 3 fiscal mode, bit 2 read-only mode.
        const auto status = static_cast<std::uint8_t>(((profile_.version & 0x0F) << 4) | (scenario_.fiscal ? 0x08 : 0) |
                                                      (scenario_.readOnly ? 0x04 : 0));
        a.first = ackThen({status});
        break;
    }
    case 111:
        a.first = ackThen({static_cast<std::uint8_t>(profile_.pluCapacity & 0xFF),
                           static_cast<std::uint8_t>(profile_.pluCapacity >> 8)});
        break;
    case 113: {
        a.first = {kAck};
        std::string number = scenario_.uniqueNumber;
        number.resize(uniqueNumberLength(profile_), ' ');
        a.first.insert(a.first.end(), number.begin(), number.end());
        break;
    }
    case 141:
    case 237:
        // A barcode handed over for the display: taken as it is.
        a.first = {kAck};
        a.second = {0};
        break;
    case 154:
        a.first = {kAck};
        a.second = recordRead(static_cast<std::uint16_t>(data.at(0) | (data.at(1) << 8)));
        a.secondIsData = true;
        break;
    case 157:
        a.first = {kAck};
        a.second = headerLine(data.at(0));
        break;
    case 172:
    case 230:
        a.first = {kAck};
        a.second = articleProbe(command, static_cast<std::uint16_t>(data.at(0) | (data.at(1) << 8)));
        break;
    case 192:
        a.first = {kAck};
        a.first.insert(a.first.end(), scenario_.registerNumber.begin(), scenario_.registerNumber.end());
        break;
    case 254:
        a.first = ackThen({profile_.deviceCode, profile_.version, static_cast<std::uint8_t>(profile_.versionLetter)});
        break;
    case 255:
        a.first = ackThen({profile_.deviceCode});
        break;
    default:
        a.first = {kNak};
        break;
    }
    return a;
}

Bytes Register::informationBlock(std::uint8_t block) const
{
    // The valid count, then the 128 block bytes.
    Bytes bytes(1 + blockSize, 0);
    std::uint8_t* b = bytes.data() + 1;
    const Geometry& g = memory_.geometry();
    switch (block) {
    case 0:
        bytes[0] = 73;
        b[0] = profile_.deviceCode;
        b[1] = profile_.version;
        b[2] = static_cast<std::uint8_t>(profile_.versionLetter);
        b[21] = profile_.lineWidth;
        b[23] = profile_.headerLines;
        b[30] = static_cast<std::uint8_t>(g.recordCount >> 8);
        b[31] = static_cast<std::uint8_t>(g.recordCount & 0xFF);
        b[32] = g.recordLength;
        b[33] = static_cast<std::uint8_t>(g.headerOffset >> 8);
        b[34] = static_cast<std::uint8_t>(g.headerOffset & 0xFF);
        b[72] = static_cast<std::uint8_t>(g.memorySize / 65536 - 1);
        break;
    case 1:
        bytes[0] = 49;
        putText(bytes, 1, profile_.name, 24);
        b[48] = 1;  // day labels, signatures and cumulative totals follow daily reports
        break;
    default:
        bytes[0] = 34;
        putText(bytes, 2, scenario_.registerNumber, 2);
        putText(bytes, 22, uniqueNumberShown(), 12);
        b[33] = ramClearCount();
        break;
    }
    return bytes;
}

std::string Register::uniqueNumberShown() const
{
    std::string number = scenario_.uniqueNumber;
    number.resize(uniqueNumberLength(profile_), ' ');
    if (number.size() == 11 && profile_.deviceCode >= 100 && profile_.deviceCode != 114) number.insert(3, 1, ' ');
    number.resize(12, ' ');
    return number;
}

std::uint8_t Register::ramClearCount() const
{
    const auto count = std::count_if(scenario_.records.begin(), scenario_.records.end(),
                                     [](const Record& r) { return !r.raw && r.type == RecordType::RamClear; });
    return static_cast<std::uint8_t>(count & 0xFF);
}

Bytes Register::clockDigits() const
{
    const DateTime t = scenario_.clock.value_or(hostClock());
    const int values[5] = {t.date.year % 100, t.date.month, t.date.day, t.time.hour, t.time.minute};
    Bytes digits;
    for (int v : values) {
        digits.push_back(static_cast<std::uint8_t>(v / 10));
        digits.push_back(static_cast<std::uint8_t>(v % 10));
    }
    return digits;
}

Bytes Register::headerLine(std::uint8_t line) const
{
    if (!scenario_.headerRequest || line < 1 || line > profile_.headerLines) return {1};
    const std::size_t textLength = headerAnswerLength(profile_) - 2;
    const HeaderLine text = line <= scenario_.header.size() ? scenario_.header[line - 1] : HeaderLine{};
    // A double-width line holds half as many characters.
    const std::size_t width = text.doubleWidth ? profile_.lineWidth / 2 : profile_.lineWidth;
    Bytes answer(2 + textLength, ' ');
    answer[0] = 0;
    answer[1] = text.doubleWidth ? 1 : 0;
    for (std::size_t k = 0; k < width && k < text.text.size() && k < textLength; ++k)
        answer[2 + k] = static_cast<std::uint8_t>(text.text[k]);
    return answer;
}

Bytes Register::articleProbe(std::uint8_t command, std::uint16_t article) const
{
    // Status 5: beyond the capacity; 102: within it but not programmed.
    if (article == 0 || article > profile_.pluCapacity) return {5};
    if (article > std::min(profile_.pluCapacity, programmedArticles)) return {102};
    if (command == 230) return {0, 0};
    Bytes answer(1 + articleAnswer, 0);
    const std::string name = "TOWAR " + std::to_string(article);
    putText(answer, 1, name, 20);
    return answer;
}

Bytes Register::recordRead(std::uint16_t index)
{
    Bytes answer = memory_.read(index);
    if (faults_.recordChanged(index)) changeFirstAmount(answer, memory_.layout());
    answer.back() ^= faults_.checksumDamage(index);
    return answer;
}

}
