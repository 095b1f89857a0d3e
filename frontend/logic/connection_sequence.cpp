#include "frontend/logic/connection_sequence.h"

#include <kelvo/kelvodrv.h>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/driver_messages.h"
#include "frontend/logic/parameter_files.h"
#include "platform/file_access.h"

namespace kelvo::frontend {

namespace {

constexpr std::size_t kStatusFlag03Line = 5;  // the sixth line of the status output: flag 03

std::string trimmedBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The question, with the front end's explanation below the driver's message when it has one.
std::string failureQuestion(std::uint8_t code, bool firstRequest, const ConnectionEvents& events)
{
    std::string question = driverFailureQuestion(code);
    if (!events.explainFailure)
        return question;
    if (const std::string line = events.explainFailure(code, firstRequest); !line.empty())
        question.insert(question.find('\n') + 1, line + "\n");
    return question;
}

// A failed identity command: the files of the attempt go, the user decides.
void failedCommand(std::uint8_t code, const ConnectionEvents& events)
{
    platform::removeFile(KELVODRV_OUTPUT_FILE);
    platform::removeFile(KELVODRV_INPUT_FILE_LOWER);
    if (events.continueWithoutRegister(failureQuestion(code, false, events)))
        events.showMainWindow();
}

}

std::string driverFailureQuestion(std::uint8_t code)
{
    return driverErrorMessage(code) + "\nCZY URUCHOMIĆ PROGRAM BEZ PODŁĄCZENIA DO KASY?";
}

ConnectionOutcome runConnection(Session& session, const ConnectionChoice& choice, const ConnectionEvents& events)
{
    ParameterRecord& record = session.record;
    record.registerNumber = 1;
    platform::removeFile(KELVODRV_TEMPORARY_CONFIGURATION_FILE_LOWER);
    takeChoice(choice, record);
    writeParameterFiles(record, record.registerNumber);

    if (const std::uint8_t code =
            events.runCommand([] { return ONrKasy(KELVODRV_NUMBER_INPUT_FILE_LOWER, KELVODRV_NUMBER_OUTPUT_FILE); });
        code != KELVODRV_RESULT_SUCCESS) {
        if (events.continueWithoutRegister(failureQuestion(code, true, events)))
            events.showMainWindow();
        else
            events.requestEnd();
    } else if (const auto number = registerNumberFromOutput(KELVODRV_NUMBER_OUTPUT_FILE)) {
        record.registerNumber = *number;
    }

    events.busy(true);
    writeParameterFiles(record, record.registerNumber);
    const std::uint8_t uniqueCode = events.runCommand([] { return ONrUnik(KELVODRV_INPUT_FILE_LOWER, KELVODRV_OUTPUT_FILE); });
    events.busy(false);
    record.portTimeout = 5;
    session.uniqueNumber.clear();
    if (uniqueCode != KELVODRV_RESULT_SUCCESS) {
        failedCommand(uniqueCode, events);
        return {ConnectionResult::StayOrElsewhere, uniqueCode};
    }
    const auto unique = plainLines(KELVODRV_OUTPUT_FILE, 4);
    if (unique.size() == 4 && !unique[3].empty())
        session.uniqueNumber = trimmedBlanks(unique[3].substr(1));

    if (const std::uint8_t code =
            events.runCommand([] { return OStatus(KELVODRV_INPUT_FILE_LOWER, KELVODRV_OUTPUT_FILE); });
        code != KELVODRV_RESULT_SUCCESS) {
        failedCommand(code, events);
        return {ConnectionResult::StayOrElsewhere, code};
    }
    const auto status = plainLines(KELVODRV_OUTPUT_FILE, 6);
    session.settlementEnabled =
        !(status.size() > kStatusFlag03Line && !status[kStatusFlag03Line].empty() && status[kStatusFlag03Line].back() == '0');
    return {ConnectionResult::RangeWindow, KELVODRV_RESULT_SUCCESS};
}

}
