// The three converters of register-printed reports over random answers shaped
// as their receivers hand them on (whole 42-byte lines; text up to the first
// ETX followed by status and CRC; a stream up to the first BEL): the printout
// lines, the ETX block and the print stream with its escape sequences, each
// at a printer line width taken from the input. Every line written must be
// whole (ended by the line terminator) and no wider than the widest line a
// register prints; a converter that fails leaves its code.
#include <algorithm>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "driver/core/context.h"
#include "driver/core/control_bytes.h"
#include "driver/files/textfile.h"
#include "driver/reports/printed_answers.h"
#include "tests/fuzz/fuzz_support.h"

using namespace kelvo;
using namespace kelvo::drv;

namespace {

constexpr std::size_t kLineBytes = 42;
constexpr std::size_t kWidths[] = {24, 32, 33, 36, 40, 42, 56};
// A double-width line of the widest stream counts each character twice.
constexpr std::size_t kWidestLine = 2 * 56;

std::string readWhole(const char* name)
{
    std::string text;
    if (std::FILE* f = std::fopen(name, "rb")) {
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            text.append(chunk, n);
        std::fclose(f);
    }
    return text;
}

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::enterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    resetProcessState();
    const std::uint8_t format = data[0] % 3;
    ctx.device.lineWidth.set(kWidths[(data[0] / 3) % std::size(kWidths)]);
    std::vector<std::uint8_t> answer(data + 1, data + size);
    if (!openFile(ctx.files.output, "OUT", 1))
        std::abort();
    bool written = false;
    if (format == 0) {
        answer.resize(answer.size() - answer.size() % kLineBytes);
        written = printed::writeFixedLines(answer);
    } else if (format == 1) {
        answer.erase(std::find(answer.begin(), answer.end(), kEtx), answer.end());
        answer.insert(answer.end(), {kEtx, 0, 0, 0});
        written = printed::writeEtxBlock(answer);
    } else {
        answer.erase(std::find(answer.begin(), answer.end(), kBel), answer.end());
        written = printed::writePrintStream(answer);
    }
    closeFile(ctx.files.output);
    if (!written && ctx.outcome.resultCode == 0)
        std::abort();

    const std::string out = readWhole("OUT");
    const std::string& end = ctx.lineFormat.terminator;
    std::size_t at = 0;
    while (at < out.size()) {
        const std::size_t next = out.find(end, at);
        if (next == std::string::npos || next - at > kWidestLine)
            std::abort();
        at = next + end.size();
    }
    return 0;
}
