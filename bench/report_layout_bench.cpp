// Per-record cost of decoding a fiscal memory record and of laying out its
// block of the report, on daily reports put straight into the record cache.
#include <benchmark/benchmark.h>

#include "driver/files/textfile.h"
#include "driver/core/context.h"
#include "driver/reports/records.h"
#include "driver/reports/report_writer.h"

namespace {

using namespace kelvo::drv;

constexpr std::size_t kRecords = 2060;

std::uint8_t bcd(unsigned value)
{
    return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
}

// A memory of tax rates followed by daily reports with four taxed letters.
void fillMemory()
{
    resetCommandContext();
    DeviceIdentity& d = ctx.device;
    d.deviceCode.set(121);
    d.lineWidth.set(40);
    d.memorySize.set(131072);
    d.recordLimit.set(kRecords - 1);
    d.recordLength.set(63);
    d.headerOffset.set(256);
    d.blockOneFlag.set(false);
    ctx.reports.cache.assign(kRecords, RecordCacheEntry {});
    for (std::size_t k = 0; k < kRecords; ++k) {
        RecordCacheEntry& e = ctx.reports.cache[k];
        e.cached = true;
        e.valid = true;
        e.status = 0xFC;
        e.type = k == 0 ? record_type::TaxRates : record_type::DailyReport;
        e.body[1] = bcd(12);
        e.body[2] = bcd(1 + (k / 28) % 12);
        e.body[3] = bcd(1 + k % 28);
        e.body[4] = static_cast<std::uint8_t>(k & 0xFF);
        e.body[5] = static_cast<std::uint8_t>(k >> 8);
        if (k == 0) {
            const std::uint16_t rates[kLetterCount] {2300, 800, 500, 0, 0x4000, 0x8000, 0x8000};
            for (std::size_t q = 0; q < kLetterCount; ++q) {
                e.body[6 + 2 * q] = static_cast<std::uint8_t>(rates[q] >> 8);
                e.body[7 + 2 * q] = static_cast<std::uint8_t>(rates[q] & 0xFF);
            }
            continue;
        }
        for (std::size_t q = 0; q < kLetterCount; ++q) {
            const std::uint64_t gross = q < 4 ? 10000 + 137 * k + 11 * q : 0;
            for (std::size_t b = 0; b < 5; ++b)
                e.body[6 + 5 * q + b] = static_cast<std::uint8_t>(255 - ((gross >> (8 * b)) & 0xFF));
        }
        e.body[41] = 42;
    }
}

void decodeDailyReports(benchmark::State& state)
{
    fillMemory();
    DecodedRecord record;
    std::uint32_t index = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeRecord(index, record));
        index = index + 1 < kRecords ? index + 1 : 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(decodeDailyReports);

void layOutDailyReports(benchmark::State& state)
{
    fillMemory();
    openFile(ctx.files.output, "/dev/null", 1);
    report::PeriodicReport report(8);
    report.currency = "PLN";
    ReportRange range;
    std::uint32_t index = 1;
    report::writeRecord(report, 0, range);
    for (auto _ : state) {
        benchmark::DoNotOptimize(report::writeRecord(report, index, range));
        index = index + 1 < kRecords ? index + 1 : 1;
    }
    closeFile(ctx.files.output);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(layOutDailyReports);

}

BENCHMARK_MAIN();
