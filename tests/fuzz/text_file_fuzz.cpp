// The driver's text-file readers and writers over any bytes, with a fuzzed
// line terminator of one to three bytes: no line over 1023 characters ever
// reaches a caller's buffer, and every read ends.
#include <cstdlib>
#include <cstring>
#include <kelvo/kelvodrv.h>

#include "driver/core/context.h"
#include "tests/fuzz/fuzz_support.h"

using namespace kelvo;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    drv::resetProcessState();
    const std::size_t terminatorLength = std::min<std::size_t>(1 + data[0] % 3, size - 1);
    drv::ctx.lineFormat.terminator.assign(reinterpret_cast<const char*>(data + 1), terminatorLength);
    const std::size_t start = 1 + terminatorLength;
    fuzz::writeWholeFile("IN", {reinterpret_cast<const char*>(data + start), size - start});

    int input = -1;
    if (OtwartoPlik(&input, "IN", 0) != 1)
        std::abort();
    drv::ctx.files.input = input;
    int output = -1;
    if (OtwartoPlik(&output, "OUT", 1) != 1)
        std::abort();
    auto line = fuzz::textBuffer("");
    unsigned char wrongKind = 0;
    // Every read takes at least one byte until the end, so size + 1 reads reach it.
    for (std::size_t reads = 0; Moje_feof(input) == 0; ++reads) {
        if (reads > size + 1)
            std::abort();
        const std::uint8_t pick = data[reads % size];
        switch (pick % 3) {
        case 0: OdczytanoZPlikuLinieDanych(input, line.get(), &wrongKind); break;
        case 1: OdczytanoZPlikuLinieNaglowka(input, line.get(), &wrongKind); break;
        default: OdczytanoZPlikuKonkretnaLinie(input, pick, line.get(), nullptr); break;
        }
        if (std::strlen(line.get()) > 1023)
            std::abort();
        ZapisanoDoPlikuLinie(output, line.get());
        ZapisanoDoPlikuLinieDanych(output, line.get());
    }
    ZapisanoDoPlikuNaglowek(output);
    ZamknieciePliku(&output);
    ZamknieciePliku(&input);
    drv::ctx.files.input = -1;
    return 0;
}
