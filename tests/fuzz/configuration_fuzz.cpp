// The configuration reader over any KONFIG.TXT and register number, and the
// port specification check over any field: a result code of the reader's
// own, and header lines that fit a text buffer.
#include <cstdlib>

#include "driver/core/context.h"
#include "driver/files/configuration.h"
#include "driver/files/textfile.h"
#include "tests/fuzz/fuzz_support.h"

using namespace kelvo;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    drv::resetProcessState();
    drv::ctx.registerNumber = static_cast<std::uint8_t>(1 + data[0] % 99);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    fuzz::writeWholeFile("KONFIG.TXT", bytes);
    drv::ctx.paths.configuration = "KONFIG.TXT";
    if (!drv::openFile(drv::ctx.files.configuration, "KONFIG.TXT", 0))
        std::abort();
    drv::readConfiguration();
    drv::closeFile(drv::ctx.files.configuration);
    const std::uint8_t code = drv::ctx.outcome.resultCode;
    if (code != 0 && code != 13 && code != 14 && code != 16)
        std::abort();
    for (const std::string& header : drv::ctx.headers.line)
        if (header.size() > 1023)
            std::abort();

    drv::ConnectionSettings connection;
    drv::LinkRoute route;
    if (drv::checkPortSpecification(bytes.substr(0, 1023), connection, route)
        && (connection.portNumber == 0 || connection.speed == 0 || connection.speed > 115200))
        std::abort();
    return 0;
}
