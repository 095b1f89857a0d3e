#include "driver/device/identification.h"

#include <kelvo/kelvodrv.h>

#include "driver/core/sealed.h"
#include "driver/device/identification_cache.h"
#include "driver/device/identity_readers.h"
#include "driver/core/model_table.h"
#include "driver/device/plu_count.h"
#include "driver/files/fields.h"
#include "driver/files/text.h"
#include "driver/files/textfile.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"

namespace kelvo::drv {

namespace {

void remapDeviceCode()
{
    DeviceIdentity& d = ctx.device;
    const auto remapped = remappedDeviceCode(d.deviceCode.value);
    if (!remapped)
        return;
    d.deviceCode.value = *remapped;
    if (d.version.value < 100)
        d.version.value = static_cast<std::uint8_t>(d.version.value + 100);
}

}

bool identifyRegister()
{
    if (!(readDeviceCode() && readVersion() && readVersionLetter() && readUniqueNumber() && readLineWidth()
            && readHeaderLineCount() && readModelName() && readGeneration()))
        return false;
    remapDeviceCode();

    DeviceIdentity& d = ctx.device;
    std::string source;
    d.foundInCache = findInIdentificationCache();
    if (!isSuccess())
        return false;
    if (d.foundInCache) {
        source = "identyfikator odczytany z urzadzenia i pliku " + ctx.paths.identificationCache;
    } else {
        source = "identyfikator odczytany z urzadzenia";
        if (!readPluCount())
            return false;
    }
    d.description = currentDeviceDescription();

    std::string line = d.description + " (" + source + ")";
    std::string extended;
    if (subField(ctx.headers.line[2], 2, '\t', extended))
        line += "\t" + extended;
    ctx.headers.line[2] = boundedText(line);
    if (ctx.switches.hasOutputFile && !writeHeaderLines(ctx.files.output)) {
        storeCondition(condition::OutputWrite);
        return false;
    }
    return true;
}

void settleRegisterNumber(bool checkNumber)
{
    if (!readRegisterNumber())
        return;
    const auto number = registerNumberValue();
    if (!number)
        return;
    if (!ctx.device.foundInCache && !isLundaFioraOrPalmoRow(ctx.device.deviceCode.value)) {
        appendToIdentificationCache();
        if (!isSuccess())
            return;
    }
    if (checkNumber && ctx.registerNumberCheck && *number != ctx.registerNumber)
        storeCondition(condition::RegisterNumberDiffers);
}

}

extern "C" {

KELVODRV_API unsigned char OdczytanieTypuUrzadzenia(void)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return kelvo::drv::identifyRegister() ? 1 : 0;
    });
}

KELVODRV_API void ZerowanieSzczegolowychDanychOTypieUrzadzenia(void)
{
    kelvo::drv::sealed([&] {
        kelvo::drv::ctx.device = {};
    });
}

KELVODRV_API void SygnalizowanieBleduWeryfikacjiNumeruUrzadzenia(unsigned char on)
{
    kelvo::drv::sealed([&] {
        kelvo::drv::ctx.registerNumberCheck = on != 0;
    });
}

}
