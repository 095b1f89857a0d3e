// The whole command frame with a fuzzed configuration file, input file and
// comment file: every run ends with a code, closes its files and leaves
// its run report.
#include <cstdlib>
#include <sys/stat.h>

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
    const auto parts = fuzz::splitInput(data, size, 3);
    fuzz::clearScratchFolder();
    fuzz::writeWholeFile("KONFIG.TXT", parts[0]);
    fuzz::writeWholeFile("IN", parts[1]);
    fuzz::writeWholeFile("KOMENT.TXT", parts[2]);
    // With the trace folder every file of the run is copied there too.
    if (size > 0 && (data[0] & 1) != 0)
        ::mkdir("$$$", 0700);
    fuzz::runFrame("IN", "OUT");
    struct stat st {};
    if (::stat("RAPORT.TXT", &st) != 0)
        std::abort();
    return 0;
}
