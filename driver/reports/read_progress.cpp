// The read-progress function: registered once for the process, told after
// every fiscal memory record a command reads from the register; and the
// caller's request to stop the read.
#include <algorithm>
#include <kelvo/kelvodrv.h>

#include "driver/core/sealed.h"
#include "driver/core/context.h"
#include "driver/reports/kept_records.h"
#include "driver/reports/records.h"

namespace kelvo::drv {

void expectRecordsToRead(std::uint32_t last)
{
    lookForKeptRecords();
    const KeptRecords& kept = ctx.reports.kept;
    std::uint32_t highest = last;
    if (kept.trusted && !kept.records.empty())
        highest = std::min(last, kept.records.rbegin()->first + 1);
    ctx.reports.highestToRead = highest;
}

void noteRecordRead()
{
    ReportState& reports = ctx.reports;
    ++reports.recordsRead;
    // Records written since the kept ones: the read goes on past the
    // expected end, which moves along with it, one record ahead.
    if (reports.highestToRead != 0 && reports.recordsRead > reports.highestToRead + 1)
        reports.highestToRead = std::min(lastRecordIndex(), reports.recordsRead);
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
    kelvo::drv::sealed([&] {
        kelvo::drv::ReadProgressListener& listener = kelvo::drv::ctx.readProgress;
        const std::lock_guard guard(listener.lock);
        listener.function = function;
        listener.context = function ? context : nullptr;
    });
}

KELVODRV_API void PrzerwanieOdczytu(void)
{
    kelvo::drv::sealed([] { kelvo::drv::ctx.stopRequested = true; });
}
