#include "frontend/logic/register_detection.h"

#include <cstdlib>
#include <iterator>
#include <optional>

#include <kelvo/kelvodrv.h>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/connection_diagnosis.h"
#include "frontend/logic/driver_messages.h"
#include "frontend/logic/file_keeper.h"
#include "frontend/logic/parameter_files.h"
#include "platform/file_access.h"
#include "platform/port_map.h"

namespace kelvo::frontend {

namespace {

// The register number command at one speed; its result code.
std::uint8_t tryAt(const ConnectionChoice& choice, int speedItem, const DetectionEvents& events)
{
    ParameterRecord record;
    takeChoice(choice, record);
    record.speed = kSpeeds[static_cast<std::size_t>(speedItem)];
    record.portTimeout = kProbeTimeout;
    writeParameterFiles(record, 1);
    return events.runCommand([] { return ONrKasy(KELVODRV_NUMBER_INPUT_FILE_LOWER, KELVODRV_NUMBER_OUTPUT_FILE); });
}

// Leaves the port map leading to the found device: through a COM number that
// already led there, else through the window's.
void keepFound(Detection& found, const platform::SerialDevice& device, const FileKeeper& portsBefore)
{
    portsBefore.restore();
    if (const auto number = platform::comPortOf(device))
        found.port = static_cast<std::int32_t>(*number);
    else
        mapPortDevice(found.port, device.path);
}

// One device at every speed, the fastest first (kSpeeds ascends); true when
// the search is over, found or cancelled.
bool searchDevice(const ConnectionChoice& choice, const platform::SerialDevice& device, const DetectionEvents& events,
    Detection& found)
{
    for (int item = static_cast<int>(kSpeeds.size()) - 1; item >= 0; --item) {
        if (events.cancelled()) {
            found.outcome = DetectionOutcome::Cancelled;
            return true;
        }
        events.trying(device.path, kSpeeds[static_cast<std::size_t>(item)]);
        const std::uint8_t code = tryAt(choice, item, events);
        if (code == KELVODRV_RESULT_SUCCESS) {
            found.outcome = DetectionOutcome::Found;
            found.device = device.path;
            found.speedItem = item;
            found.registerNumber = registerNumberFromOutput(KELVODRV_NUMBER_OUTPUT_FILE).value_or(1);
            return true;
        }
        // Taken by another program since it was looked at: the other speeds would fail alike.
        if (code == KELVODRV_RESULT_PORT_NOT_OPENED) {
            const std::string problem = deviceProblem(device.path);
            events.skipped(device.path, problem.empty() ? driverErrorMessage(code) : problem);
            return false;
        }
    }
    return false;
}

}

std::vector<platform::SerialDevice> devicesToTry(const std::vector<platform::SerialDevice>& devices)
{
    std::vector<platform::SerialDevice> chosen;
    for (const platform::SerialDevice& device : devices) {
        bool named = false;
        for (const platform::SerialDevice& earlier : chosen)
            named = named || earlier.target == device.target || platform::sameFile(earlier.target, device.target);
        if (!named)
            chosen.push_back(device);
    }
    return chosen;
}

Detection detectRegister(const ConnectionChoice& choice, const std::vector<platform::SerialDevice>& devices,
    const DetectionEvents& events)
{
    const FileKeeper portsBefore(platform::portMapFile());
    const FileKeeper configurationBefore;
    platform::removeFile(KELVODRV_TEMPORARY_CONFIGURATION_FILE_LOWER);
    Detection found;
    found.port = choice.port;
    for (const platform::SerialDevice& device : devicesToTry(devices)) {
        if (events.cancelled()) {
            found.outcome = DetectionOutcome::Cancelled;
            break;
        }
        if (const std::string problem = deviceProblem(device.path); !problem.empty()) {
            events.skipped(device.path, problem);
            continue;
        }
        if (const std::string problem = mapPortDevice(choice.port, device.path); !problem.empty()) {
            events.skipped(device.path, "nie można zapisać mapy portów " + platform::portMapFile() + ": " + problem);
            continue;
        }
        ++found.devicesTried;
        if (searchDevice(choice, device, events, found)) {
            if (found.outcome == DetectionOutcome::Found)
                keepFound(found, device, portsBefore);
            break;
        }
    }
    if (found.outcome != DetectionOutcome::Found)
        portsBefore.restore();
    configurationBefore.restore();
    platform::removeFile(KELVODRV_NUMBER_OUTPUT_FILE);
    return found;
}

Detection withPortVariableSetAside(std::int32_t port, const std::function<Detection()>& search)
{
    const std::string variable = platform::portVariable("COM" + std::to_string(port));
    const char* value = std::getenv(variable.c_str());
    const std::optional<std::string> before = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    if (before)
        ::unsetenv(variable.c_str());
    Detection found = search();
    if (before && found.outcome != DetectionOutcome::Found)
        ::setenv(variable.c_str(), before->c_str(), 1);
    return found;
}

std::string detectionSpeedsText()
{
    std::string text;
    for (auto speed = kSpeeds.rbegin(); speed != kSpeeds.rend(); ++speed)
        text += (text.empty() ? "" : std::next(speed) == kSpeeds.rend() ? " i " : ", ") + std::to_string(*speed);
    return text + " b/s";
}

std::string detectionText(const Detection& found)
{
    return "znaleziono kasę: COM" + std::to_string(found.port) + " → " + found.device + ", "
        + std::to_string(kSpeeds[static_cast<std::size_t>(found.speedItem)]) + " b/s, numer kasy "
        + std::to_string(found.registerNumber);
}

}
