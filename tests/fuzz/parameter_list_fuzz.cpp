// The parameter-list file over any bytes, given as the third part of the
// input argument: it is read, refused with 54 or taken over, and the frame
// still ends with a code. Inputs naming a folder are skipped, since the list
// names the driver's files.
#include "tests/fuzz/frame_runner.h"
#include "tests/fuzz/fuzz_support.h"

using namespace kelvo;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view list(reinterpret_cast<const char*>(data), size);
    if (fuzz::namesAFolder(list))
        return -1;
    fuzz::clearScratchFolder();
    fuzz::writeWholeFile("KONFIG.TXT", "$1\tCOM1:9600:MUX0:1\t3\tKELVO\r\n");
    fuzz::writeWholeFile("IN", "#1\r\n#\r\n#\r\n$NONE\t0\r\n");
    fuzz::writeWholeFile("PAR", list);
    fuzz::runFrame("IN;;PAR", "OUT");
    return 0;
}
