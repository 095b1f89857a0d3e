#include "driver/command/command.h"

#include "driver/files/text.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"

namespace kelvo::drv {

const std::string& parameterListName()
{
    return ctx.names.slot[ctx.switches.hasOutputFile ? 3 : 2];
}

std::uint8_t runCommand(const CommandDefinition& command, const char* input, const char* output)
{
    resetCommandContext();
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
    finish();
    return ctx.outcome.resultCode;
}

}
