#include "driver/device/identity_commands.h"

#include <array>
#include <chrono>
#include <kelvo/kelvodrv.h>
#include <optional>
#include <thread>

#include "driver/core/model_table.h"
#include "driver/device/identity_readers.h"
#include "driver/files/fields.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/link.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

bool writeOutputLine(const std::string& text)
{
    if (writeDataLine(ctx.files.output, text))
        return true;
    storeCondition(condition::OutputWrite);
    return false;
}

bool statusGroupApplies(unsigned group)
{
    const std::uint8_t code = ctx.device.deviceCode.value;
    switch (group) {
    case 4: return hasExtendedStatus(code);
    case 5: return isKametRow(code) && ctx.device.version.value >= 3;
    default: return true;
    }
}

}

void registerNumberBody()
{
    if (readRegisterNumber())
        writeOutputLine(ctx.device.registerNumber.value);
}

void uniqueNumberBody()
{
    if (readUniqueNumber())
        writeOutputLine(ctx.device.uniqueNumber.value);
}

void statusBody()
{
    if (!readDeviceCode() || !readVersion())
        return;
    static constexpr std::array<std::uint8_t, 6> kGroupRequests {91, 84, 85, 86, 87, 83};
    for (unsigned group = 0; group < kGroupRequests.size(); ++group) {
        std::optional<std::uint8_t> status;
        if (statusGroupApplies(group)) {
            request(kGroupRequests[group], 2, 0, 0);
            if (isSuccess())
                status = ctx.request.buffer.answer(1);
            else if (!conditionIs(condition::Nak))
                return;
        }
        for (unsigned bit = 0; bit < 8; ++bit) {
            const unsigned flag = 8 * group + bit + 1;
            const std::string value = !status ? "?" : (*status & (1u << bit)) ? "1" : "0";
            if (!writeOutputLine((flag < 10 ? "0" : "") + std::to_string(flag) + "\t" + value))
                return;
        }
        if (conditionIs(condition::Nak))
            storeCondition(condition::Success);
    }
}

void openPortBody()
{
    UstawieniePozostawiacOtwartyPortSzeregowy(0);

    std::string line;
    bool wrongKind = false;
    if (!readDataLine(ctx.files.input, line, wrongKind)) {
        storeCondition(wrongKind ? condition::InputFormat : condition::InputIncomplete);
        return;
    }
    storeCondition(condition::InputFormat);
    std::string parityField;
    std::string ctsField;
    std::optional<Parity> parity;
    std::optional<bool> cts;
    if (!lineField(line, 1, parityField) || !(parity = parseParity(parityField)) || !lineField(line, 2, ctsField)
        || !(cts = parseBoolean(ctsField)))
        return;
    storeCondition(condition::Success);

    ctx.connection.lineParity = static_cast<std::uint8_t>(*parity);
    ctx.link.ctsFlow = *cts;
    openLinkToRegister();
    if (!ctx.link.open) {
        failWith(condition::PortOpen);
        return;
    }
    ctx.link.keepOpen = true;
    WriteByte(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    ClearPort();
}

}
