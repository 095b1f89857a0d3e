#include "simulator/generator.h"

#include "simulator/models.h"

#include <chrono>
#include <random>

namespace kelvo::sim {

namespace {

namespace chr = std::chrono;

Date toDate(chr::sys_days day)
{
    const chr::year_month_day ymd{day};
    return Date{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

chr::sys_days toDays(const Date& d)
{
    return chr::sys_days{chr::year{d.year} / chr::month{static_cast<unsigned>(d.month)} /
                         chr::day{static_cast<unsigned>(d.day)}};
}

Record taxRates(const Date& date, std::uint16_t number, std::uint16_t a, std::uint16_t b, std::uint16_t c)
{
    Record r;
    r.type = RecordType::TaxRates;
    r.date = date;
    r.number = number;
    r.rates = {TaxRate{RateKind::Taxed, a}, TaxRate{RateKind::Taxed, b}, TaxRate{RateKind::Taxed, c},
               TaxRate{RateKind::Taxed, 0}, TaxRate{RateKind::Exempt, 0}, TaxRate{}, TaxRate{}};
    return r;
}

class Dice {
public:
    explicit Dice(std::uint64_t seed) : engine_(seed) {}
    // Modulo keeps the histories identical on every standard library.
    std::uint64_t below(std::uint64_t n) { return engine_() % n; }

private:
    std::mt19937_64 engine_;
};

}

std::vector<Record> generateHistory(const GeneratorOptions& options)
{
    Dice dice(options.seed);
    std::vector<Record> records;
    const auto full = [&] { return records.size() >= options.capacity; };

    const chr::sys_days first = toDays(options.start);
    const chr::sys_days end = toDays(options.end.value_or(
        Date{options.start.year + static_cast<int>(options.years), options.start.month, options.start.day}));
    records.push_back(taxRates(options.start, 1, 2200, 700, 300));
    if (!full()) {
        Record currency;
        currency.type = RecordType::CurrencyChange;
        currency.date = options.start;
        currency.number = 1;
        currency.time = {8, 0};
        currency.currency = "PLN";
        records.push_back(currency);
    }

    std::uint16_t reportNumber = 0;
    std::uint16_t rateChanges = 1;
    std::uint16_t ramClears = 0;
    int lastYear = options.start.year;
    for (chr::sys_days day = first; day < end && !full(); day += chr::days{1}) {
        if (chr::weekday{day} == chr::Sunday) continue;
        const Date date = toDate(day);
        if (date.year != lastYear && date.year == options.start.year + 1 && !full()) {
            // The rates went up once, at the first new year of the history.
            records.push_back(taxRates(date, ++rateChanges, 2300, 800, 500));
            lastYear = date.year;
        }
        if (dice.below(250) == 0 && !full()) {
            Record clear;
            clear.type = RecordType::RamClear;
            clear.date = date;
            clear.number = ++ramClears;
            clear.time = {7, static_cast<int>(dice.below(60))};
            clear.marked = dice.below(2) == 0;
            records.push_back(clear);
        }
        if (full()) break;
        Record daily;
        daily.type = RecordType::DailyReport;
        daily.date = date;
        daily.number = ++reportNumber;
        daily.amounts = {dice.below(500000), dice.below(200000), dice.below(50000), dice.below(10000),
                         dice.below(20000), 0, 0};
        daily.receipts = static_cast<std::uint32_t>(20 + dice.below(300));
        daily.goodsChanges = dice.below(20) == 0 ? static_cast<std::uint32_t>(1 + dice.below(50)) : 0;
        daily.cancelledReceipts = static_cast<std::uint32_t>(dice.below(3));
        daily.cancelledAmount = daily.cancelledReceipts * dice.below(5000);
        records.push_back(daily);
        if (options.daySignatures && !full()) {
            Record signature;
            signature.type = RecordType::DaySignature;
            signature.date = date;
            signature.number = reportNumber;
            for (int k = 0; k < 20; ++k) signature.signature.push_back(static_cast<std::uint8_t>(dice.below(256)));
            records.push_back(signature);
        }
    }
    return records;
}

void generateInto(Scenario& scenario, unsigned years, std::uint64_t seed, std::optional<std::uint16_t> records,
    std::optional<Date> today)
{
    const ModelProfile profile = profileFor(scenario.deviceCode);
    Geometry geometry = scenario.geometry.value_or(Geometry{});
    if (records) {
        geometry.recordCount = *records;
        const std::uint32_t needed = std::uint32_t{*records} * geometry.recordLength + geometry.headerOffset;
        geometry.memorySize = std::max<std::uint32_t>(131072, (needed + 65535) / 65536 * 65536);
        scenario.geometry = geometry;
    }
    GeneratorOptions options;
    options.years = years;
    options.seed = seed;
    options.capacity = geometry.recordCount;
    options.daySignatures = profile.crcRecords;
    if (today) {
        const Date thisMonth{today->year, today->month, 1};
        const Date lastMonth = today->month == 1 ? Date{today->year - 1, 12, 1} : Date{today->year, today->month - 1, 1};
        options.end = thisMonth;
        options.start = Date{today->year - static_cast<int>(years), today->month, 1};
        scenario.records = generateHistory(options);
        // A memory too small for the years is full before last month: start later.
        while (!scenario.records.empty() && scenario.records.back().date < lastMonth && options.start < lastMonth) {
            options.start = options.start.month == 12 ? Date{options.start.year + 1, 1, 1}
                                                      : Date{options.start.year, options.start.month + 1, 1};
            scenario.records = generateHistory(options);
        }
    } else {
        scenario.records = generateHistory(options);
    }

    const Date last = scenario.records.empty() ? options.start : scenario.records.back().date;
    scenario.clock = today ? std::nullopt
                           : std::optional<DateTime>(DateTime{toDate(toDays(last) + chr::days{1}), TimeOfDay{10, 0}});
}

}
