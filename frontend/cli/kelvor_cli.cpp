// kelvor-cli: the front end without windows. It takes the same road as the
// windows do: the last connection settings, the identity commands, the
// report command, and prints the report or the driver's error.
//
//   kelvor-cli [OPTIONS] KIND [RANGE...]      (kelvor-cli --help lists them)
//
// The driver's work runs in a child process (see child_run.h), so that an
// interrupt leaves the port free and the working folder swept.
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <kelvo/kelvodrv.h>

#include "frontend/cli/child_run.h"
#include "frontend/cli/command_line.h"
#include "frontend/cli/configuration_keeper.h"
#include "frontend/cli/link_setting.h"
#include "frontend/logic/cleanup.h"
#include "frontend/logic/connection_choice.h"
#include "frontend/logic/connection_sequence.h"
#include "frontend/logic/driver_messages.h"
#include "frontend/logic/read_progress.h"
#include "frontend/logic/report_range.h"
#include "frontend/logic/system_reason.h"
#include "frontend/logic/text_encoding.h"
#include "frontend/logic/working_folder.h"
#include "platform/file_access.h"
#include "platform/folder_lock.h"

namespace {

using namespace kelvo::frontend;
using namespace kelvo::frontend::cli;

constexpr int kUsageError = 2;
constexpr int kOwnFailure = 1;  // a failure of kelvor-cli's own, not of the driver
constexpr char kConnectedNote[] = "connected";
constexpr char kReportNote[] = "report ";
// The driver writes a trace of the line into the file this variable names.
constexpr char kTraceVariable[] = "KELVO_TRACE";

// On a terminal, the records read so far and the time taken, redrawn while
// the blocking report command runs and once more when it has returned.
class ProgressLine {
public:
    ProgressLine()
    {
        if (!::isatty(STDERR_FILENO))
            return;
        watch_.emplace();
        drawer_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            while (!done_) {
                draw();
                wake_.wait_for(lock, std::chrono::milliseconds(200));
            }
            draw();
            std::fputs("\r\033[K", stderr);
        });
    }
    ~ProgressLine()
    {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        if (drawer_.joinable())
            drawer_.join();
    }

private:
    void draw() const
    {
        const ReadProgress progress = watch_->current();
        const std::string text = recordsReadText(progress.recordsRead, progress.highestIndex) + "  "
            + elapsedText(watch_->elapsed().count());
        std::fprintf(stderr, "\r%s\033[K", text.c_str());
        std::fflush(stderr);
    }

    std::optional<ReadProgressWatch> watch_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread drawer_;
};

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path fromStartFolder(const std::string& startFolder, const std::string& name)
{
    const std::filesystem::path path(name);
    return path.is_absolute() ? path : std::filesystem::path(startFolder) / path;
}

// A copy of the report as the driver wrote it; the reason in Polish when it cannot be made.
std::optional<std::string> saveReport(const std::string& report, const std::filesystem::path& target)
{
    std::error_code error;
    if (std::filesystem::is_directory(target, error))
        return systemReason(EISDIR);
    std::filesystem::copy_file(report, target, std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        return systemReason(error.value());
    return std::nullopt;
}

// The connection and the report, in the working folder; the exit status.
int readReport(const CommandLine& c, Session& session, const Note& note)
{
    ConnectionChoice choice;
    if (const auto last = readLastConnection("konfig.txt"))
        prefill(*last, session.record, choice);
    applyLinkOptions(c, firstConfigurationLine("konfig.txt"), choice, session.record);

    std::string lastQuestion;
    ConnectionEvents events;
    events.continueWithoutRegister = [&lastQuestion](const std::string& message) {
        lastQuestion = message.substr(0, message.find('\n'));
        return false;
    };
    events.showMainWindow = [] { };
    events.requestEnd = [] { };
    events.busy = [](bool) { };
    const ConfigurationKeeper before;
    const ConnectionOutcome connection = runConnection(session, choice, events);
    if (connection.result != ConnectionResult::RangeWindow) {
        std::fprintf(stderr, "%s\n", lastQuestion.c_str());
        before.restore();
        cleanUpAtEnd();
        return connection.code;
    }
    note(kConnectedNote);

    if (c.forgetCache) {
        if (const std::uint8_t code = forgetKeptRecords(session); code != 0) {
            std::fprintf(stderr, "%s\n", driverErrorMessage(code).c_str());
            cleanUpAtEnd();
            return code;
        }
        if (c.range.kind == 0) {
            cleanUpAtEnd();
            return 0;
        }
    }
    UstawieniePamieciRekordow(c.noCache ? 0 : 1);
    ReportRun report;
    {
        ProgressLine progress;
        ReportSteps steps;
        steps.starting = [&note](const ReportNames& names) { note(kReportNote + names.fileName); };
        report = runReport(session, c.range, steps);
    }
    if (report.code != 0) {
        std::fprintf(stderr, "%s\n", driverErrorMessage(report.code).c_str());
        cleanUpAtEnd();
        return report.code;
    }
    std::fputs(utf8FromWindows1250(fileText(report.names.fileName)).c_str(), stdout);
    std::fflush(stdout);
    int status = 0;
    if (c.save) {
        const auto target = fromStartFolder(session.startFolder, *c.save);
        if (const auto reason = saveReport(report.names.fileName, target)) {
            std::fprintf(stderr, "kelvor-cli: nie można zapisać raportu w pliku %s: %s\n", target.c_str(), reason->c_str());
            status = kOwnFailure;
        }
    }
    cleanUpAtEnd();
    return status;
}

// After an interrupt or a crash of the child: what it left goes as at a normal end.
int tidyAfter(const ChildEnd& end, const ConfigurationKeeper& before)
{
    bool connected = false;
    for (const std::string& note : end.notes) {
        connected = connected || note == kConnectedNote;
        if (note.starts_with(kReportNote))
            kelvo::platform::removeFile(note.substr(std::string(kReportNote).size()));
    }
    if (!connected)
        before.restore();
    cleanUpAtEnd();
    const char* name = end.signal == SIGINT ? "SIGINT" : end.signal == SIGTERM ? "SIGTERM" : ::strsignal(end.signal);
    std::fprintf(stderr, "kelvor-cli: przerwano (%s); port zwolniony, folder roboczy uprzątnięty\n", name);
    return 128 + end.signal;
}

std::string holderText(const std::string& folder)
{
    const auto holder = kelvo::platform::flockHolder(folder);
    if (!holder)
        return "inny program";
    return (holder->program.empty() ? std::string("program") : holder->program) + ", PID " + std::to_string(holder->pid);
}

int run(const CommandLine& c)
{
    Session session;
    std::string problem;
    const auto folder = enterWorkingFolder(session.startFolder, problem);
    if (!folder) {
        std::fprintf(stderr, "kelvor-cli: %s\n", problem.c_str());
        return kOwnFailure;
    }
    if (c.showFolder)
        std::fprintf(stderr, "folder roboczy: %s\n", folder->c_str());
    const kelvo::platform::FolderLock lock(*folder);
    if (!lock.acquired()) {
        std::fprintf(stderr, "kelvor-cli: folder roboczy %s jest zajęty: trwa w nim inny odczyt (%s); spróbuj ponownie po jego zakończeniu\n",
            folder->c_str(), holderText(*folder).c_str());
        return kOwnFailure;
    }
    if (c.trace) {
        const auto path = fromStartFolder(session.startFolder, *c.trace);
        std::FILE* trace = std::fopen(path.c_str(), "a");
        if (trace == nullptr) {
            std::fprintf(stderr, "kelvor-cli: nie można otworzyć pliku śladu %s: %s\n", path.c_str(), systemReason(errno).c_str());
            return kOwnFailure;
        }
        std::fclose(trace);
        ::setenv(kTraceVariable, path.c_str(), 1);
    }
    const ConfigurationKeeper before;
    const ChildEnd end = runInChild([&](const Note& note) { return readReport(c, session, note); });
    if (end.signal != 0)
        return tidyAfter(end, before);
    return end.status;
}

}

int main(int argc, char** argv)
{
    const Request request = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (std::holds_alternative<Help>(request)) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    if (std::holds_alternative<Version>(request)) {
        std::printf("kelvor-cli %s\n", KELVOR_VERSION);
        return 0;
    }
    if (const auto* mistake = std::get_if<UsageError>(&request)) {
        std::fprintf(stderr, "%s\n", mistake->message.c_str());
        return kUsageError;
    }
    return run(std::get<CommandLine>(request));
}
