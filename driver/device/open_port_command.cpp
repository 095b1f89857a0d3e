#include "driver/device/open_port_command.h"

#include <optional>

#include "driver/files/fields.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/frame/result_codes.h"
#include "driver/transport/link.h"

namespace kelvo::drv {

void openPortCommandBody()
{
    ctx.link.keepOpen = false;
    closeLink();

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
    openLink();
    if (!ctx.link.open)
        storeCondition(condition::PortOpen);
}

}
