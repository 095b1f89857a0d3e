// kelvor-cli: the front end without windows. It takes the same road as the
// windows do: the last connection settings, the identity commands, the
// report command, and prints the report or the driver's error.
//
//   kelvor-cli [OPTIONS] KIND [RANGE...]      (kelvor-cli --help lists them)
//   kelvor-cli --all KIND [RANGE...]           every register of the register list
//
// The driver's work runs in a child process (see child_run.h), so that an
// interrupt leaves the port free and the working folder swept.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "frontend/cli/batch_run.h"
#include "frontend/cli/child_run.h"
#include "frontend/cli/command_line.h"
#include "frontend/cli/register_list.h"
#include "frontend/cli/register_outputs.h"
#include "frontend/cli/summary_file.h"
#include "frontend/logic/file_keeper.h"
#include "frontend/cli/report_keeping.h"
#include "frontend/cli/single_report.h"
#include "frontend/logic/read_progress.h"
#include "frontend/logic/save_target.h"
#include "frontend/logic/system_reason.h"
#include "frontend/logic/text_encoding.h"
#include "frontend/logic/working_folder.h"
#include "platform/file_access.h"
#include "platform/folder_lock.h"
#include "platform/port_map.h"
#include "platform/serial_devices.h"

namespace {

using namespace kelvo::frontend;
using namespace kelvo::frontend::cli;

constexpr int kUsageError = 2;
// The driver writes a trace of the line into the file this variable names.
constexpr char kTraceVariable[] = "KELVO_TRACE";

std::filesystem::path fromStartFolder(const std::string& startFolder, const std::string& name)
{
    const std::filesystem::path path(name);
    return path.is_absolute() ? path : std::filesystem::path(startFolder) / path;
}

// One register: the report to standard output, a copy with --save, the
// register's outputs with --output, the progress on a terminal redrawn in
// one line.
ReportOutlet singleOutlet(const CommandLine& c, const Session& session, const std::filesystem::path& output, const Note& note)
{
    ReportOutlet outlet;
    outlet.failed = [&note](const std::string& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
        note(kFailureNote + message.substr(0, message.find('\n')));
    };
    outlet.finished = [&c, &session, output, &note](const std::string& reportFile) {
        std::fputs(utf8FromWindows1250(fileText(reportFile)).c_str(), stdout);
        std::fflush(stdout);
        int status = 0;
        RegisterOutputs outputs;
        if (c.output) {
            outputs = writeRegisterOutputs(reportFile, session, output, std::filesystem::file_time_type::max());
            noteOutputs(outputs, session, note);
            if (!outputs.problem.empty()) {
                std::fprintf(stderr, "kelvor-cli: %s\n", outputs.problem.c_str());
                status = kOwnFailure;
            }
        }
        if (c.save) {
            const auto target = fromStartFolder(session.startFolder, *c.save);
            if (const auto reason = saveReport(reportFile, target)) {
                std::fprintf(stderr, "kelvor-cli: nie można zapisać raportu w pliku %s: %s\n", target.c_str(), reason->c_str());
                status = kOwnFailure;
            }
        }
        if (const auto warning = keepInArchive(session, reportFile, archivedOutputs(reportFile, outputs, output)))
            std::fprintf(stderr, "kelvor-cli: uwaga: %s\n", warning->c_str());
        return status;
    };
    outlet.searching = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    outlet.found = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
    outlet.keptRecordsNote = [](const std::string& line) { std::fprintf(stderr, "kelvor-cli: %s\n", line.c_str()); };
    if (::isatty(STDERR_FILENO))
        outlet.progress = [](const ReadProgress& progress, std::int64_t seconds, bool last) {
            const std::string text = recordsReadText(progress.recordsRead, progress.highestIndex) + "  " + elapsedText(seconds);
            std::fprintf(stderr, "\r%s\033[K", text.c_str());
            if (last)
                std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
        };
    return outlet;
}

// After the child ended by a signal, the user's interrupt or another: what
// it left goes as at a normal end, and the port is free again.
void tidyAfterSignal(const ChildEnd& end, const FileKeeper& before, const FileKeeper& portsBefore, const std::string& what)
{
    if (!tidyAfter(end)) {
        before.restore();
        portsBefore.restore();
    }
    std::fprintf(stderr, "kelvor-cli: %s; port zwolniony, folder roboczy uprzątnięty\n", what.c_str());
}

std::string holderText(const std::string& folder)
{
    const auto holder = kelvo::platform::flockHolder(folder);
    if (!holder)
        return "inny program";
    return (holder->program.empty() ? std::string("program") : holder->program) + ", PID " + std::to_string(holder->pid);
}

// Columns padded by characters, not bytes, so that Polish headings line up.
std::string tableRow(const std::vector<std::string>& cells)
{
    constexpr std::size_t kWidths[] = {6, 44, 16};
    std::string row;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        row += cells[i];
        if (i + 1 == cells.size())
            break;
        const std::size_t characters = utf8Characters(cells[i]);
        row += std::string(characters < kWidths[i] ? kWidths[i] - characters + 1 : 1, ' ');
    }
    return row;
}

// The serial devices found, with the COM port each is mapped to.
int listPorts()
{
    const auto devices = kelvo::platform::serialDevicesAndMappedPorts();
    if (devices.empty()) {
        std::puts("nie znaleziono portów szeregowych");
        return 0;
    }
    std::printf("%s\n", tableRow({"PORT", "URZĄDZENIE", "PROWADZI DO", "OPIS"}).c_str());
    for (const auto& device : devices) {
        const auto number = kelvo::platform::comPortOf(device);
        const std::string com = number ? "COM" + std::to_string(*number) : "-";
        std::printf("%s\n", tableRow({com, device.path, device.target, device.description}).c_str());
    }
    return 0;
}

// The connection the run used, as the working folder's KONFIG.TXT holds it
// after the register answered, appended to the register list.
bool addToRegisterList()
{
    const auto line = firstConfigurationLine("konfig.txt");
    const std::string list = registerListFile();
    const std::string problem = line ? addRegister(list, *line) : std::string("brak wiersza połączenia w KONFIG.TXT");
    if (!problem.empty()) {
        std::fprintf(stderr, "kelvor-cli: nie dopisano kasy do listy: %s\n", problem.c_str());
        return false;
    }
    std::fprintf(stderr, "kelvor-cli: dopisano kasę numer %s do listy %s\n", registerNumberOf(*line).c_str(), list.c_str());
    return true;
}

// zestawienie.csv of a single register, from what its child noted.
bool writeOneRowSummary(const std::filesystem::path& output, const ChildEnd& end)
{
    SummaryRow row;
    for (const std::string& note : end.notes)
        takeSummaryNote(row, note);
    const bool connected = std::find(end.notes.begin(), end.notes.end(), kConnectedNote) != end.notes.end();
    if (const auto line = firstConfigurationLine("konfig.txt"); line && connected)
        row.number = registerNumberOf(*line);
    row.code = end.status;
    if (end.status == 0)
        row.message = "raport odczytany";
    if (const int error = writeSummary(output, {row})) {
        std::fprintf(stderr, "kelvor-cli: nie można zapisać pliku %s: %s\n", (output / kSummaryFileName).c_str(), systemReason(error).c_str());
        return false;
    }
    return true;
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
    if (c.showFolder && c.range.kind == 0 && !c.forgetCache && !c.detect) {
        std::printf("%s\n", folder->c_str());
        return 0;
    }
    if (c.showFolder)
        std::fprintf(stderr, "folder roboczy: %s\n", folder->c_str());
    if (c.save) {
        const auto target = fromStartFolder(session.startFolder, *c.save);
        if (const auto problem = saveTargetProblem(target)) {
            std::fprintf(stderr, "kelvor-cli: nie można zapisać raportu w pliku %s: %s\n", target.c_str(), problem->c_str());
            return kOwnFailure;
        }
    }
    const kelvo::platform::FolderLock lock(*folder);
    if (!lock.acquired()) {
        std::fprintf(stderr, "kelvor-cli: folder roboczy %s jest zajęty: trwa w nim inny odczyt (%s); spróbuj ponownie po jego zakończeniu\n",
            folder->c_str(), holderText(*folder).c_str());
        return kOwnFailure;
    }
    if (c.trace) {
        const auto path = fromStartFolder(session.startFolder, *c.trace);
        // Appended to as the driver will append: never through another user's link.
        const int trace = kelvo::platform::openFile(path.string(), kelvo::platform::OpenMode::Append,
                                                     kelvo::platform::Sharing::OthersMayReadWrite);
        if (trace < 0) {
            std::fprintf(stderr, "kelvor-cli: nie można otworzyć pliku śladu %s: %s\n", path.c_str(), systemReason(errno).c_str());
            return kOwnFailure;
        }
        kelvo::platform::closeFile(trace);
        ::setenv(kTraceVariable, path.c_str(), 1);
    }
    if (c.all)
        return runBatch(c, session, *folder);
    const auto output = outputFolder(c, session.startFolder);
    if (!output)
        return kOwnFailure;
    const FileKeeper before;
    // --device and --detect change the port map; like KONFIG.TXT it is put back when the connection fails.
    const FileKeeper portsBefore(kelvo::platform::portMapFile());
    const ChildEnd end = runInChild([&](const Note& note) { return readReport(c, session, note, singleOutlet(c, session, *output, note)); });
    if (end.signal != 0) {
        tidyAfterSignal(end, before, portsBefore, "przerwano (" + signalName(end.signal) + ")");
        return 128 + end.signal;
    }
    if (end.killedBy != 0) {
        // A crash or a kill from outside is a failed read, not the user's stop.
        tidyAfterSignal(end, before, portsBefore, childDeathText(end.killedBy));
        return kOwnFailure;
    }
    const bool connected = std::find(end.notes.begin(), end.notes.end(), kConnectedNote) != end.notes.end();
    if ((c.device || c.detect) && !connected)
        portsBefore.restore();
    int status = end.status;
    if (c.addRegister && connected && !addToRegisterList())
        status = status == 0 ? kOwnFailure : status;
    if (c.output && !writeOneRowSummary(*output, end))
        status = status == 0 ? kOwnFailure : status;
    return status;
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
    if (std::holds_alternative<ListPorts>(request))
        return listPorts();
    if (const auto* archive = std::get_if<ListArchive>(&request)) {
        std::fputs(archiveTable(archive->unique).c_str(), stdout);
        return 0;
    }
    if (const auto* mistake = std::get_if<UsageError>(&request)) {
        std::fprintf(stderr, "%s\n", mistake->message.c_str());
        return kUsageError;
    }
    return run(std::get<CommandLine>(request));
}
