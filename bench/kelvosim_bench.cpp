// How long the simulator takes to build and serve a full fiscal memory:
// encoding a 2060-record scenario (and a 5000-record one), reading it back
// from JSON, and answering every record read, compared with the time the
// serial line itself needs for those reads at 9600 bit/s.
#include "simulator/converter.h"
#include "simulator/converter_frame.h"
#include "simulator/generator.h"
#include "simulator/line_writer.h"
#include "simulator/register.h"
#include "simulator/scenario.h"

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using namespace kelvo::sim;
using Clock = std::chrono::steady_clock;

double bestMs(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int k = 0; k < runs; ++k) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

std::size_t readAll(Responder& responder, std::uint16_t records, bool framed)
{
    std::size_t bytes = 0;
    for (std::uint16_t index = 0; index < records; ++index) {
        const Bytes request{kEsc, 154, static_cast<std::uint8_t>(index & 0xFF), static_cast<std::uint8_t>(index >> 8)};
        const Bytes line = framed ? packFrame(Bytes{0x70, 1, 63, 0, kEsc, 154, request[2], request[3]}) : request;
        for (std::uint8_t b : line)
            for (const Bytes& a : responder.feed(b).answers) bytes += a.size();
    }
    return bytes;
}

}

int main()
{
    RequestLog log;
    for (const std::uint16_t records : {std::uint16_t{2060}, std::uint16_t{5000}}) {
        Scenario scenario;
        scenario.deviceCode = 138;
        const double generate = bestMs(5, [&] {
            scenario = Scenario{};
            scenario.deviceCode = 138;
            generateInto(scenario, 39, 1, records == 2060 ? std::nullopt : std::optional<std::uint16_t>(records));
        });
        const double encode = bestMs(5, [&] { Register reg(scenario, log); });
        const std::string json = scenarioToJson(scenario);
        const double parse = bestMs(5, [&] { parseScenario(json); });

        Register reg(scenario, log);
        std::size_t answered = 0;
        const double serve = bestMs(3, [&] { answered = readAll(reg, records, false); });
        Converter converter(reg, log);
        const double serveFramed = bestMs(3, [&] { readAll(converter, records, true); });
        // Each read on the line: ESC, command, ACK, two index bytes, 63 record bytes.
        const auto wire = lineTime(std::size_t{records} * 68, 9600);

        std::printf("%u records (%zu written, %zu bytes JSON)\n", unsigned{records}, reg.memory().writtenRecords(), json.size());
        std::printf("  generate history        %8.2f ms\n", generate);
        std::printf("  encode into memory      %8.2f ms\n", encode);
        std::printf("  read JSON scenario      %8.2f ms\n", parse);
        std::printf("  answer every read       %8.2f ms (%zu answer bytes)\n", serve, answered);
        std::printf("  same through converter  %8.2f ms\n", serveFramed);
        std::printf("  line time at 9600 bit/s %8.0f ms\n", std::chrono::duration<double, std::milli>(wire).count());
    }
    return 0;
}
