#include "driver/core/debug_log.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "driver/core/context.h"
#include "platform/file_access.h"

namespace kelvo::drv {

namespace {

constexpr std::string_view kRecordPrefix = "***DEBUG*";
constexpr std::size_t kMaxSegments = 18;
constexpr std::size_t kMaxLiteral = 18;

struct Segment {
    char conversion = '\0';  // '\0' for the text before the first '%'
    int width = 0;           // minimum digits of %d; 0 when none is given
    std::string literal;
};

std::vector<Segment> splitFormat(std::string_view format)
{
    std::vector<Segment> segments;
    std::size_t at = format.find('%');
    segments.push_back({'\0', 0, std::string(format.substr(0, at))});
    while (at < format.size()) {
        Segment segment;
        ++at;
        if (at < format.size())
            segment.conversion = format[at++];
        if (segment.conversion == 'd' && at < format.size() && std::isdigit(static_cast<unsigned char>(format[at])))
            segment.width = format[at++] - '0';
        const std::size_t next = format.find('%', at);
        segment.literal = std::string(format.substr(at, std::min(next, format.size()) - at).substr(0, kMaxLiteral));
        segments.push_back(std::move(segment));
        at = next;
    }
    return segments;
}

std::string decimal(std::int32_t value, int width)
{
    const std::int64_t wide = value;
    std::string digits = std::to_string(wide < 0 ? -wide : wide);
    if (digits.size() < static_cast<std::size_t>(width))
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return wide < 0 ? "-" + digits : digits;
}

std::string textOf(const LogArgument& argument)
{
    if (const auto* text = std::get_if<std::string_view>(&argument))
        return std::string(*text);
    if (const auto* c = std::get_if<char>(&argument))
        return std::string(1, *c);
    return std::to_string(std::get<std::int32_t>(argument));
}

void appendToLog(const std::string& fileName, const std::string& first, const std::string& second)
{
    std::FILE* log = platform::appendStream(fileName);
    if (log == nullptr)
        return;
    std::fputs(first.c_str(), log);
    std::fputs(second.c_str(), log);
    std::fclose(log);
}

// Lets a person at a terminal follow the records one by one.
void pauseAtTerminal()
{
    if (::isatty(STDIN_FILENO))
        std::getchar();
}

}

void debugLog(std::string_view format, std::initializer_list<LogArgument> arguments)
{
    std::string fileName = "debug.txt";
    if (format.find('%') == std::string_view::npos) {
        const std::string record = std::string(kRecordPrefix) + std::string(format);
        std::fputs(record.c_str(), stdout);
        appendToLog(fileName, record, "\n");
        return;
    }
    const std::vector<Segment> segments = splitFormat(format);
    if (segments.size() > kMaxSegments) {
        std::fputs("ERROR: funkcji Printf, za duzo parametrow !!!", stdout);
        return;
    }
    std::string record(kRecordPrefix);
    auto next = arguments.begin();
    for (const Segment& segment : segments) {
        const bool takesArgument = segment.conversion == 'd' || segment.conversion == 's' || segment.conversion == 'c'
            || segment.conversion == 'F';
        if (takesArgument && next != arguments.end()) {
            const LogArgument& argument = *next++;
            if (segment.conversion == 'F')
                fileName += textOf(argument);
            else if (segment.conversion == 'd' && std::holds_alternative<std::int32_t>(argument))
                record += decimal(std::get<std::int32_t>(argument), segment.width);
            else
                record += textOf(argument);
        }
        record += segment.literal;
    }
    std::fputs(record.c_str(), stdout);
    std::fflush(stdout);
    appendToLog(fileName, record, "\n");
    pauseAtTerminal();
    std::fflush(stdout);
    appendToLog(fileName, "\n", "\n");
}

void logDriverRecord(std::string_view message)
{
    debugLog("%s%s%s%d%s",
        {std::string_view("###DRIVER: "), std::string_view(ctx.server.debugDescription), std::string_view(", PID="),
            static_cast<std::int32_t>(::getpid()), message});
}

}
