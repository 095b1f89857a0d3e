#include "driver/device/identification_cache.h"

#include <array>
#include <cstdio>
#include <optional>

#include "driver/core/model_table.h"
#include "driver/files/fields.h"
#include "driver/files/text_helpers.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/device/identity_readers.h"

namespace kelvo::drv {

namespace {

std::string pluText()
{
    return std::to_string(ctx.device.pluCount);
}

// Reads one cache line's eight fields; false when the line is not valid.
bool checkLine(const std::string& line, std::array<std::string, 8>& fields)
{
    for (unsigned k = 0; k < fields.size(); ++k)
        lineFieldOrEmpty(line, k + 1, fields[k]);
    const bool registerOk = fields[1] == "xx" || parseByte(fields[1]).has_value();
    return registerOk && parseByte(fields[2]) && parseWord(fields[4]) && parseByte(fields[6]);
}

}

std::string currentDeviceDescription()
{
    const DeviceIdentity& d = ctx.device;
    return deviceDescription(d.modelName.value, pluText(), d.generation.value, twoDigits(d.version.value),
        d.deviceCode.value);
}

std::string deviceDescription(const std::string& model, const std::string& plu, const std::string& generation,
    const std::string& version, std::uint8_t deviceCode)
{
    std::string description;
    const auto add = [&description](const std::string& value, const std::string& before, const std::string& after) {
        if (value.empty() || value == "0")
            return;
        if (!description.empty())
            description += ' ';
        description += before + value + after;
    };
    add(model, "", "");
    add(plu, "", " PLU");
    if (!isKametRow(deviceCode) && !isLundaFioraOrPalmoRow(deviceCode))
        add(generation, "", " gen.");
    add(version, "ver. ", "");
    return description;
}

bool findInIdentificationCache()
{
    int& handle = ctx.files.identificationCache;
    if (!openFile(handle, ctx.paths.identificationCache, 0))
        return false;
    bool found = false;
    std::string line;
    bool wrongKind = false;
    while (readDataLine(handle, line, wrongKind)) {
        std::array<std::string, 8> fields;
        if (!checkLine(line, fields)) {
            storeCondition(condition::CacheData);
            break;
        }
        if (fields[0] != ctx.device.uniqueNumber.value)
            continue;
        const auto version = parseByte(fields[6]);
        if (deviceDescription(fields[3], fields[4], fields[5], twoDigits(*version), ctx.device.deviceCode.value)
            != fields[7]) {
            storeCondition(condition::CacheData);
            break;
        }
        ctx.device.pluCount = *parseWord(fields[4]);
        found = true;
        break;
    }
    if (wrongKind)
        storeCondition(condition::CacheData);
    // Read to its end: the marker tells whether its last line has its line break.
    if (!found && isSuccess())
        ctx.device.cacheEndsOpen = filePosition(handle) > 0 && !ctx.reading.endedWithTerminator;
    closeFile(handle);
    return found && isSuccess();
}

void appendToIdentificationCache()
{
    int& handle = ctx.files.identificationCache;
    if (!openFile(handle, ctx.paths.identificationCache, 2)) {
        storeCondition(condition::CacheOpen);
        return;
    }
    const DeviceIdentity& d = ctx.device;
    const auto number = registerNumberValue();
    const std::string line = d.uniqueNumber.value + "\t" + (number ? d.registerNumber.value : std::string("xx")) + "\t"
        + std::to_string(d.deviceCode.value) + "\t" + d.modelName.value + "\t" + pluText() + "\t" + d.generation.value
        + "\t" + twoDigits(d.version.value) + "\t" + currentDeviceDescription();
    if ((d.cacheEndsOpen && !writeText(handle, "\r\n")) || !writeDataLine(handle, line))
        storeCondition(condition::CacheWrite);
    closeFile(handle);
}

}
