// kelvor-cli: the front end without windows. It takes the same road as the
// windows do: the last connection settings, the identity commands, the
// report command, and prints the report or the driver's error.
//
//   kelvor-cli [--port N] [--speed S] [--mux 0|1|4] [--channel C]
//              [--save FILE] [--show-folder] KIND [RANGE...]
#include <chrono>
#include <condition_variable>
#include <cstdio>
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

#include "frontend/logic/cleanup.h"
#include "frontend/logic/connection_choice.h"
#include "frontend/logic/connection_sequence.h"
#include "frontend/logic/driver_messages.h"
#include "frontend/logic/read_progress.h"
#include "frontend/logic/report_range.h"
#include "frontend/logic/text_encoding.h"
#include "frontend/logic/working_folder.h"

namespace {

using namespace kelvo::frontend;

constexpr int kUsageError = 255;

void usage()
{
    std::fputs(
        "usage: kelvor-cli [--port N] [--speed S] [--mux 0|1|4] [--channel C] [--save FILE] [--show-folder]\n"
        "                  KIND [RANGE...]\n"
        "\n"
        "  1 YYYY.MM                  monthly report\n"
        "  2 YYYY.MM.DD YYYY.MM.DD    by dates\n"
        "  3 FROM TO                  by daily report numbers\n"
        "  4                          previous month\n"
        "  5                          current month\n"
        "  6 YYYY.MM.DD YYYY.MM.DD    settlement by dates\n"
        "  7 FROM TO                  settlement by numbers\n"
        "  8                          settlement of the whole memory\n"
        "\n"
        "The connection settings are those of the last run unless given. The exit\n"
        "status is the driver's result code (255 for a wrong command line).\n",
        stderr);
}

std::optional<int> number(const char* text, int lowest, int highest)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < lowest || value > highest)
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<Date> date(const std::string& text)
{
    int year = 0;
    int month = 0;
    int day = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%4d.%2d.%2d%c", &year, &month, &day, &rest) != 3)
        return std::nullopt;
    return Date {year, month, day};
}

struct CommandLine {
    std::optional<int> port, speed, mux, channel;
    std::optional<std::string> save;
    bool showFolder = false;
    RangeChoice range;
};

// The range words of the chosen kind; false when they do not fit it.
bool takeRangeWords(const std::vector<std::string>& words, RangeChoice& range)
{
    const auto count = words.size();
    switch (range.kind) {
    case 1: {
        int year = 0;
        int month = 0;
        char rest = 0;
        if (count != 1 || std::sscanf(words[0].c_str(), "%4d.%2d%c", &year, &month, &rest) != 2 || month < 1 || month > 12)
            return false;
        range.year = year;
        range.monthItem = month - 1;
        return true;
    }
    case 2:
    case 6: {
        const auto first = count == 2 ? date(words[0]) : std::nullopt;
        const auto last = count == 2 ? date(words[1]) : std::nullopt;
        if (!first || !last)
            return false;
        (range.kind == 2 ? range.from : range.settlementFrom) = *first;
        (range.kind == 2 ? range.to : range.settlementTo) = *last;
        return true;
    }
    case 3:
    case 7: {
        const auto first = count == 2 ? number(words[0].c_str(), 0, 65535) : std::nullopt;
        const auto last = count == 2 ? number(words[1].c_str(), 0, 65535) : std::nullopt;
        if (!first || !last)
            return false;
        (range.kind == 3 ? range.numberFrom : range.settlementNumberFrom) = *first;
        (range.kind == 3 ? range.numberTo : range.settlementNumberTo) = *last;
        return true;
    }
    default: return count == 0;
    }
}

std::optional<CommandLine> parse(int argc, char** argv)
{
    CommandLine c;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        const auto take = [&](std::optional<int>& target, int lowest, int highest) {
            target = value ? number(value, lowest, highest) : std::nullopt;
            ++i;
            return target.has_value();
        };
        if (option == "--port") {
            if (!take(c.port, 1, 99))
                return std::nullopt;
        } else if (option == "--speed") {
            if (!take(c.speed, 1, 115200) || std::find(kSpeeds.begin(), kSpeeds.end(), *c.speed) == kSpeeds.end())
                return std::nullopt;
        } else if (option == "--mux") {
            if (!take(c.mux, 0, 4) || std::find(kMultiplexerTypes.begin(), kMultiplexerTypes.end(), *c.mux)
                    == kMultiplexerTypes.end())
                return std::nullopt;
        } else if (option == "--channel") {
            if (!take(c.channel, 1, 8))
                return std::nullopt;
        } else if (option == "--save") {
            if (value == nullptr)
                return std::nullopt;
            c.save = value;
            ++i;
        } else if (option == "--show-folder") {
            c.showFolder = true;
        } else if (option.starts_with("--")) {
            return std::nullopt;
        } else {
            words.push_back(option);
        }
    }
    if (words.empty())
        return std::nullopt;
    const auto kind = number(words[0].c_str(), 1, 8);
    if (!kind)
        return std::nullopt;
    c.range.kind = *kind;
    words.erase(words.begin());
    if (!takeRangeWords(words, c.range))
        return std::nullopt;
    return c;
}

void applyOptions(const CommandLine& c, ConnectionChoice& choice)
{
    if (c.port)
        choice.port = *c.port;
    if (c.speed)
        choice.speedItem = static_cast<int>(std::find(kSpeeds.begin(), kSpeeds.end(), *c.speed) - kSpeeds.begin());
    if (c.mux)
        choice.kindItem =
            static_cast<int>(std::find(kMultiplexerTypes.begin(), kMultiplexerTypes.end(), *c.mux) - kMultiplexerTypes.begin());
    if (c.channel)
        choice.channelItem = *c.channel - 1;
}

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

int run(const CommandLine& c)
{
    Session session;
    std::string problem;
    const auto folder = enterWorkingFolder(session.startFolder, problem);
    if (!folder) {
        std::fprintf(stderr, "kelvor-cli: %s\n", problem.c_str());
        return kUsageError;
    }
    if (c.showFolder)
        std::fprintf(stderr, "working folder: %s\n", folder->c_str());

    ConnectionChoice choice;
    if (const auto last = readLastConnection("konfig.txt"))
        prefill(*last, session.record, choice);
    applyOptions(c, choice);

    std::string lastQuestion;
    ConnectionEvents events;
    events.continueWithoutRegister = [&lastQuestion](const std::string& message) {
        lastQuestion = message.substr(0, message.find('\n'));
        return false;
    };
    events.showMainWindow = [] { };
    events.requestEnd = [] { };
    events.busy = [](bool) { };
    const ConnectionOutcome connection = runConnection(session, choice, events);
    if (connection.result != ConnectionResult::RangeWindow) {
        std::fprintf(stderr, "%s\n", lastQuestion.c_str());
        cleanUpAtEnd();
        return connection.code;
    }

    ReportRun report;
    {
        ProgressLine progress;
        report = runReport(session, c.range);
    }
    if (report.code != 0) {
        std::fprintf(stderr, "%s\n", driverErrorMessage(report.code).c_str());
        cleanUpAtEnd();
        return report.code;
    }
    const std::string text = fileText(report.names.fileName);
    std::fputs(utf8FromWindows1250(text).c_str(), stdout);
    if (c.save) {
        const std::filesystem::path target = std::filesystem::path(*c.save).is_absolute()
            ? std::filesystem::path(*c.save)
            : std::filesystem::path(session.startFolder) / *c.save;
        std::error_code error;
        std::filesystem::copy_file(report.names.fileName, target, std::filesystem::copy_options::overwrite_existing, error);
        if (error)
            std::fprintf(stderr, "kelvor-cli: cannot save the report as %s\n", target.c_str());
    }
    cleanUpAtEnd();
    return 0;
}

}

int main(int argc, char** argv)
{
    const auto commandLine = parse(argc, argv);
    if (!commandLine) {
        usage();
        return kUsageError;
    }
    return run(*commandLine);
}
