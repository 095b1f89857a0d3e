#include "driver/command/command.h"

#include "driver/files/text.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"

namespace kelvo::drv {

const std::string& parameterListName()
{
    return ctx.names.slot[ctx.switches.hasOutputFile ? 3 : 2];
}

namespace {

void runUpToFinish(const CommandDefinition& command, const char* input, const char* output)
{
    ctx.names.slot[0] = std::string(command.name);
    ctx.names.slot[1] = std::string(bufferText(input));
    if (command.switches.hasOutputFile)
        ctx.names.slot[2] = std::string(bufferText(output));
    ctx.switches = command.switches;
    initialise();
    ctx.request.suspended = ctx.server.startSuspended;
    if (isSuccess()) {
        ctx.exchange = {true, true};
        runExchangeFrame();
        ctx.exchange.active = false;
        if (isSuccess())
            command.body();
    }
}

}

// The command's seal: an exception anywhere is the other error, and the
// finish still closes the files and writes the run report.
std::uint8_t runCommand(const CommandDefinition& command, const char* input, const char* output) noexcept
{
    resetCommandContext();
    try {
        runUpToFinish(command, input, output);
    } catch (...) {
        ctx.exchange.active = false;
        failWith(condition::OtherError);
    }
    try {
        finish();
    } catch (...) {
        failWith(condition::OtherError);
    }
    return ctx.outcome.resultCode;
}

}
