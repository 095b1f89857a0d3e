#include "driver/reports/records.h"

#include "driver/core/model_table.h"
#include "driver/core/context.h"

namespace kelvo::drv {

bool fiscalMemoryReadable()
{
    return isSecondGeneration(ctx.device.deviceCode.value);
}

bool crcRecords()
{
    return hasCrcRecords(ctx.device.deviceCode.value);
}

bool isReportFamilyA()
{
    const std::uint8_t d = ctx.device.deviceCode.value;
    return isOrvanGroupB(d) || isTiberGroupB(d) || isKelvoFamilyAModel(d);
}

bool isReportFamilyB()
{
    const std::uint8_t d = ctx.device.deviceCode.value;
    return isPelunRow(d) || isSaskaRow(d);
}

}
