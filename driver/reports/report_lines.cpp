#include "driver/reports/report_lines.h"

#include <array>

#include "driver/files/codepage.h"
#include "driver/files/text_helpers.h"
#include "driver/files/textfile.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/reports/records.h"

namespace kelvo::drv::report {

namespace {

// A report line is held, like every driver text, in at most 1023 characters.
constexpr std::size_t kLineLimit = 1023;

// The Unicode code points of the letters of the code page table, in its order.
constexpr std::array<char32_t, 18> kPolishCodePoints {
    0x105, 0x107, 0x119, 0x142, 0x144, 0xF3, 0x15B, 0x17C, 0x17A,
    0x104, 0x106, 0x118, 0x141, 0x143, 0xD3, 0x15A, 0x17B, 0x179};

char windows1250Letter(char32_t codePoint)
{
    for (std::size_t k = 0; k < kPolishCodePoints.size(); ++k)
        if (kPolishCodePoints[k] == codePoint)
            return static_cast<char>(kPolishLetters[kRowWindows1250][k]);
    return '?';
}

}

std::string windows1250(std::string_view utf8)
{
    std::string result;
    result.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            result.push_back(static_cast<char>(lead));
            ++at;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t codePoint = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length && at + k < utf8.size(); ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(utf8[at + k]) & 0x3F);
        result.push_back(windows1250Letter(codePoint));
        at += length;
    }
    return result;
}

std::string justify(std::string_view left, std::string_view right, std::size_t width)
{
    return filledBetween(left, right, width, ' ');
}

std::string centre(std::string_view text, std::size_t width)
{
    return padded(text, width, ' ', PadSide::BothStartingRight);
}

std::string spaced(std::string_view text)
{
    return spread(text, ' ', 1);
}

std::string rule(std::size_t width)
{
    return std::string(width, '-');
}

std::string recordDate(unsigned year, unsigned month, unsigned day)
{
    return twoDigits(year) + "r" + twoDigits(month) + "." + twoDigits(day);
}

std::string clockTime(unsigned hour, unsigned minute)
{
    return twoDigits(hour) + ":" + twoDigits(minute);
}

bool ReportLines::emit(std::string_view text, Counted counted)
{
    std::string line = padded(text, width_, ' ', PadSide::Right);
    if (line.size() > kLineLimit)
        line.resize(kLineLimit);
    if (!writeLine(ctx.files.output, line)) {
        storeCondition(condition::OutputWrite);
        return false;
    }
    if (counted == Counted::Yes)
        countPrintedLine(counter_);
    return true;
}

bool ReportLines::emitJustified(std::string_view left, std::string_view right, Counted counted)
{
    return emit(justify(left, right, width_), counted);
}

bool ReportLines::emitCentred(std::string_view text, Counted counted)
{
    return emit(centre(text, width_), counted);
}

bool ReportLines::emitRule()
{
    return emit(rule(width_));
}

}
