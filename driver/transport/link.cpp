#include "driver/transport/link.h"

#include "driver/frame/context.h"

namespace kelvo::drv {

void openLink()
{
    if (ctx.link.open && ctx.link.keepOpen)
        return;
    closeLink();
}

void closeLink()
{
    if (ctx.link.open && !ctx.link.keepOpen)
        ctx.link.open = false;
}

}
