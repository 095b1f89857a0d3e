#include "driver/files/textfile.h"

#include <array>
#include <sys/stat.h>
#include <unistd.h>

#include <kelvo/kelvodrv.h>

#include "driver/core/sealed.h"
#include "driver/files/text.h"
#include "driver/core/context.h"
#include "driver/core/notify.h"
#include "platform/file_access.h"

namespace kelvo::drv {

namespace {

platform::Sharing sharingFor(std::string_view name)
{
    if (!ctx.paths.identificationCache.empty() && name == ctx.paths.identificationCache)
        return platform::Sharing::OthersMayReadWrite;
    if (!ctx.names.output().empty() && name == ctx.names.output())
        return ctx.lineFormat.outputSharing;
    return platform::Sharing::Exclusive;
}

std::uint8_t lowByte(int handle)
{
    return static_cast<std::uint8_t>(handle & 0xFF);
}

bool isInputFile(int handle)
{
    return handle != kClosedHandle && handle == ctx.files.input;
}

bool isOutputFile(int handle)
{
    return handle != kClosedHandle && handle == ctx.files.output;
}

bool isCommentFile(int handle)
{
    return handle != kClosedHandle && handle == ctx.files.comment;
}

// Bytes of a line are text: a NUL cannot be part of it. It still counts
// toward the line's length, so that a stream of NULs ends the read.
void appendData(std::string& line, std::size_t& taken, std::string_view bytes)
{
    taken += bytes.size();
    for (char c : bytes)
        if (c != '\0')
            line.push_back(c);
}

// Puts back what was read past the end of the line, so the file position is
// the one a byte-by-byte reader would leave.
void unread(int handle, std::size_t count)
{
    if (count > 0)
        ::lseek(handle, -static_cast<off_t>(count), SEEK_CUR);
}

// Reads bytes up to and including the terminator. Returns false when the
// line grew beyond 1023 characters.
bool scanLine(int handle, std::string& line)
{
    const std::string& terminator = ctx.lineFormat.terminator;
    const bool seekable = ::lseek(handle, 0, SEEK_CUR) >= 0;
    std::array<char, 512> buffer {};
    std::string pending;
    std::size_t taken = 0;
    for (;;) {
        const ssize_t count = ::read(handle, buffer.data(), seekable ? buffer.size() : 1);
        if (count <= 0)
            break;
        for (ssize_t i = 0; i < count; ++i) {
            const char byte = buffer[static_cast<std::size_t>(i)];
            ctx.reading.endedWithTerminator = false;
            pending.push_back(byte);
            if (pending.size() <= terminator.size() && byte == terminator[pending.size() - 1]) {
                if (pending.size() == terminator.size()) {
                    ctx.reading.endedWithTerminator = true;
                    ctx.reading.emptyLine = line.empty();
                    unread(handle, static_cast<std::size_t>(count - i - 1));
                    return true;
                }
                continue;
            }
            // A broken partial match is data, the breaking byte included.
            appendData(line, taken, pending);
            pending.clear();
            if (taken > kMaxTextLength) {
                unread(handle, static_cast<std::size_t>(count - i - 1));
                return false;
            }
        }
    }
    appendData(line, taken, pending);
    return taken <= kMaxTextLength;
}

}

bool openFile(int& handle, std::string_view name, std::uint8_t mode)
{
    handle = mode <= 3 ? platform::openFile(name, static_cast<platform::OpenMode>(mode), sharingFor(name))
                       : kClosedHandle;
    return handle != kClosedHandle;
}

void closeFile(int& handle)
{
    if (handle != kClosedHandle)
        platform::closeFile(handle);
    handle = kClosedHandle;
}

bool deleteFile(std::string_view name)
{
    return platform::removeFile(name);
}

bool atEndOfFile(int handle)
{
    const off_t current = ::lseek(handle, 0, SEEK_CUR);
    const off_t end = ::lseek(handle, 0, SEEK_END);
    if (current == end)
        return true;
    if (current >= 0)
        ::lseek(handle, current, SEEK_SET);
    return false;
}

std::int64_t filePosition(int handle)
{
    return ::lseek(handle, 0, SEEK_CUR);
}

bool cutFileAt(int handle, std::int64_t position)
{
    struct stat st {};
    if (::fstat(handle, &st) != 0 || !S_ISREG(st.st_mode))
        return true;
    return position >= 0 && ::ftruncate(handle, position) == 0 && ::lseek(handle, position, SEEK_SET) == position;
}

bool readRawLine(int handle, std::string& line)
{
    line.clear();
    ctx.reading.emptyLine = false;
    const bool comment = isCommentFile(handle);
    if (!comment) {
        if (isInputFile(handle))
            ++ctx.counters.inputLinesRead;
        else if (lowByte(handle) == ctx.lastReadHandle)
            ++ctx.reading.otherLineNumber;
        else
            ctx.reading.otherLineNumber = 1;
    }
    if (!scanLine(handle, line)) {
        line.clear();
        return false;
    }
    if (!comment) {
        if (isInputFile(handle)) {
            ctx.reading.lastInputLine = line;
            ctx.reading.inputFieldNumber = 0;
        } else {
            ctx.reading.lastOtherLine = line;
            ctx.reading.otherFieldNumber = 0;
        }
        ctx.lastReadHandle = lowByte(handle);
    }
    return !line.empty();
}

bool readLineOfKind(int handle, char sign, std::string& line, bool& wrongKind)
{
    wrongKind = false;
    for (;;) {
        if (!readRawLine(handle, line)) {
            if (ctx.reading.emptyLine)
                continue;
            return false;
        }
        if (line.front() == sign) {
            line.erase(0, 1);
            return true;
        }
        if (line.front() != kCommentSign) {
            line.clear();
            wrongKind = true;
            return false;
        }
    }
}

bool readDataLine(int handle, std::string& line, bool& wrongKind)
{
    if (!readLineOfKind(handle, kDataSign, line, wrongKind))
        return false;
    if (isInputFile(handle) && ctx.counters.inputHeaderLines >= 3) {
        ++ctx.counters.inputDataLines;
        postPeriodic(Notice::Lines, ctx.counters.inputDataLines, ctx.server.linesInterval);
    }
    return true;
}

bool readHeaderLine(int handle, std::string& line, bool& wrongKind)
{
    if (!readLineOfKind(handle, kHeaderSign, line, wrongKind))
        return false;
    if (isInputFile(handle) && ctx.counters.inputHeaderLines < 0xFF)
        ++ctx.counters.inputHeaderLines;
    return true;
}

bool writeText(int handle, std::string_view text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(handle, text.data() + written, text.size() - written);
        if (count <= 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

bool writeLine(int handle, std::string_view text)
{
    std::string line(text);
    line += ctx.lineFormat.terminator;
    if (!writeText(handle, line))
        return false;
    if (isOutputFile(handle))
        ++ctx.counters.outputLinesWritten;
    return true;
}

bool writeHeaderLines(int handle)
{
    if (isOutputFile(handle) && !ctx.switches.headerLinesInOutput)
        return true;
    for (const std::string& header : ctx.headers.line)
        if (!writeLine(handle, std::string(1, kHeaderSign) + header))
            return false;
    return true;
}

bool writeDataLine(int handle, std::string_view text)
{
    if (!writeLine(handle, std::string(1, kDataSign) + std::string(text)))
        return false;
    if (isOutputFile(handle)) {
        ++ctx.counters.outputDataLines;
        postPeriodic(Notice::Outlines, ctx.counters.outputDataLines, ctx.server.outlinesInterval);
    }
    return true;
}

}

using namespace kelvo::drv;

namespace {

unsigned char readWantedLine(auto reader, int handle, char* line, unsigned char* wrongKind)
{
    std::string text;
    bool wrong = false;
    const bool found = reader(handle, text, wrong);
    storeText(line, text);
    if (wrongKind != nullptr)
        *wrongKind = wrong ? 1 : 0;
    return found ? 1 : 0;
}

}

extern "C" {

KELVODRV_API unsigned char OtwartoPlik(int* handle, const char* name, unsigned char mode)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        int opened = kClosedHandle;
        const bool ok = openFile(opened, bufferText(name), mode);
        if (handle != nullptr)
            *handle = opened;
        else
            closeFile(opened);
        return ok && handle != nullptr ? 1 : 0;
    });
}

KELVODRV_API void ZamknieciePliku(int* handle)
{
    kelvo::drv::sealed([&] {
        if (handle != nullptr)
            closeFile(*handle);
    });
}

KELVODRV_API unsigned char Moje_feof(int handle)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return atEndOfFile(handle) ? 1 : 0;
    });
}

KELVODRV_API unsigned char OdczytanoZPlikuKonkretnaLinie(int handle, unsigned char sign, char* line, unsigned char* wrongKind)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        const auto ofSign = [sign](int file, std::string& text, bool& wrong) {
            return readLineOfKind(file, static_cast<char>(sign), text, wrong);
        };
        return readWantedLine(ofSign, handle, line, wrongKind);
    });
}

KELVODRV_API unsigned char OdczytanoZPlikuLinieDanych(int handle, char* line, unsigned char* wrongKind)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return readWantedLine(readDataLine, handle, line, wrongKind);
    });
}

KELVODRV_API unsigned char OdczytanoZPlikuLinieNaglowka(int handle, char* line, unsigned char* wrongKind)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return readWantedLine(readHeaderLine, handle, line, wrongKind);
    });
}

KELVODRV_API unsigned char ZapisanoDoPlikuLinie(int handle, const char* text)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return writeLine(handle, bufferText(text)) ? 1 : 0;
    });
}

KELVODRV_API unsigned char ZapisanoDoPlikuNaglowek(int handle)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return writeHeaderLines(handle) ? 1 : 0;
    });
}

KELVODRV_API unsigned char ZapisanoDoPlikuLinieDanych(int handle, const char* text)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return writeDataLine(handle, bufferText(text)) ? 1 : 0;
    });
}

}
