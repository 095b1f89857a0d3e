#include <cstdio>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/files/fields.h"
#include "driver/files/file_names.h"
#include "driver/files/local_time.h"
#include "driver/files/text.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/command/command.h"
#include "driver/core/context.h"
#include "driver/core/notify.h"
#include "driver/core/result_codes.h"
#include "driver/transport/link.h"

namespace kelvo::drv {

namespace {

constexpr std::string_view kSuccessComment = "program zakonczony bezblednie";
constexpr std::string_view kTraceFolder = "$$$";

// The result code a condition is reported with, for the tables below.
constexpr std::uint8_t codeOf(std::uint8_t condition)
{
    return resultCodeFor(condition);
}

std::string hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof(text), "%04X", value);
    return text;
}

// Scans the comment file from its start for the first line whose field 1
// satisfies the test, and returns its field 2 ("" when it has none).
template <typename Test>
std::optional<std::string> findComment(const std::string& path, Test matches)
{
    if (!openFile(ctx.files.comment, path, 0))
        return std::nullopt;
    std::optional<std::string> found;
    std::string line;
    for (;;) {
        const std::int64_t before = filePosition(ctx.files.comment);
        readRawLine(ctx.files.comment, line);
        std::string code;
        if (!line.empty() && subField(line, 1, kFieldSeparator, code) && matches(code)) {
            std::string text;
            subField(line, 2, kFieldSeparator, text);
            found = text;
            break;
        }
        if (atEndOfFile(ctx.files.comment) || filePosition(ctx.files.comment) == before)
            break;
    }
    closeFile(ctx.files.comment);
    return found;
}

std::string commentFor(std::uint8_t code)
{
    if (code == codeOf(condition::Success))
        return std::string(kSuccessComment);
    const std::string path = ctx.paths.comment.empty() ? std::string("KOMENT.TXT") : ctx.paths.comment;
    std::string comment =
        findComment(path, [code](const std::string& field) { return parseByte(field) == code; }).value_or("");
    if (code == codeOf(condition::RegisterError)) {
        const std::string number = hex4(ctx.outcome.registerErrorCode);
        comment += comment.empty() ? number : " " + number;
        const auto text = findComment(path, [&number](const std::string& field) { return upperCased(field) == number; });
        if (text && !text->empty())
            comment += " (" + *text + ")";
    }
    return comment;
}

std::string fileNamedFor(std::uint8_t code)
{
    switch (code) {
    case codeOf(condition::ReservedInputName): case codeOf(condition::SameInputAndOutput):
    case codeOf(condition::InputOpen): case codeOf(condition::InputIncomplete): case codeOf(condition::InputFormat):
    case codeOf(condition::InputData):
        return ctx.names.input();
    case codeOf(condition::ReservedOutputName): case codeOf(condition::OutputOpen): case codeOf(condition::OutputWrite):
        return ctx.names.output();
    case codeOf(condition::ConfigurationOpen): case codeOf(condition::ConfigurationIncomplete):
    case codeOf(condition::ConfigurationNoLine): case codeOf(condition::ConfigurationData):
    case codeOf(condition::ConfigurationFormat):
        return ctx.paths.configuration;
    case codeOf(condition::ReportOpen): case codeOf(condition::ReportWrite): return ctx.paths.report;
    case codeOf(condition::ModkonfFirst): case codeOf(condition::ModkonfSecond): return ctx.paths.modkonf;
    case codeOf(condition::CacheOpen): case codeOf(condition::CacheData): case codeOf(condition::CacheWrite):
        return ctx.paths.identificationCache;
    default: return {};
    }
}

std::string resultLine(std::uint8_t code)
{
    const std::string comment = commentFor(code);
    const std::string file = fileNamedFor(code);
    std::string line = std::to_string(code);
    if (comment.empty() && file.empty())
        return line;
    line += "\t;";
    if (!comment.empty())
        line += " " + comment;
    if (ctx.server.showFile && !file.empty())
        line += " (" + file + ")";
    return boundedText(line);
}

std::string padded5(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%05u", value);
    return text;
}

// Where parsing stopped: configuration-side codes point at the last line of
// another file, all others at the last input line.
std::string parsePositionLine(std::uint8_t code)
{
    const bool otherFile = code == codeOf(condition::ConfigurationIncomplete) || code == codeOf(condition::ConfigurationNoLine)
        || code == codeOf(condition::ConfigurationData) || code == codeOf(condition::ConfigurationFormat)
        || code == codeOf(condition::ModkonfSecond) || code == codeOf(condition::CacheData);
    const std::uint32_t number = otherFile ? ctx.reading.otherLineNumber : ctx.counters.inputLinesRead;
    const unsigned field = otherFile ? ctx.reading.otherFieldNumber : ctx.reading.inputFieldNumber;
    const std::string& text = otherFile ? ctx.reading.lastOtherLine : ctx.reading.lastInputLine;
    return std::to_string(number) + "\t" + std::to_string(field) + "\t" + text;
}

bool writeReport(int handle)
{
    const Counters& n = ctx.counters;
    const std::uint8_t code = ctx.outcome.resultCode;
    return writeHeaderLines(handle) && writeDataLine(handle, std::to_string(n.requestsExecuted))
        && writeDataLine(handle, std::to_string(n.inputDataLines))
        && writeDataLine(handle, std::to_string(n.outputDataLines))
        && writeDataLine(handle, std::to_string(n.inputLinesRead))
        && writeDataLine(handle, std::to_string(n.outputLinesWritten))
        && writeDataLine(handle, padded5(0) + "\t" + padded5(0))
        && writeDataLine(handle, parsePositionLine(code))
        && writeDataLine(handle, hex4(ctx.outcome.registerErrorCode));
}

void writeRunReport()
{
    if (ctx.files.report == kClosedHandle) {
        if (conditionIs(condition::ReportOpen))
            return;
        int handle = kClosedHandle;
        std::string path = ctx.paths.report;
        if (!openFile(handle, path, 1)) {
            path = "RAPORT.TXT";
            if (!openFile(handle, path, 1))
                return;
        }
        const bool written = writeReport(handle);
        closeFile(handle);
        if (!written)
            deleteFile(path);
        return;
    }
    if (!writeReport(ctx.files.report) && isSuccess())
        storeCondition(condition::ReportWrite);
    closeFile(ctx.files.report);
    if (conditionIs(condition::ReportWrite))
        deleteFile(ctx.paths.report);
}

bool traceFolderExists()
{
    struct stat st {};
    const std::string folder(kTraceFolder);
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(folder.c_str(), X_OK) == 0;
}

// Appends the source's lines, up to its end or first empty line, to the trace
// copy of that kind.
void appendTraceCopy(const std::string& source, std::string_view kind, const std::string& base, const std::string& header)
{
    if (source.empty())
        return;
    int from = kClosedHandle;
    if (!openFile(from, source, 0))
        return;
    int to = kClosedHandle;
    if (openFile(to, std::string(kTraceFolder) + "\\" + base + "." + std::string(kind), 2) && writeLine(to, header)) {
        std::string line;
        while (readRawLine(from, line) && writeLine(to, line)) { }
    }
    closeFile(to);
    closeFile(from);
}

void writeTraceCopies()
{
    if (!traceFolderExists())
        return;
    const LocalStamp stamp = localStamp();
    const std::string header = ";*** " + stamp.date + " " + stamp.time + " " + ctx.names.command() + " *** ";
    const std::string base = ctx.names.input().empty() ? std::string(kTraceFolder) : baseNamePart(ctx.names.input());
    appendTraceCopy(ctx.names.input(), "IN", base, header);
    if (ctx.switches.hasOutputFile)
        appendTraceCopy(ctx.names.output(), "OUT", base, header);
    appendTraceCopy(ctx.paths.report.empty() ? std::string("RAPORT.TXT") : ctx.paths.report, "RAP", base, header);
    appendTraceCopy(ctx.paths.configuration, "KON", base, header);
    appendTraceCopy(parameterListName(), "SER", base, header);
}

}

void finish()
{
    for (int* handle : {&ctx.files.input, &ctx.files.output, &ctx.files.configuration, &ctx.files.identificationCache,
             &ctx.files.parameterList})
        closeFile(*handle);
    ctx.headers.line[1] = resultLine(ctx.outcome.resultCode);
    writeRunReport();
    writeTraceCopies();
    closeLink();
    sendPendingNotices(kFinishNoticeWait);
}

}
