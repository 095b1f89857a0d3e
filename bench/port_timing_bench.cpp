// How long the port layer's waits really take on a pseudo-terminal: a read
// with a time-out of 0, a read that runs out its time-out, a failed read after
// the far end hung up, and the multiplexer's channel-switch pause. The tests
// check only that no wait is shorter than it must be; these are the figures.
#include <benchmark/benchmark.h>
#include <chrono>
#include <kelvo/kelvodrv.h>
#include <memory>

#include "platform/serial_port.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using kelvo::platform::SerialPort;

// Reads from a pseudo-terminal that nothing is written to, each read with the
// time-out the benchmark gives (milliseconds).
void readFromASilentLine(benchmark::State& state)
{
    kelvo::test::PtyPair pty;
    SerialPort port;
    if (!port.open(pty.slavePath()))
        state.SkipWithError("no pseudo-terminal");
    std::uint8_t byte = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(port.readByte(byte, std::chrono::milliseconds(state.range(0))));
}
BENCHMARK(readFromASilentLine)->Name("readWithTimeOutZero")->Arg(0);
BENCHMARK(readFromASilentLine)->Name("readRunningOutItsTimeOut")->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(5);

void readAfterHangUp(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto pty = std::make_unique<kelvo::test::PtyPair>();
        SerialPort port;
        port.open(pty->slavePath());
        pty.reset();
        std::uint8_t byte = 0;
        state.ResumeTiming();
        benchmark::DoNotOptimize(port.readByte(byte, 5000ms));
    }
}
BENCHMARK(readAfterHangUp)->Unit(benchmark::kMillisecond)->Iterations(5);

void channelSwitchPause(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(UstawKanalWinseria(0));
}
BENCHMARK(channelSwitchPause)->Unit(benchmark::kMillisecond)->Iterations(5);

}

BENCHMARK_MAIN();
