#include <optional>
#include <kelvo/kelvodrv_contract.h>

#include "driver/device/identification.h"
#include "driver/files/configuration.h"
#include "driver/files/fields.h"
#include "driver/files/file_names.h"
#include "driver/files/text_helpers.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/command/command.h"
#include "driver/core/notify.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/link.h"
#include "driver/transport/request.h"
#include "platform/file_access.h"

namespace kelvo::drv {

namespace {

// A reserved file is refused by its name, and also under any other name that
// leads to it (a symbolic or hard link), which would otherwise mix a
// command's text into the driver's own files.
bool isReserved(const std::string& name)
{
    for (const std::string& reserved : ctx.paths.reserved)
        if (sameFileName(name, reserved) || platform::sameFile(name, reserved))
            return true;
    return false;
}

void checkNames()
{
    const std::string& input = ctx.names.input();
    const std::string& output = ctx.names.output();
    if (input.empty())
        storeCondition(condition::NoInputName);
    else if (isReserved(input))
        storeCondition(condition::ReservedInputName);
    else if (!ctx.switches.hasOutputFile)
        return;
    else if (output.empty())
        storeCondition(condition::NoOutputName);
    else if (isReserved(output))
        storeCondition(condition::ReservedOutputName);
    else if (input == output || platform::sameFile(input, output))
        storeCondition(condition::SameInputAndOutput);
}

// The temporary configuration file beside the configuration file is used
// when it can be opened.
bool openConfiguration()
{
    ctx.paths.configuration = folderPart(ctx.paths.configuration) + KELVODRV_TEMPORARY_CONFIGURATION_FILE;
    if (openFile(ctx.files.configuration, ctx.paths.configuration, 0))
        return true;
    ctx.paths.configuration = ctx.paths.firstConfiguration;
    return openFile(ctx.files.configuration, ctx.paths.configuration, 0);
}

void openFiles()
{
    if (!openFile(ctx.files.input, ctx.names.input(), 0)) {
        storeCondition(condition::InputOpen);
        return;
    }
    if (!openConfiguration()) {
        storeCondition(condition::ConfigurationOpen);
        return;
    }
    if (ctx.switches.hasOutputFile) {
        int trial = kClosedHandle;
        const bool creatable = openFile(trial, ctx.names.output(), 1);
        closeFile(trial);
        if (!creatable || !openFile(ctx.files.output, ctx.names.output(), 1)) {
            storeCondition(condition::OutputOpen);
            return;
        }
    }
    if (!openFile(ctx.files.report, ctx.paths.report, 1))
        storeCondition(condition::ReportOpen);
}

bool readInputHeader(std::string& line)
{
    bool wrongKind = false;
    if (readHeaderLine(ctx.files.input, line, wrongKind))
        return true;
    storeCondition(wrongKind ? condition::InputFormat : condition::InputIncomplete);
    return false;
}

void readRegisterNumber()
{
    std::string line;
    if (!readInputHeader(line))
        return;
    std::string field;
    std::optional<std::uint8_t> number;
    if (!lineField(cleanedField(line), 1, field) || !(number = parseByte(field))) {
        storeCondition(condition::InputFormat);
        return;
    }
    if (*number < 1 || *number > 99) {
        storeCondition(condition::RegisterNumberRange);
        return;
    }
    ctx.registerNumber = *number;
}

// Reads the line for the register; when the temporary configuration file has
// none, the configuration file proper is read instead.
void readConfigurationLine()
{
    readConfiguration();
    const bool temporary = ctx.paths.configuration != ctx.paths.firstConfiguration;
    if (!temporary || !(conditionIs(condition::ConfigurationIncomplete) || conditionIs(condition::ConfigurationNoLine)))
        return;
    closeFile(ctx.files.configuration);
    ctx.paths.configuration = ctx.paths.firstConfiguration;
    storeCondition(condition::Success);
    if (!openFile(ctx.files.configuration, ctx.paths.configuration, 0)) {
        storeCondition(condition::ConfigurationOpen);
        return;
    }
    readConfiguration();
}

}

void runExchangeFrame()
{
    checkNames();
    if (isSuccess())
        openFiles();
    if (isSuccess())
        announce();
    if (isSuccess())
        readRegisterNumber();
    if (isSuccess())
        readConfigurationLine();
    std::string line;
    if (isSuccess())
        readInputHeader(line);
    if (isSuccess())
        readInputHeader(line);
    if (isSuccess() && ctx.switches.talksToRegister) {
        openLinkToRegister();
        if (!ctx.link.open && isSuccess())
            storeCondition(condition::PortOpen);
    }
    if (isSuccess() && ctx.switches.talksToRegister && !identifyRegister() && ctx.switches.hasOutputFile) {
        // The output file starts with its header lines even when identification failed.
        if (!isSuccess() && !writeHeaderLines(ctx.files.output))
            storeCondition(condition::OutputWrite);
    }
    if (isSuccess() && ctx.switches.talksToRegister)
        settleRegisterNumber(ctx.switches.checkRegisterNumber);
}

}
