// The read-progress function: registered once for the process, told after
// every fiscal memory record a command reads from the register.
#include <kelvo/kelvodrv.h>

#include "driver/frame/context.h"
#include "driver/reports/records.h"

namespace kelvo::drv {

void noteRecordRead()
{
    ReportState& reports = ctx.reports;
    ++reports.recordsRead;
    ReadProgressListener& listener = ctx.readProgress;
    // Called under the lock, so that once the function is replaced the old
    // one is never called again with its context.
    const std::lock_guard guard(listener.lock);
    if (listener.function)
        listener.function(listener.context, reports.recordsRead, reports.highestToRead);
}

}

KELVODRV_API void UstawienieFunkcjiPostepuOdczytu(FunkcjaPostepuOdczytu function, void* context)
{
    kelvo::drv::ReadProgressListener& listener = kelvo::drv::ctx.readProgress;
    const std::lock_guard guard(listener.lock);
    listener.function = function;
    listener.context = function ? context : nullptr;
}
