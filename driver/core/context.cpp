#include "driver/core/context.h"

namespace kelvo::drv {

Context ctx;

void resetCommandContext()
{
    static_cast<CommandState&>(ctx) = CommandState {};
    ctx.stopRequested = false;
}

void resetProcessState()
{
    resetCommandContext();
    static_cast<LastingState&>(ctx) = LastingState {};
    ctx.bus.leave();
    const std::lock_guard guard(ctx.readProgress.lock);
    ctx.readProgress.function = nullptr;
    ctx.readProgress.context = nullptr;
}

}
