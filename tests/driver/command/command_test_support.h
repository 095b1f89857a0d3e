// Helpers for running commands through the frame in a test folder.
#pragma once

#include <string>

#include "driver/files/local_time.h"
#include "driver/command/command.h"
#include "tests/driver/context_fixture.h"

namespace kelvo::test {

inline constexpr char kCrLf[] = "\r\n";

// The lines joined, each ended by CR LF.
inline std::string crlfLines(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + kCrLf;
    return text;
}

// A run report: the three header lines, then the eight data lines.
inline std::string runReport(const std::string& header1, const std::string& result, const std::string& header3,
    const std::string& counters, const std::string& position, const std::string& registerError = "0000")
{
    return crlfLines({"#" + header1, "#" + result, "#" + header3}) + counters + "$00000\t00000\r\n$" + position
        + kCrLf + "$" + registerError + kCrLf;
}

// The counters lines 1 to 5 of a run report.
inline std::string counterLines(unsigned requests, unsigned inputData, unsigned outputData, unsigned inputRead,
    unsigned outputWritten)
{
    return crlfLines({"$" + std::to_string(requests), "$" + std::to_string(inputData), "$" + std::to_string(outputData),
        "$" + std::to_string(inputRead), "$" + std::to_string(outputWritten)});
}

// Header line 1 as the configuration reader writes it, for either of two
// clock readings (a minute may turn over during the command).
inline bool headerOneMatches(const std::string& actual, const std::string& fields, const std::string& command,
    const std::string& files, const kelvo::drv::LocalStamp& before, const kelvo::drv::LocalStamp& after)
{
    for (const auto& stamp : {before, after})
        if (actual == fields + "\t" + stamp.date + "\t" + stamp.time + "\t" + command + "\tWIN 9.11.2010\t" + files)
            return true;
    return false;
}

}
