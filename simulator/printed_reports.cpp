#include "simulator/printed_reports.h"

#include "driver/core/control_bytes.h"
#include "simulator/crc16.h"

#include <array>
#include <string_view>

namespace kelvo::sim {

namespace {

using drv::kBel;
using drv::kEsc;
using drv::kEtx;
using drv::kLineFeed;

constexpr std::uint8_t reportEnd = 128;
constexpr std::size_t fixedCharacters = 40;
constexpr std::size_t oversizedBytes = 10485760 + 4096;

struct Letter {
    std::string_view utf8;
    std::uint8_t cp852;
};

constexpr std::array<Letter, 18> polish{{
    {"ą", 0xA5}, {"ć", 0x86}, {"ę", 0xA9}, {"ł", 0x88}, {"ń", 0xE4}, {"ó", 0xA2}, {"ś", 0x98}, {"ż", 0xBE},
    {"ź", 0xAB}, {"Ą", 0xA4}, {"Ć", 0x8F}, {"Ę", 0xA8}, {"Ł", 0x9D}, {"Ń", 0xE3}, {"Ó", 0xE0}, {"Ś", 0x97},
    {"Ż", 0xBD}, {"Ź", 0x8D},
}};

std::string digitsText(const Bytes& frame, std::size_t at, std::size_t pairs)
{
    std::string text;
    for (std::size_t k = 0; k < pairs; ++k) {
        if (k > 0) text += '.';
        text += static_cast<char>('0' + frame.at(at + 2 * k) % 10);
        text += static_cast<char>('0' + frame.at(at + 2 * k + 1) % 10);
    }
    return text;
}

std::string numbersText(const Bytes& frame, std::size_t at)
{
    const unsigned from = frame.at(at) | (frame.at(at + 1) << 8);
    const unsigned to = frame.at(at + 2) | (frame.at(at + 3) << 8);
    return std::to_string(from) + " " + std::to_string(to);
}

void append(Bytes& to, const Bytes& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

Bytes fixedLines(const std::vector<PrintedLine>& lines, bool oversized)
{
    Bytes answer;
    for (const PrintedLine& line : lines) {
        if (line.raw) {
            append(answer, *line.raw);
            continue;
        }
        answer.push_back(line.doubleWidth ? 0x10 : 0x00);
        Bytes text = codePage852(line.text);
        text.resize(fixedCharacters, ' ');
        append(answer, text);
        answer.push_back(kLineFeed);
    }
    if (oversized) {
        while (answer.size() < oversizedBytes) {
            answer.push_back(0);
            answer.insert(answer.end(), fixedCharacters, ' ');
            answer.push_back(kLineFeed);
        }
        return answer;
    }
    answer.push_back(reportEnd);
    return answer;
}

Bytes etxBlock(const std::vector<PrintedLine>& lines, const AnswerShape& shape)
{
    Bytes answer;
    if (shape.result == 0) {
        for (const PrintedLine& line : lines) {
            if (line.raw) {
                append(answer, *line.raw);
                continue;
            }
            append(answer, codePage852(line.text));
            answer.push_back(kLineFeed);
        }
    }
    if (shape.oversized) {
        answer.resize(oversizedBytes, 'X');
        return answer;
    }
    answer.push_back(kEtx);
    answer.push_back(shape.result);
    std::uint16_t crc = crc16(answer);
    if (shape.badCrc) crc ^= 0x5A5A;
    answer.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    answer.push_back(static_cast<std::uint8_t>(crc >> 8));
    return answer;
}

Bytes printStream(const std::vector<PrintedLine>& lines, bool oversized)
{
    Bytes answer;
    for (const PrintedLine& line : lines) {
        if (line.raw) {
            append(answer, *line.raw);
            continue;
        }
        if (line.doubleWidth) answer.insert(answer.end(), {kEsc, 129});
        append(answer, codePage852(line.text));
        if (line.doubleWidth) answer.insert(answer.end(), {kEsc, 130});
        answer.push_back(kLineFeed);
    }
    if (oversized) {
        answer.resize(oversizedBytes, 'X');
        return answer;
    }
    answer.push_back(kBel);
    return answer;
}

}

PrintedFormat printedFormatOf(ModelRow row)
{
    switch (row) {
    case ModelRow::Gilon: return PrintedFormat::FixedLines;
    case ModelRow::VotraK:
    case ModelRow::VotraKLM:
    case ModelRow::VotraNK:
    case ModelRow::VotraNKLM: return PrintedFormat::EtxBlock;
    case ModelRow::Votra:
    case ModelRow::VotraN: return PrintedFormat::PrintStream;
    default: return PrintedFormat::None;
    }
}

std::size_t requestFrameLength(std::uint8_t first)
{
    switch (first) {
    case 128: return 13;
    case 129:
    case 130: return 5;
    case 134: return 23;
    case 135: return 15;
    case 136: return 11;
    default: return 0;
    }
}

FrameRequest readRequestFrame(const Bytes& frame)
{
    FrameRequest request;
    const std::uint8_t first = frame.at(0);
    std::size_t at = 1;
    if (first >= 134) {
        request.settlement = true;
        request.accessCode.assign(frame.begin() + 1, frame.begin() + 5);
        request.clockDate.assign(frame.begin() + 5, frame.begin() + 11);
        at = 11;
    }
    switch (first) {
    case 128: request.text = "dates " + digitsText(frame, at, 3) + " " + digitsText(frame, at + 6, 3); break;
    case 129: request.text = "numbers " + numbersText(frame, at); break;
    case 130: request.text = "monthly " + digitsText(frame, at, 2); break;
    case 134: request.text = "settlement-dates " + digitsText(frame, at, 3) + " " + digitsText(frame, at + 6, 3); break;
    case 135: request.text = "settlement-numbers " + numbersText(frame, at); break;
    default: request.text = "settlement-whole"; break;
    }
    return request;
}

Bytes printedAnswer(PrintedFormat format, const std::vector<PrintedLine>& lines, const AnswerShape& shape)
{
    switch (format) {
    case PrintedFormat::EtxBlock: return etxBlock(lines, shape);
    case PrintedFormat::FixedLines:
    case PrintedFormat::PrintStream: {
        Bytes answer{shape.result};
        if (shape.result == 0)
            append(answer, format == PrintedFormat::FixedLines ? fixedLines(lines, shape.oversized)
                                                               : printStream(lines, shape.oversized));
        return answer;
    }
    case PrintedFormat::None: break;
    }
    return {};
}

Bytes codePage852(std::string_view utf8)
{
    Bytes bytes;
    std::size_t k = 0;
    while (k < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[k]);
        if (c < 0x80) {
            bytes.push_back(c);
            ++k;
            continue;
        }
        bool found = false;
        for (const Letter& letter : polish) {
            if (utf8.substr(k, letter.utf8.size()) == letter.utf8) {
                bytes.push_back(letter.cp852);
                k += letter.utf8.size();
                found = true;
                break;
            }
        }
        if (found) continue;
        bytes.push_back('?');
        ++k;
        while (k < utf8.size() && (static_cast<unsigned char>(utf8[k]) & 0xC0) == 0x80) ++k;
    }
    return bytes;
}

}
