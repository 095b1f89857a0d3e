#include "tests/fuzz/frame_runner.h"

#include <cstdlib>

#include "driver/command/command.h"
#include "driver/core/context.h"
#include "driver/files/textfile.h"

namespace kelvo::fuzz {

namespace {

void copyDataLines()
{
    std::string line;
    bool wrongKind = false;
    while (drv::readDataLine(drv::ctx.files.input, line, wrongKind))
        if (!drv::writeDataLine(drv::ctx.files.output, line))
            return;
}

constexpr drv::CommandDefinition kCopyCommand {"ONrKasy", {true, true, false, false}, copyDataLines};

}

bool namesAFolder(std::string_view bytes)
{
    return bytes.find_first_of("/\\") != std::string_view::npos;
}

std::uint8_t runFrame(const char* input, const char* output)
{
    const std::uint8_t code = drv::runCommand(kCopyCommand, input, output);
    if (code != drv::ctx.outcome.resultCode)
        std::abort();
    for (const std::string& header : drv::ctx.headers.line)
        if (header.size() > 1023)
            std::abort();
    const drv::FileHandles& files = drv::ctx.files;
    for (int handle : {files.input, files.output, files.comment, files.configuration, files.report,
             files.identificationCache, files.parameterList})
        if (handle != drv::kClosedHandle)
            std::abort();
    return code;
}

}
