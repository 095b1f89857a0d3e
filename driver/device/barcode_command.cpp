#include "driver/device/barcode_command.h"

#include <optional>
#include <string>

#include "driver/core/context.h"
#include "driver/core/model_table.h"
#include "driver/core/result_codes.h"
#include "driver/files/fields.h"
#include "driver/files/text_helpers.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

// Registers with a readable fiscal memory take eight bytes, the others six.
constexpr std::uint8_t kLongBarcode = 0x8D;
constexpr std::uint8_t kShortBarcode = 0xED;
constexpr std::uint8_t kLongBytes = 8;
constexpr std::uint8_t kShortBytes = 6;
constexpr std::size_t kLongDigitsMost = 18;
constexpr std::size_t kShortDigitsMost = 13;

std::optional<std::uint64_t> barcodeOf(const std::string& line, bool longBarcodes)
{
    std::string field;
    if (!lineField(line, 1, field))
        return std::nullopt;
    const std::optional<std::uint64_t> number = parseEightByte(field);
    if (!number || decimalText(*number).size() > (longBarcodes ? kLongDigitsMost : kShortDigitsMost))
        return std::nullopt;
    return number;
}

}

void barcodesBody()
{
    const bool longBarcodes = isSecondGeneration(ctx.device.deviceCode.value);
    std::string line;
    bool wrongKind = false;
    bool anyLine = false;
    while (readDataLine(ctx.files.input, line, wrongKind)) {
        anyLine = true;
        const std::optional<std::uint64_t> number = barcodeOf(line, longBarcodes);
        if (!number)
            return storeCondition(condition::InputFormat);
        for (unsigned j = 1; j <= kLongBytes; ++j)
            ctx.request.buffer.requestData(j) = static_cast<std::uint8_t>(*number >> (8 * (j - 1)));
        if (longBarcodes)
            request(kLongBarcode, 1, kLongBytes, 1);
        else
            request(kShortBarcode, 1, kShortBytes, 1);
        if (!isSuccess())
            return;
    }
    if (wrongKind)
        storeCondition(condition::InputFormat);
    else if (!anyLine)
        storeCondition(condition::InputIncomplete);
}

}
