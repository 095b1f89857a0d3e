// The driver's process-global state. Every command works on this one
// context, made of two parts: what a command owns (cleared by the command
// reset in one assignment) and what outlives a command.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include <kelvo/kelvodrv.h>

#include "driver/core/device_identity.h"
#include "driver/core/line_errors.h"
#include "driver/core/port_state.h"
#include "driver/core/report_state.h"
#include "driver/core/request_state.h"
#include "platform/file_access.h"
#include "platform/message_bus.h"
#include "platform/tcp_socket.h"

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

// Set just before a command's prelude: requests made while the exchange is
// active are retried, and the first request of a command gets its own count.
struct ExchangeFlags {
    bool active = false;
    bool firstRequest = false;
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

enum class LinkKind : std::uint8_t {
    Serial = 0,           // a serial port with the configuration line's time-out
    ConverterSerial = 1,  // a serial port to a line converter; time-outs from the extended settings
    Tcp = 2,              // a TCP connection to a converter; host, port and time-out from the extended settings
};

// The way to the register that the multiplexer type of the configuration
// line gives; it belongs to the command that read the line.
struct LinkRoute {
    LinkKind kind = LinkKind::Serial;
    bool extendedSettings = false;      // every register transaction travels in a converter frame
    std::uint8_t channelSwitching = 0;  // 0 none; 1, 2, 3 the switching methods
    bool channelSelect = false;         // look for a network serial server before selecting
};

// How the register is reached, as the configuration line for its number
// says; the values of the last successful read stay.
struct ConnectionSettings {
    std::uint8_t portNumber = 0;
    std::uint32_t speed = 0;
    std::uint8_t multiplexerType = 0;
    std::uint8_t channel = 0;
    std::uint32_t writeTimeout = 3;  // seconds
    std::uint32_t readTimeout = 3;   // seconds
    std::uint8_t lineParity = 0;     // parity code of the port layer
    std::uint32_t lineSpeed = 0;
    std::uint8_t lineChannel = 0;

    // The extended settings field.
    char converterMode = '\0';             // 'P' or 'T'
    std::string linkIdentifier;            // eight characters
    std::uint32_t converterWord = 0;       // kept, not used
    std::string remoteText;                // kept, not used
    std::uint32_t remoteWord = 0;          // kept, not used
    std::string host;
    std::uint32_t tcpPort = 0;
    std::uint32_t extendedTimeout = 0;     // seconds
    std::uint8_t linkParameter = 0;
};

// The link to the register; it outlives a command when kept open.
struct LinkState {
    bool open = false;
    bool keepOpen = false;
    bool ctsFlow = false;      // output waits for CTS
    platform::TcpSocket socket;  // the TCP connection of a network link
    LinkRoute openedRoute;     // the route the open link was opened on
};

// The function told of each fiscal memory record read. It outlives a
// command; a window thread may set it while another thread runs the
// command, so both sides hold the lock.
struct ReadProgressListener {
    std::recursive_mutex lock;  // recursive: the function may set another one
    FunkcjaPostepuOdczytu function = nullptr;
    void* context = nullptr;
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

// What belongs to one command.
struct CommandState {
    CommandNames names;
    HeaderLines headers;
    FileHandles files;
    CommandSwitches switches;
    Outcome outcome;
    ExchangeFlags exchange;
    // The line terminator and output sharing go back to their defaults too, so
    // that a parameter-list file of one command does not change how the next
    // command, given none, reads its files.
    LineFormat lineFormat;
    ReadingState reading;
    Counters counters;
    ServerSettings server;
    std::uint8_t registerNumber = 0;  // from the input file's first header line
    RequestState request;
    DeviceIdentity device;
    ReportState reports;  // fiscal memory records and the report range
    LinkRoute route;
};

// What outlives a command.
struct LastingState {
    ConnectionSettings connection;
    LinkState link;
    PortLayerState ports;
    LineErrorFlags lineErrors;
    bool registerNumberCheck = true;  // error 22 on a differing register number
    bool keepRecords = false;         // records are kept across runs in the user's cache folder
    FramePaths paths;
    std::uint8_t lastReadHandle = 0xFF;  // low byte of the handle of the last raw read
    // The figures of the last periodic report command, none when it failed.
    std::optional<ReportFigures> lastReportFigures;
};

// The parts that outlive a command and cannot be copied stand beside the two.
struct Context : CommandState, LastingState {
    platform::MessageBus bus;  // bound once a server message number is set
    ReadProgressListener readProgress;
    // Set from any thread to stop the running command before its next
    // fiscal memory record; cleared with the command's own state.
    std::atomic<bool> stopRequested {false};
};

extern Context ctx;

// Clears everything that belongs to one command.
void resetCommandContext();

// Back to the state of a freshly loaded driver: both parts cleared, the
// link and ports closed, the message bus left, no progress function.
void resetProcessState();

}
