#include "frontend/cli/batch_run.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <fcntl.h>
#include <kelvo/kelvodrv_contract.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "frontend/cli/child_run.h"
#include "frontend/cli/register_list.h"
#include "frontend/cli/register_outputs.h"
#include "frontend/cli/report_keeping.h"
#include "frontend/cli/single_report.h"
#include "frontend/cli/summary_file.h"
#include "frontend/logic/read_progress.h"
#include "frontend/logic/system_reason.h"
#include "frontend/logic/tcp_link.h"
#include "frontend/logic/text_encoding.h"
#include "platform/folder_lock.h"
#include "platform/port_map.h"
#include "platform/safe_replace.h"
#include "platform/descriptor.h"

namespace kelvo::frontend::cli {

namespace {

constexpr char kFileNote[] = "file ";
constexpr char kLinesNote[] = "lines ";
constexpr char kMessageNote[] = "message ";
constexpr char kMoreNote[] = "message+ ";  // a further line of the message, such as the port's
constexpr char kOwnPrefix[] = "kelvor-cli: ";
constexpr char kProgressNote[] = "progress ";
// The width of a terminal line of the progress table.
constexpr std::size_t kTerminalWidth = 80;

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// One register line and how its run goes, as the parent sees it.
struct Register {
    WrittenLine line;
    std::string number;  // field 1
    std::string port;    // COMn, or the TCP address
    std::string folder;
    std::string state = "czeka";
    std::chrono::steady_clock::time_point began;
    double seconds = 0;
    std::string lines = "-";
    std::string message;
    int code = 0;
    SummaryRow summary;  // what zestawienie.csv says of it
};

// The children's notes, parsed as the parent needs them.
void take(Register& r, const std::string& note)
{
    if (takeSummaryNote(r.summary, note))
        return;
    if (note.starts_with(kProgressNote)) {
        const auto numbers = splitAt(note.substr(std::string(kProgressNote).size()), ' ');
        if (numbers.size() == 3)
            r.state = recordsReadText(static_cast<std::uint32_t>(std::stoul(numbers[0])),
                          static_cast<std::uint32_t>(std::stoul(numbers[1])))
                + "  " + elapsedText(std::stoll(numbers[2]));
    } else if (note.starts_with(kLinesNote)) {
        r.lines = note.substr(std::string(kLinesNote).size());
    } else if (note.starts_with(kMessageNote)) {
        r.message = note.substr(std::string(kMessageNote).size());
        // The table says whose message it is: the program's name adds nothing there.
        if (r.message.starts_with(kOwnPrefix))
            r.message.erase(0, std::string(kOwnPrefix).size());
    } else if (note.starts_with(kMoreNote)) {
        r.message += "\n" + note.substr(std::string(kMoreNote).size());
    } else if (note.starts_with(kFileNote)) {
        r.message = "raport w pliku " + note.substr(std::string(kFileNote).size());
    } else if (note == kConnectedNote) {
        r.state = "połączono";
    }
}

std::string label(const Register& r)
{
    return "kasa " + r.number + " (" + r.port + ")";
}

// One line per register on a terminal, redrawn in place; plain lines on a start and an end otherwise.
class ProgressTable {
public:
    explicit ProgressTable(const std::vector<Register>& registers) : registers_(registers), terminal_(::isatty(STDERR_FILENO)) { }

    void changed(const Register& r, bool startOrEnd)
    {
        if (!terminal_) {
            if (startOrEnd)
                std::fprintf(stderr, "%s: %s\n", label(r).c_str(), r.state.c_str());
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!startOrEnd && now - drawn_ < std::chrono::milliseconds(200))
            return;
        drawn_ = now;
        if (shown_)
            std::fprintf(stderr, "\033[%zuA", registers_.size());
        // One terminal line each, or moving up by the registers' count would miss the first ones.
        for (const Register& each : registers_)
            std::fprintf(stderr, "\r%s\033[K\n", cutToWidth(label(each) + ": " + each.state, kTerminalWidth).c_str());
        shown_ = true;
        std::fflush(stderr);
    }

private:
    const std::vector<Register>& registers_;
    const bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point drawn_;
};

// The child's side: its own folder, the register's line as its KONFIG.TXT, the single-register road.
int readOne(const CommandLine& c, Session session, const Register& r, const std::filesystem::path& output,
    std::filesystem::file_time_type began, const Note& note)
{
    // A folder an earlier batch left behind when it was killed is used again.
    if ((::mkdir(r.folder.c_str(), 0700) != 0 && errno != EEXIST) || ::chdir(r.folder.c_str()) != 0) {
        note(std::string(kMessageNote) + "kelvor-cli: nie można użyć folderu roboczego " + r.folder + ": " + systemReason(errno));
        return kOwnFailure;
    }
    const platform::FolderLock lock(r.folder);
    if (!lock.acquired()) {
        note(std::string(kMessageNote) + "kelvor-cli: folder roboczy " + r.folder + " jest zajęty");
        return kOwnFailure;
    }
    if (const int error = platform::replaceFile(KELVODRV_CONFIGURATION_FILE, r.line.text + "\r\n", platform::FileAccess::AsBefore)) {
        note(std::string(kMessageNote) + "kelvor-cli: nie można zapisać KONFIG.TXT w folderze " + r.folder + ": " + systemReason(error));
        return kOwnFailure;
    }
    ReportOutlet outlet;
    // A note is one line: the message's further lines go as notes of their own.
    outlet.failed = [&note](const std::string& message) {
        const auto lines = splitAt(message, '\n');
        for (std::size_t i = 0; i < lines.size(); ++i)
            note((i == 0 ? kMessageNote : kMoreNote) + lines[i]);
    };
    outlet.finished = [&note, &session, &output, began](const std::string& reportFile) {
        const RegisterOutputs outputs = writeRegisterOutputs(reportFile, session, output, began);
        noteOutputs(outputs, session, note);
        if (!outputs.problem.empty()) {
            note(std::string(kMessageNote) + "kelvor-cli: " + outputs.problem);
            return kOwnFailure;
        }
        const std::string text = fileText(reportFile);
        note(kLinesNote + std::to_string(std::count(text.begin(), text.end(), '\n')));
        note(kFileNote + outputs.files.front());
        if (const auto warning = keepInArchive(session, reportFile, archivedOutputs(reportFile, outputs, output)))
            note(kMoreNote + std::string("uwaga: ") + *warning);
        return 0;
    };
    outlet.progress = [&note](const ReadProgress& progress, std::int64_t seconds, bool) {
        note(kProgressNote + std::to_string(progress.recordsRead) + " " + std::to_string(progress.highestIndex) + " "
            + std::to_string(seconds));
    };
    return readReport(c, session, note, outlet);
}

// Text padded to a column's width by characters, so that Polish text lines up; numbers go to the right.
std::string column(const std::string& text, std::size_t width, bool right = false)
{
    const std::string cut = cutToWidth(text, width);
    const std::string blanks(width - utf8Characters(cut), ' ');
    return right ? blanks + cut : cut + blanks;
}

// One row per register; a long message goes on in its own column on the lines below.
void printSummary(const std::vector<Register>& registers)
{
    constexpr std::size_t kNumber = 5, kPort = 24, kCode = 4, kMessage = 56, kLines = 6, kSeconds = 8;
    const std::string before = column("KASA", kNumber) + " " + column("PORT", kPort) + " " + column("KOD", kCode, true) + "  ";
    std::printf("%s%s %s %s\n", before.c_str(), column("KOMUNIKAT", kMessage).c_str(), column("LINIE", kLines, true).c_str(),
        column("SEKUNDY", kSeconds, true).c_str());
    for (const Register& r : registers) {
        char seconds[32];
        std::snprintf(seconds, sizeof(seconds), "%.1f", r.seconds);
        const auto message = wrapToWidth(r.message, kMessage);
        std::printf("%s %s %s  %s %s %s\n", column(r.number, kNumber).c_str(), column(r.port, kPort).c_str(),
            column(std::to_string(r.code), kCode, true).c_str(), column(message.front(), kMessage).c_str(),
            column(r.lines, kLines, true).c_str(), column(seconds, kSeconds, true).c_str());
        for (std::size_t i = 1; i < message.size(); ++i)
            std::printf("%s%s\n", std::string(utf8Characters(before), ' ').c_str(), message[i].c_str());
    }
    std::fflush(stdout);
}

}

std::string lineOf(const WrittenLine& line)
{
    if (const auto tcp = tcpLinkOf(line.port, line.tail))
        return "TCP " + upper(tcp->host) + ":" + std::to_string(tcp->port);
    std::error_code error;
    const std::string device = platform::portDevicePath(upper(splitAt(line.port.substr(0, line.port.find(';')), ':').front()));
    const auto canonical = std::filesystem::weakly_canonical(device, error);
    return error ? device : canonical.string();
}

int runBatch(const CommandLine& c, const Session& session, const std::string& folder)
{
    const std::string listFile = c.registers ? (std::filesystem::path(session.startFolder) / *c.registers).string() : registerListFile();
    const RegisterList list = readRegisterList(listFile);
    if (!list.problem.empty()) {
        std::fprintf(stderr, "kelvor-cli: lista kas %s\n", list.problem.c_str());
        std::error_code ignored;
        if (!std::filesystem::exists(listFile, ignored))
            std::fprintf(stderr, "kelvor-cli: kasę dopisuje się do listy poleceniem: kelvor-cli [OPCJE POŁĄCZENIA] --add-register\n");
        return kOwnFailure;
    }
    if (list.lines.empty() || list.lines.size() > kMostRegisterLines) {
        std::fprintf(stderr, "kelvor-cli: lista kas %s ma %zu wierszy kas; dozwolone: od 1 do %zu\n", listFile.c_str(),
            list.lines.size(), kMostRegisterLines);
        return kOwnFailure;
    }
    const auto outputs = outputFolder(c, session.startFolder);
    if (!outputs)
        return kOwnFailure;
    const std::filesystem::path& output = *outputs;
    std::vector<Register> registers;
    for (const WrittenLine& line : list.lines) {
        Register& r = registers.emplace_back();
        r.line = line;
        r.number = registerNumberOf(line);
        r.port = upper(splitAt(line.port, ':').front());
        r.folder = folder + "/kasa-" + std::to_string(registers.size());
    }
    const auto began = std::filesystem::file_time_type::clock::now();
    std::map<std::string, std::size_t> lanes;
    std::vector<LaneWork> works;
    for (Register& r : registers) {
        const std::string line = lineOf(r.line);
        if (line.starts_with("TCP "))
            r.port = line.substr(4);
        const std::size_t lane = lanes.emplace(line, lanes.size()).first->second;
        works.push_back({lane, [&c, &session, &r, &output, began](const Note& note) { return readOne(c, session, r, output, began, note); }});
    }

    ProgressTable table(registers);
    ChildEvents events;
    events.started = [&](std::size_t i) {
        registers[i].state = "łączenie";
        registers[i].began = std::chrono::steady_clock::now();
        table.changed(registers[i], true);
    };
    events.seen = [&](std::size_t i, const std::string& note) {
        take(registers[i], note);
        table.changed(registers[i], false);
    };
    events.ended = [&](std::size_t i, const ChildEnd& end) {
        Register& r = registers[i];
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - r.began).count();
        r.code = end.status;
        if (end.killedBy != 0) {
            // Killed from outside: a failed register, whatever it wrote before.
            r.code = 128 + end.killedBy;
            r.message = childDeathText(end.killedBy);
        }
        r.state = r.code == KELVODRV_RESULT_SUCCESS ? "gotowe, " + r.lines + " linii" : "BŁĄD: " + r.message.substr(0, r.message.find('\n'));
        std::error_code ignored;
        std::filesystem::remove_all(r.folder, ignored);
        table.changed(r, true);
    };
    const std::vector<ChildEnd> ends = runInChildren(works, events);

    int interrupt = 0;
    for (std::size_t i = 0; i < ends.size(); ++i) {
        if (ends[i].signal == 0)
            continue;
        interrupt = ends[i].signal;
        std::error_code ignored;
        std::filesystem::remove_all(registers[i].folder, ignored);
    }
    if (interrupt != 0) {
        std::fprintf(stderr, "kelvor-cli: przerwano (%s); porty zwolnione, foldery robocze uprzątnięte\n", signalName(interrupt).c_str());
        return 128 + interrupt;
    }
    printSummary(registers);
    std::vector<SummaryRow> rows;
    for (Register& r : registers) {
        r.summary.number = r.number;
        r.summary.code = r.code;
        r.summary.message = r.code == KELVODRV_RESULT_SUCCESS ? "raport odczytany" : r.message;
        rows.push_back(r.summary);
    }
    if (const int failure = writeSummary(output, rows)) {
        std::fprintf(stderr, "kelvor-cli: nie można zapisać pliku %s: %s\n", (output / kSummaryFileName).c_str(), systemReason(failure).c_str());
        return kOwnFailure;
    }
    const bool failed = std::any_of(registers.begin(), registers.end(), [](const Register& r) { return r.code != KELVODRV_RESULT_SUCCESS; });
    return failed ? kOwnFailure : 0;
}

}
