#include "driver/transport/link_trace.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "driver/core/context.h"
#include "platform/file_access.h"

namespace kelvo::drv {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The trace belongs to the link and outlives a command while the link is kept open.
struct Trace {
    std::unique_ptr<std::FILE, FileCloser> file;
    unsigned request = 0;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> received;
    double receivedAt = 0;
};

Trace trace;

double nowMs()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void writeBurst(double at, const char* direction, std::span<const std::uint8_t> bytes)
{
    std::string hex;
    std::string printable;
    char two[4];
    for (const std::uint8_t byte : bytes) {
        std::snprintf(two, sizeof(two), "%02X ", byte);
        hex += two;
        printable.push_back(byte >= 32 && byte < 127 ? static_cast<char>(byte) : '.');
    }
    std::fprintf(trace.file.get(), "%.3f %s req=%u cmd=%u %s|%s|\n", at, direction, trace.request, trace.command,
        hex.c_str(), printable.c_str());
    std::fflush(trace.file.get());
}

void writeReceived()
{
    if (trace.received.empty())
        return;
    writeBurst(trace.receivedAt, "RX", trace.received);
    trace.received.clear();
}

// The line that starts a command's part of the trace: the port opened for it, or kept open from the command before.
void traceCommandStart(const char* how)
{
    // What the command before received last belongs to its own request.
    writeReceived();
    trace.request = 0;
    trace.command = 0;
    // The register number and port setting: the first two fields of header line 1.
    const std::string& header = ctx.headers.line[0];
    const std::string configuration = header.substr(0, header.find('\t', header.find('\t') + 1));
    std::fprintf(trace.file.get(), "# %.3f %s pid=%d command=%s config=%s\n", nowMs(), how, static_cast<int>(::getpid()),
        ctx.names.command().c_str(), configuration.c_str());
    std::fflush(trace.file.get());
}

}

void traceLinkOpened()
{
    if (!trace.file) {
        const char* path = std::getenv(kTraceVariable);
        if (path == nullptr || *path == '\0')
            return;
        trace.file.reset(platform::appendStream(path));
        if (!trace.file)
            return;
    }
    traceCommandStart("open");
}

void traceLinkKept()
{
    if (trace.file)
        traceCommandStart("kept");
}

void traceLinkClosed()
{
    if (!trace.file)
        return;
    writeReceived();
    std::fprintf(trace.file.get(), "# %.3f close\n", nowMs());
    trace.file.reset();
}

void traceRequest(std::uint8_t command)
{
    if (!trace.file)
        return;
    writeReceived();
    trace.request = ctx.counters.requestsExecuted + 1;
    trace.command = command;
}

void traceSent(std::span<const std::uint8_t> bytes)
{
    if (!trace.file)
        return;
    const double at = nowMs();
    writeReceived();
    writeBurst(at, "TX", bytes);
}

void traceReceived(std::uint8_t byte)
{
    if (!trace.file)
        return;
    if (trace.received.empty())
        trace.receivedAt = nowMs();
    trace.received.push_back(byte);
}

void traceSilence()
{
    if (!trace.file)
        return;
    writeReceived();
    std::fprintf(trace.file.get(), "%.3f RX req=%u cmd=%u -- brak odpowiedzi\n", nowMs(), trace.request, trace.command);
    std::fflush(trace.file.get());
}

}
