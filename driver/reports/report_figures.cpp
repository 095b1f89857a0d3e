#include "driver/reports/report_figures.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/files/codepage.h"
#include "driver/files/text_helpers.h"
#include "platform/safe_replace.h"

namespace kelvo::drv::report {

namespace {

// The UTF-8 forms of the letters of the code page rows, in their order.
constexpr std::array<std::string_view, 18> kUtf8Letters {
    "ą", "ć", "ę", "ł", "ń", "ó", "ś", "ż", "ź", "Ą", "Ć", "Ę", "Ł", "Ń", "Ó", "Ś", "Ż", "Ź"};

// A Windows-1250 text as UTF-8: the Polish letters converted, any other
// character outside ASCII (or a control character) a '?', so the JSON text
// stays valid whatever the register sent.
std::string utf8Of(std::string_view text)
{
    std::string utf8;
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        const auto& row = kPolishLetters[kRowWindows1250];
        const auto letter = std::find(row.begin(), row.end(), byte);
        if (letter != row.end())
            utf8 += kUtf8Letters[static_cast<std::size_t>(letter - row.begin())];
        else
            utf8 += byte >= 0x20 && byte < 0x80 ? c : '?';
    }
    return utf8;
}

std::string dotAmount(std::uint64_t grosze)
{
    return decimalText(grosze / 100) + "." + twoDigits(static_cast<std::uint32_t>(grosze % 100));
}

std::string isoDate(std::uint8_t year, std::uint8_t month, std::uint8_t day)
{
    return "20" + twoDigits(year) + "-" + twoDigits(month) + "-" + twoDigits(day);
}

nlohmann::json fieldOrNull(const std::string& field)
{
    return field.empty() ? nlohmann::json(nullptr) : nlohmann::json(field);
}

nlohmann::json rateJson(const RateFigures& row)
{
    const JpkFields jpk = jpkFieldsOf(row.exempt, row.rate);
    return {
        {"letter", std::string(1, static_cast<char>('A' + row.letter))},
        {"rate", row.exempt ? std::string("zw.") : rateText(row.rate)},
        {"gross", dotAmount(row.net + row.tax)},
        {"vat", dotAmount(row.tax)},
        {"net", dotAmount(row.net)},
        {"jpk_net", fieldOrNull(jpk.net)},
        {"jpk_vat", fieldOrNull(jpk.tax)},
    };
}

nlohmann::json sectionJson(const SectionFigures& section)
{
    nlohmann::json rates = nlohmann::json::array();
    for (const RateFigures& row : section.rates)
        rates.push_back(rateJson(row));
    return {
        {"currency", utf8Of(section.currency)},
        {"rates", rates},
        {"total_due", dotAmount(section.grossTotal)},
        {"vat_total", dotAmount(section.taxTotal)},
        {"receipts", section.receipts},
    };
}

std::string headerNip()
{
    for (const HeaderLine& line : ctx.device.headerLines) {
        std::string text = line.text;
        convertCodePage(text, kRowCp852, kRowWindows1250);
        if (std::string nip = nipOfHeaderLine(text); !nip.empty())
            return nip;
    }
    return {};
}

}

ReportFigures figuresOfRange(std::uint8_t kind, const ReportRange& range)
{
    ReportFigures figures;
    figures.kind = kind;
    const RecordCacheEntry& first = cachedRecord(range.sectionFirst);
    const RecordCacheEntry& last = cachedRecord(range.rangeLast);
    figures.fromYear = bcdValue(first.body[1]);
    figures.fromMonth = bcdValue(first.body[2]);
    figures.fromDay = bcdValue(first.body[3]);
    figures.toYear = bcdValue(last.body[1]);
    figures.toMonth = bcdValue(last.body[2]);
    figures.toDay = bcdValue(last.body[3]);
    figures.firstReport = static_cast<std::uint16_t>(first.body[4] + 256u * first.body[5]);
    figures.lastReport = static_cast<std::uint16_t>(last.body[4] + 256u * last.body[5]);
    return figures;
}

void addSectionFigures(ReportFigures& figures, const PeriodicReport& report)
{
    const RunningTotals& t = report.section.totals;
    figures.sections.push_back({report.currency, t.byRate, t.taxTotal, t.grossTotal, t.receipts});
}

void completeFigures(ReportFigures& figures)
{
    figures.uniqueNumber = ctx.device.uniqueNumber.value;
    figures.nip = headerNip();
    figures.complete = true;
}

std::string nipOfHeaderLine(std::string_view line)
{
    const std::size_t at = line.find("NIP");
    if (at == std::string_view::npos)
        return {};
    std::string_view rest = line.substr(at + 3);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == ':'))
        rest.remove_prefix(1);
    return trimmed(rest);
}

JpkFields jpkFieldsOf(bool exempt, std::uint16_t rate)
{
    if (exempt)
        return {"K_10", ""};
    switch (rate) {
    case 2200:
    case 2300: return {"K_19", "K_20"};
    case 700:
    case 800: return {"K_17", "K_18"};
    case 500: return {"K_15", "K_16"};
    case 0: return {"K_13", ""};
    default: return {"", ""};
    }
}

std::string figuresJson(const ReportFigures& figures)
{
    nlohmann::json sections = nlohmann::json::array();
    for (const SectionFigures& section : figures.sections)
        sections.push_back(sectionJson(section));
    const nlohmann::json json {
        {"unique", utf8Of(figures.uniqueNumber)},
        {"nip", utf8Of(figures.nip)},
        {"kind", figures.kind},
        {"from", isoDate(figures.fromYear, figures.fromMonth, figures.fromDay)},
        {"to", isoDate(figures.toYear, figures.toMonth, figures.toDay)},
        {"first_report", figures.firstReport},
        {"last_report", figures.lastReport},
        {"sections", sections},
    };
    return json.dump(1) + "\n";
}

std::uint8_t writeLastReportFigures(std::string_view path)
{
    if (!ctx.lastReportFigures)
        return condition::NoReportFigures;
    if (path.empty())
        return condition::NoOutputName;
    const int failure = platform::replaceFile(std::string(path), figuresJson(*ctx.lastReportFigures), platform::FileAccess::AsBefore);
    return failure == 0 ? condition::Success : condition::OutputWrite;
}

}
