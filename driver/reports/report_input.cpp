#include "driver/reports/report_input.h"

#include <kelvo/kelvodrv_contract.h>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/files/fields.h"
#include "driver/files/text_helpers.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/reports/report_lines.h"

namespace kelvo::drv {

namespace {

struct Bounds {
    RecordKey from;
    RecordKey to;
};

std::optional<RecordKey> dateBound(std::string_view text)
{
    const std::optional<DateBytes> date = parseDate(text, false);
    if (!date)
        return std::nullopt;
    return dateKey((*date)[0], (*date)[1], (*date)[2]);
}

// Day 1 to the last day of a month of the two-digit year.
std::optional<Bounds> monthBounds(unsigned year, unsigned month)
{
    const auto from = dateBound(report::recordDate(year, month, 1));
    const auto to = dateBound(
        report::recordDate(year, month, daysInMonth(static_cast<std::uint8_t>(year), static_cast<std::uint8_t>(month))));
    if (!from || !to)
        return std::nullopt;
    return Bounds {*from, *to};
}

// Kinds 4 and 5: the month before the register clock's month, or its month.
std::optional<Bounds> clockMonthBounds(std::uint8_t kind)
{
    storeCondition(condition::Success);
    RegisterClock clock;
    if (!readRegisterClock(clock))
        return std::nullopt;
    unsigned year = clock.year;
    unsigned month = clock.month;
    if (kind == KELVODRV_KIND_PREVIOUS_MONTH && month == 1) {
        if (year == 0) {
            storeCondition(condition::NoReports);
            return std::nullopt;
        }
        --year;
        month = 12;
    } else if (kind == KELVODRV_KIND_PREVIOUS_MONTH) {
        --month;
    }
    const auto bounds = monthBounds(year, month);
    if (!bounds)
        storeCondition(condition::InputFormat);
    return bounds;
}

// Kind 1: a year and month such as 2009.01, without a day.
std::optional<Bounds> monthFieldBounds(const std::string& field)
{
    if (field.empty() || field.back() == '.' || parseDate(field, false))
        return std::nullopt;
    const std::optional<DateBytes> first = parseDate(field + ".01", false);
    if (!first)
        return std::nullopt;
    const auto to = dateBound(field + "." + twoDigits(daysInMonth((*first)[0], (*first)[1])));
    if (!to)
        return std::nullopt;
    return Bounds {dateKey((*first)[0], (*first)[1], (*first)[2]), *to};
}

std::optional<Bounds> fieldBounds(std::uint8_t kind, const std::string& line)
{
    std::string start;
    std::string end;
    if (!lineField(line, 2, start))
        return std::nullopt;
    if (kind == KELVODRV_KIND_MONTH)
        return monthFieldBounds(start);
    if (!lineField(line, 3, end))
        return std::nullopt;
    if (isByNumberKind(kind)) {
        const auto from = parseWord(start);
        const auto to = parseWord(end);
        if (!from || !to)
            return std::nullopt;
        return Bounds {numberKey(*from), numberKey(*to)};
    }
    const auto from = dateBound(start);
    const auto to = dateBound(end);
    if (!from || !to)
        return std::nullopt;
    return Bounds {*from, *to};
}

}

std::optional<ReportInput> readReportInput()
{
    std::string line;
    bool wrongKind = false;
    if (!readDataLine(ctx.files.input, line, wrongKind)) {
        storeCondition(wrongKind ? condition::InputFormat : condition::InputIncomplete);
        return std::nullopt;
    }
    storeCondition(condition::InputFormat);
    std::string field;
    std::optional<std::uint8_t> parsed;
    if (!lineField(line, 1, field) || !(parsed = parseByte(field)) || *parsed < KELVODRV_KIND_FIRST
        || *parsed > KELVODRV_KIND_LAST)
        return std::nullopt;
    const std::uint8_t kind = *parsed;
    if (kind == KELVODRV_KIND_SETTLEMENT_WHOLE) {
        storeCondition(condition::Success);
        if (!recordGeometryReady())
            return std::nullopt;
        return ReportInput {kind, numberKey(1), numberKey(static_cast<std::uint16_t>(lastRecordIndex()))};
    }
    std::optional<Bounds> bounds;
    if (kind == KELVODRV_KIND_PREVIOUS_MONTH || kind == KELVODRV_KIND_CURRENT_MONTH) {
        bounds = clockMonthBounds(kind);
    } else {
        bounds = fieldBounds(kind, line);
        if (bounds)
            storeCondition(condition::Success);
    }
    if (!bounds)
        return std::nullopt;
    return ReportInput {kind, bounds->from, bounds->to};
}

}
