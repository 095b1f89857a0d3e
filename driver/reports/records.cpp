#include "driver/reports/records.h"

#include "driver/core/model_table.h"
#include "driver/core/context.h"

namespace kelvo::drv {

bool fiscalMemoryReadable()
{
    return isCode100OrAbove(ctx.device.deviceCode.value);
}

bool crcRecords()
{
    return isCode116OrAbove120(ctx.device.deviceCode.value);
}

bool ReportFamilyA()
{
    const std::uint8_t d = ctx.device.deviceCode.value;
    return isOrvanGroupB(d) || isTiberGroupB(d) || isCode139(d);
}

bool ReportFamilyB()
{
    const std::uint8_t d = ctx.device.deviceCode.value;
    return isPelunRow(d) || isSaskaRow(d);
}

}
