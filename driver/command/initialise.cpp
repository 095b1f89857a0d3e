#include <optional>
#include <kelvo/kelvodrv_contract.h>

#include "driver/files/fields.h"
#include "driver/files/file_names.h"
#include "driver/files/text.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/command/command.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"

namespace kelvo::drv {

namespace {

constexpr std::uint32_t kLargestInterval = 16777215;

// What a parameter-list file sets; taken over only when the whole file is valid.
struct ParameterList {
    std::string terminator;
    std::string configuration;
    std::string report;
    std::string comment;
    std::string modkonf;
    std::string identificationCache;
    std::uint32_t messageNumber = 0;
    std::uint32_t driverIdentifier = 0;
    bool debug = false;
    bool startSuspended = false;
    bool showFile = true;
    std::uint32_t counterInterval = 0;
    std::uint32_t linesInterval = 0;
    std::uint32_t outlinesInterval = 0;
    platform::Sharing outputSharing = platform::Sharing::Exclusive;
};

// Field 1 of the next data line of the parameter-list file.
std::optional<std::string> nextValue()
{
    std::string line;
    std::string field;
    bool wrongKind = false;
    if (!readDataLine(ctx.files.parameterList, line, wrongKind) || !lineField(line, 1, field))
        return std::nullopt;
    return field;
}

// Bytes written in decimal and separated by ':', such as 13:10.
std::optional<std::string> terminatorFrom(std::string_view text)
{
    std::string bytes;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(kSubFieldSeparator, start);
        const auto byte = parseByte(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (!byte)
            return std::nullopt;
        bytes.push_back(static_cast<char>(*byte));
        if (end == std::string_view::npos)
            return bytes;
        start = end + 1;
    }
}

std::optional<std::uint32_t> intervalFrom(const std::optional<std::string>& text)
{
    return text ? parseLongInRange(*text, 0, kLargestInterval) : std::nullopt;
}

bool readBoolean(bool& target)
{
    const auto text = nextValue();
    const auto value = text ? parseBoolean(*text) : std::nullopt;
    if (value)
        target = *value;
    return value.has_value();
}

bool readServerLine(ParameterList& list)
{
    const auto text = nextValue();
    if (!text)
        return false;
    std::string part;
    std::optional<std::uint32_t> number;
    if (!subField(*text, 1, kSubFieldSeparator, part) || !(number = parseLong(part)))
        return false;
    list.messageNumber = *number;
    if (subField(*text, 2, kSubFieldSeparator, part)) {
        if (!(number = parseLong(part)))
            return false;
        list.driverIdentifier = *number;
    }
    return true;
}

bool readThirteenLines(ParameterList& list)
{
    const auto terminatorText = nextValue();
    const auto terminator = terminatorText ? terminatorFrom(*terminatorText) : std::nullopt;
    if (!terminator)
        return false;
    list.terminator = *terminator;
    for (std::string* path : {&list.configuration, &list.report, &list.comment, &list.modkonf, &list.identificationCache}) {
        const auto text = nextValue();
        if (!text)
            return false;
        *path = *text;
    }
    if (!readServerLine(list) || !readBoolean(list.debug) || !readBoolean(list.startSuspended)
        || !readBoolean(list.showFile))
        return false;
    for (std::uint32_t* interval : {&list.counterInterval, &list.linesInterval, &list.outlinesInterval}) {
        const auto value = intervalFrom(nextValue());
        if (!value)
            return false;
        *interval = *value;
    }
    return true;
}

// The optional fourteenth line: the output sharing mode 0, 1 or 2. No line at
// all keeps the exclusive default; anything else is a fault.
bool readOutputSharing(ParameterList& list)
{
    std::string line;
    std::string field;
    bool wrongKind = false;
    if (!readDataLine(ctx.files.parameterList, line, wrongKind))
        return !wrongKind;
    std::optional<std::uint8_t> mode;
    if (!lineField(line, 1, field) || !(mode = parseByte(field)) || *mode > 2)
        return false;
    list.outputSharing = static_cast<platform::Sharing>(*mode);
    return true;
}

void takeOver(const ParameterList& list)
{
    ctx.lineFormat.terminator = list.terminator;
    ctx.lineFormat.outputSharing = list.outputSharing;
    ctx.paths.configuration = list.configuration;
    ctx.paths.firstConfiguration = list.configuration;
    ctx.paths.report = list.report;
    ctx.paths.comment = list.comment;
    ctx.paths.modkonf = list.modkonf;
    ctx.paths.identificationCache = list.identificationCache;
    ctx.server.configuredMessageNumber = list.messageNumber;
    ctx.server.driverIdentifier = list.driverIdentifier;
    ctx.server.debug = list.debug;
    ctx.server.startSuspended = list.startSuspended;
    ctx.server.showFile = list.showFile;
    ctx.server.counterInterval = list.counterInterval;
    ctx.server.linesInterval = list.linesInterval;
    ctx.server.outlinesInterval = list.outlinesInterval;
}

void readParameterList()
{
    storeCondition(condition::ParameterList);
    if (!openFile(ctx.files.parameterList, parameterListName(), 0))
        return;
    ParameterList list;
    const bool valid = readThirteenLines(list) && readOutputSharing(list);
    closeFile(ctx.files.parameterList);
    if (!valid)
        return;
    takeOver(list);
    storeCondition(condition::Success);
}

void setPaths(const std::string& base)
{
    ctx.paths.configuration = base + KELVODRV_CONFIGURATION_FILE;
    ctx.paths.firstConfiguration = ctx.paths.configuration;
    ctx.paths.report = base + "RAPORT.TXT";
    ctx.paths.comment = base + "KOMENT.TXT";
    ctx.paths.modkonf = base + "MODKONF.TXT";
    ctx.paths.identificationCache = base + "ECRTBUF.TXT";
}

// The folder of the files beside the input file, unless the current folder
// holds a configuration file. The folder is kept in its own case: unlike the
// file system the driver came from, this one tells cases apart.
std::string baseFolder()
{
    int probe = kClosedHandle;
    if (openFile(probe, KELVODRV_CONFIGURATION_FILE, 0)) {
        closeFile(probe);
        return {};
    }
    return folderPart(ctx.names.input());
}

}

void initialise()
{
    if (ctx.names.input().empty()) {
        setPaths({});
        return;
    }
    const std::string argument = ctx.names.input();
    for (unsigned k = ctx.switches.hasOutputFile ? 3 : 2; k >= 1; --k) {
        std::string part;
        if (subField(argument, k, ';', part))
            ctx.names.slot[k] = part;
    }
    if (!parameterListName().empty()) {
        readParameterList();
        if (!isSuccess())
            return;
    } else {
        setPaths(baseFolder());
    }
    ctx.paths.reserved = {ctx.paths.configuration, ctx.paths.report, ctx.paths.comment, ctx.paths.modkonf,
        ctx.paths.identificationCache, KELVODRV_TEMPORARY_CONFIGURATION_FILE};
}

}
