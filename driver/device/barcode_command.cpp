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

// How a register takes a barcode: the request, its bytes and the longest
// number in digits. Registers with a readable fiscal memory take eight
// bytes, the others six.
struct BarcodeForm {
    std::uint8_t command;
    std::uint8_t bytes;
    std::size_t digitsMost;
};

constexpr BarcodeForm kLongForm {0x8D, 8, 18};
constexpr BarcodeForm kShortForm {0xED, 6, 13};
constexpr unsigned kBytesFilled = kLongForm.bytes;  // for either form; a short one sends its first six

std::optional<std::uint64_t> barcodeOf(const std::string& line, const BarcodeForm& form)
{
    std::string field;
    if (!lineField(line, 1, field))
        return std::nullopt;
    const std::optional<std::uint64_t> number = parseEightByte(field);
    if (!number || decimalText(*number).size() > form.digitsMost)
        return std::nullopt;
    return number;
}

}

void barcodesBody()
{
    const BarcodeForm& form = isSecondGeneration(ctx.device.deviceCode.value) ? kLongForm : kShortForm;
    std::string line;
    bool wrongKind = false;
    bool anyLine = false;
    while (readDataLine(ctx.files.input, line, wrongKind)) {
        anyLine = true;
        const std::optional<std::uint64_t> number = barcodeOf(line, form);
        if (!number)
            return storeCondition(condition::InputFormat);
        for (unsigned j = 1; j <= kBytesFilled; ++j)
            ctx.request.buffer.requestData(j) = static_cast<std::uint8_t>(*number >> (8 * (j - 1)));
        request(form.command, 1, form.bytes, 1);
        if (!isSuccess())
            return;
    }
    if (wrongKind)
        storeCondition(condition::InputFormat);
    else if (!anyLine)
        storeCondition(condition::InputIncomplete);
}

}
