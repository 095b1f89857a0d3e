// The driver's process-global state. Every command works on this one
// context; the command reset clears the parts that belong to a command and
// leaves the parts that outlive it, which are marked below.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/file_access.h"
#include "platform/message_bus.h"

namespace kelvo::drv {

inline constexpr int kClosedHandle = -1;

// Name slots: 0 the command name, 1 the input file, 2 the output file,
// 3 the parameter-list file. An empty slot counts as not given.
struct CommandNames {
    std::array<std::string, 4> slot;
    const std::string& command() const { return slot[0]; }
    const std::string& input() const { return slot[1]; }
    const std::string& output() const { return slot[2]; }
};

// Header lines 1 (configuration), 2 (result) and 3 (identification),
// written behind '#' at the top of the output and run report files.
struct HeaderLines {
    std::array<std::string, 3> line;
};

struct FileHandles {
    int input = kClosedHandle;
    int output = kClosedHandle;
    int comment = kClosedHandle;
    int configuration = kClosedHandle;
    int report = kClosedHandle;
    int identificationCache = kClosedHandle;
    int parameterList = kClosedHandle;
};

// Switches each command sets before initialisation.
struct CommandSwitches {
    bool hasOutputFile = false;
    bool headerLinesInOutput = true;
    bool talksToRegister = false;
    bool checkRegisterNumber = false;
};

struct Outcome {
    std::uint8_t resultCode = 0;
    std::uint16_t registerErrorCode = 0;
};

// How lines are ended and how the output file is shared; set from the
// parameter-list file.
struct LineFormat {
    std::string terminator = "\r\n";
    platform::Sharing outputSharing = platform::Sharing::Exclusive;
};

// What the last raw reads left behind, for the run report's "where parsing
// stopped" line and for appending to a file whose last line lacks its end.
struct ReadingState {
    std::string lastInputLine;
    std::uint8_t inputFieldNumber = 0;
    std::string lastOtherLine;
    std::uint32_t otherLineNumber = 0;
    std::uint8_t otherFieldNumber = 0;
    bool endedWithTerminator = true;
    bool emptyLine = false;
};

struct Counters {
    std::uint32_t requestsExecuted = 0;
    std::uint32_t inputDataLines = 0;
    std::uint32_t outputDataLines = 0;
    std::uint32_t inputLinesRead = 0;
    std::uint32_t outputLinesWritten = 0;
    std::uint8_t inputHeaderLines = 0;
};

// Co-operation with a port-sharing server, as the parameter-list file sets it.
struct ServerSettings {
    std::uint32_t configuredMessageNumber = 0;
    std::uint32_t activeMessageNumber = 0;  // set when the command announces itself
    std::uint32_t driverIdentifier = 0;     // 0: the process identifier
    std::uint32_t counterInterval = 0;
    std::uint32_t linesInterval = 0;
    std::uint32_t outlinesInterval = 0;
    bool debug = false;
    bool startSuspended = false;
    bool showFile = true;
    std::string debugDescription;
};

// Paths the initialisation computes; they survive the command reset.
struct FramePaths {
    std::string configuration;
    std::string firstConfiguration;
    std::string report;
    std::string comment;
    std::string modkonf;
    std::string identificationCache;
    std::array<std::string, 6> reserved;
};

struct Context {
    CommandNames names;
    HeaderLines headers;
    FileHandles files;
    CommandSwitches switches;
    Outcome outcome;
    LineFormat lineFormat;
    ReadingState reading;
    Counters counters;
    ServerSettings server;

    // Outlive a command.
    FramePaths paths;
    std::uint8_t lastReadHandle = 0xFF;  // low byte of the handle of the last raw read
    platform::MessageBus bus;            // bound once a server message number is set
};

extern Context ctx;

// Clears everything that belongs to one command.
void resetCommandContext();

}
