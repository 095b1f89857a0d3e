#include "frontend/cli/single_report.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>

#include <kelvo/kelvodrv.h>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/file_keeper.h"
#include "frontend/cli/link_setting.h"
#include "frontend/cli/summary_file.h"
#include "frontend/logic/cleanup.h"
#include "frontend/logic/connection_choice.h"
#include "frontend/logic/connection_diagnosis.h"
#include "frontend/logic/connection_sequence.h"
#include "frontend/logic/driver_messages.h"
#include "frontend/logic/kept_open_port.h"
#include "frontend/logic/read_progress.h"
#include "frontend/logic/register_detection.h"
#include "frontend/logic/report_range.h"
#include "frontend/logic/system_reason.h"
#include "platform/file_access.h"
#include "platform/port_map.h"
#include "platform/safe_replace.h"
#include "platform/serial_devices.h"

namespace kelvo::frontend::cli {

namespace {

constexpr char kReportNote[] = "report ";

// Tells the outlet the records read so far and the time taken, while the
// blocking report command runs and once more when it has returned.
class ProgressTicker {
public:
    explicit ProgressTicker(const ReportOutlet& outlet) : outlet_(outlet)
    {
        if (!outlet_.progress)
            return;
        watch_.emplace();
        ticker_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            while (!done_) {
                tell(false);
                wake_.wait_for(lock, std::chrono::milliseconds(200));
            }
            tell(true);
        });
    }
    ~ProgressTicker()
    {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        if (ticker_.joinable())
            ticker_.join();
    }
    ProgressTicker(const ProgressTicker&) = delete;
    ProgressTicker& operator=(const ProgressTicker&) = delete;

private:
    void tell(bool last) const { outlet_.progress(watch_->current(), watch_->elapsed().count(), last); }

    const ReportOutlet& outlet_;
    std::optional<ReadProgressWatch> watch_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread ticker_;
};

// Autodetection tells the outlet what it tries and skips; it is never cancelled
// here, since an interrupt ends the whole child.
DetectionEvents searchEvents(const ReportOutlet& outlet)
{
    DetectionEvents events;
    events.trying = [&outlet](const std::string& device, std::int32_t speed) {
        outlet.searching("szukam kasy: " + device + ", " + std::to_string(speed) + " b/s");
    };
    events.skipped = [&outlet](const std::string& device, const std::string& reason) {
        outlet.searching("pominięto " + device + ": " + reason);
    };
    events.cancelled = [] { return false; };
    return events;
}

void tellKeptRecordsNote(const ReportOutlet& outlet, const std::string& note)
{
    if (!note.empty() && outlet.keptRecordsNote)
        outlet.keptRecordsNote(note);
}

// The connection the command line asks for, from the last one kept and the
// link options; false when the named device cannot be mapped.
bool takeConnectionChoice(const CommandLine& c, Session& session, ConnectionChoice& choice, const ReportOutlet& outlet)
{
    if (const auto last = readLastConnection(KELVODRV_CONFIGURATION_FILE_LOWER))
        prefill(*last, session.record, choice);
    applyLinkOptions(c, firstConfigurationLine(KELVODRV_CONFIGURATION_FILE_LOWER), choice, session.record);
    if (!c.device)
        return true;
    if (const std::string problem = choosePortDevice(choice.port, *c.device); !problem.empty()) {
        outlet.failed("kelvor-cli: nie można zapisać mapy portów " + platform::portMapFile() + ": " + problem);
        return false;
    }
    return true;
}

// Searches the devices for the register and takes its port and speed; false
// when none answered.
bool detectInto(ConnectionChoice& choice, const std::vector<platform::SerialDevice>& devices, const CommandLine& c,
    const ReportOutlet& outlet)
{
    const Detection detection = withPortVariableSetAside(
        choice.port, [&] { return detectRegister(choice, devices, searchEvents(outlet)); });
    if (detection.outcome != DetectionOutcome::Found) {
        outlet.failed(detection.devicesTried == 0
                ? std::string("kelvor-cli: nie znaleziono kasy: żadnego urządzenia szeregowego nie dało się sprawdzić")
                : "kelvor-cli: nie znaleziono kasy; sprawdzone urządzenia: " + std::to_string(detection.devicesTried)
                    + ", przy szybkościach " + detectionSpeedsText() + "; sprawdź kabel i zasilanie kasy");
        return false;
    }
    (c.range.kind == 0 ? outlet.found : outlet.searching)(detectionText(detection));
    choice.port = detection.port;
    choice.speedItem = detection.speedItem;
    return true;
}

// Connects as the connection window does, with no one to ask: a failure is
// told with the question's first line and the diagnosis of the first failed
// request. The driver's result code, 0 when the register answered.
std::uint8_t connect(Session& session, const ConnectionChoice& choice, KeptOpenPort& keptOpen, const ReportOutlet& outlet)
{
    std::string lastQuestion;
    ConnectionEvents events;
    events.continueWithoutRegister = [&lastQuestion](const std::string& message) {
        lastQuestion = message.substr(0, message.find('\n'));
        return false;
    };
    events.showMainWindow = [] { };
    events.requestEnd = [] { };
    // The first request's explanation is kept: a later time-out of the same silent line adds nothing.
    std::string diagnosis;
    events.explainFailure = [&](std::uint8_t code, bool firstRequest) {
        keptOpen.release();
        if (diagnosis.empty())
            diagnosis = diagnoseFailedRequest(session.record, code, firstRequest);
        return std::string();
    };
    events.busy = [](bool) { };
    const FileKeeper before;
    const ConnectionOutcome connection = runConnection(session, choice, events);
    if (connection.result == ConnectionResult::RangeWindow)
        return 0;
    outlet.failed(diagnosis.empty() ? lastQuestion : lastQuestion + "\n" + diagnosis);
    before.restore();
    return connection.code;
}

// Reads the report the command line asks for; the driver's result code.
std::uint8_t runRequestedReport(const CommandLine& c, Session& session, const Note& note, const ReportOutlet& outlet,
    ReportRun& report)
{
    UstawieniePamieciRekordow(c.noCache ? 0 : 1);
    {
        const ProgressTicker progress(outlet);
        ReportSteps steps;
        steps.starting = [&note](const ReportNames& names) {
            note(kReportNote + names.fileName);
            note(kTitleNote + names.title);
        };
        report = runReport(session, c.range, steps);
    }
    tellKeptRecordsNote(outlet, report.keptRecordsNote);
    if (report.code != KELVODRV_RESULT_SUCCESS)
        outlet.failed(driverErrorMessage(report.code));
    return report.code;
}

}

int readReport(const CommandLine& c, Session& session, const Note& note, const ReportOutlet& outlet)
{
    ConnectionChoice choice;
    if (!takeConnectionChoice(c, session, choice, outlet))
        return kOwnFailure;
    std::vector<platform::SerialDevice> devices;
    if (c.detect) {
        devices = platform::serialDevicesAndMappedPorts();
        if (devices.empty()) {
            outlet.failed("kelvor-cli: nie znaleziono portów szeregowych, nie ma gdzie szukać kasy");
            return kOwnFailure;
        }
    }

    // From here on every way out leaves the working folder tidy.
    const CleanUpAtScopeEnd tidy;
    if (c.detect && !detectInto(choice, devices, c, outlet))
        return kOwnFailure;
    // From here on one register on one port: the run's commands open it once.
    KeptOpenPort keptOpen;
    if (const std::uint8_t code = connect(session, choice, keptOpen, outlet); code != KELVODRV_RESULT_SUCCESS)
        return code;
    note(kConnectedNote);

    if (c.forgetCache) {
        if (const std::uint8_t code = forgetKeptRecords(session); code != KELVODRV_RESULT_SUCCESS) {
            outlet.failed(driverErrorMessage(code));
            return code;
        }
        tellKeptRecordsNote(outlet, keptRecordsNote());
    }
    if (c.range.kind == 0)
        return 0;
    ReportRun report;
    if (const std::uint8_t code = runRequestedReport(c, session, note, outlet, report); code != KELVODRV_RESULT_SUCCESS)
        return code;
    return outlet.finished(report.names.fileName);
}

bool tidyAfter(const ChildEnd& end)
{
    bool connected = false;
    for (const std::string& note : end.notes) {
        connected = connected || note == kConnectedNote;
        if (note.starts_with(kReportNote))
            platform::removeFile(note.substr(std::string(kReportNote).size()));
    }
    cleanUpAtEnd();
    return connected;
}

std::optional<std::string> saveReport(const std::string& report, const std::filesystem::path& target)
{
    if (const int error = platform::copyFile(report, target.string()))
        return systemReason(error);
    return std::nullopt;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string signalName(int signal)
{
    const char* name = ::sigabbrev_np(signal);
    return name != nullptr ? std::string("SIG") + name : "sygnał " + std::to_string(signal);
}

std::string childDeathText(int signal)
{
    return "proces odczytu zakończył się sygnałem " + signalName(signal) + ", nie przerwaniem użytkownika";
}

}
