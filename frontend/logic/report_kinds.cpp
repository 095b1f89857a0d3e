#include "frontend/logic/report_kinds.h"

#include <kelvo/kelvodrv_contract.h>
#include <utility>

#include "frontend/logic/date_text.h"

namespace kelvo::frontend {

namespace {

// The screen title and the print job's title differ on purpose: the print
// job's names the range of kinds 1 to 3 only.
constexpr std::array<ReportKindInfo, 9> kKinds {{
    {},
    {.kind = KELVODRV_KIND_MONTH,
        .range = RangeShape::Month,
        .settlement = false,
        .caption = "1. MIESIĘCZNY ZA",
        .buttonName = "rbMiesieczny",
        .controlNames = {"cbMiesiac", "csRok"},
        .toLabelName = "",
        .screenTitle = "MIESIĘCZNY ({1})",
        .printTitle = "miesięczny ({1})",
        .fileTag = "{1}",
        .inputFields = "\t{1}",
        .commandWords = "RRRR.MM",
        .commandCaption = "miesięczny"},
    {.kind = KELVODRV_KIND_DATES,
        .range = RangeShape::Dates,
        .settlement = false,
        .caption = "2. WG DAT OD",
        .buttonName = "rbWedlugDat",
        .controlNames = {"dtOd", "dtDo"},
        .toLabelName = "lDoDat",
        .screenTitle = "WEDŁUG DAT OD {1} DO {2}",
        .printTitle = "według dat od {1} do {2}",
        .fileTag = "{1}-{2}",
        .inputFields = "\t{1}\t{2}",
        .commandWords = "RRRR.MM.DD RRRR.MM.DD",
        .commandCaption = "za okres (od dnia do dnia)"},
    {.kind = KELVODRV_KIND_NUMBERS,
        .range = RangeShape::Numbers,
        .settlement = false,
        .caption = "3. WEDŁUG NUMERÓW OD",
        .buttonName = "rbWgNumerow",
        .controlNames = {"csOd", "csDo"},
        .toLabelName = "lDoNumerow",
        .screenTitle = "WEDŁUG NUMERÓW OD RAPORTU {1} DO RAPORTU {2}",
        .printTitle = "według numerów od raportu {1} do raportu {2}",
        .fileTag = "{1}-{2}",
        .inputFields = "\t{1}\t{2}",
        .commandWords = "OD DO",
        .commandCaption = "według numerów raportów dobowych (1 do 2060)"},
    {.kind = KELVODRV_KIND_PREVIOUS_MONTH,
        .range = RangeShape::None,
        .settlement = false,
        .caption = "4. ZA MIESIĄC POPRZEDNI",
        .buttonName = "rgMiesiecznyPoprzedni",
        .controlNames = {"", ""},
        .toLabelName = "",
        .screenTitle = "ZA MIESIĄC POPRZEDNI",
        .printTitle = "",
        .fileTag = "_POPRZ",
        .inputFields = "",
        .commandWords = "",
        .commandCaption = "za poprzedni miesiąc"},
    {.kind = KELVODRV_KIND_CURRENT_MONTH,
        .range = RangeShape::None,
        .settlement = false,
        .caption = "5. ZA MIESIĄC BIEŻĄCY",
        .buttonName = "rbMiesiecznyBiezacy",
        .controlNames = {"", ""},
        .toLabelName = "",
        .screenTitle = "ZA MIESIĄC BIEŻĄCY",
        .printTitle = "",
        .fileTag = "_BIEZ",
        .inputFields = "",
        .commandWords = "",
        .commandCaption = "za bieżący miesiąc"},
    {.kind = KELVODRV_KIND_SETTLEMENT_DATES,
        .range = RangeShape::Dates,
        .settlement = true,
        .caption = "6. ROZLICZENIOWY WG DAT OD",
        .buttonName = "rbRozlDat",
        .controlNames = {"dtROd", "dtRDo"},
        .toLabelName = "lDoRozlDat",
        .screenTitle = "ROZLICZENIOWY WEDŁUG DAT OD {1} DO {2}",
        .printTitle = "",
        .fileTag = "{1}-{2}",
        .inputFields = "\t{1}\t{2}",
        .commandWords = "RRRR.MM.DD RRRR.MM.DD",
        .commandCaption = "rozliczeniowy za okres"},
    {.kind = KELVODRV_KIND_SETTLEMENT_NUMBERS,
        .range = RangeShape::Numbers,
        .settlement = true,
        .caption = "7. ROZLICZENIOWY WG NUMERÓW OD",
        .buttonName = "rbRozlNr",
        .controlNames = {"csROd", "csRDo"},
        .toLabelName = "lDoRozlNr",
        .screenTitle = "ROZLICZENIOWY WEDŁUG NUMERÓW OD RAPORTU {1} DO RAPORTU {2}",
        .printTitle = "",
        .fileTag = "{1}-{2}",
        .inputFields = "\t{1}\t{2}",
        .commandWords = "OD DO",
        .commandCaption = "rozliczeniowy według numerów"},
    {.kind = KELVODRV_KIND_SETTLEMENT_WHOLE,
        .range = RangeShape::None,
        .settlement = true,
        .caption = "8. ROZLICZENIOWY CAŁOŚCI",
        .buttonName = "rbRozlCalosci",
        .controlNames = {"", ""},
        .toLabelName = "",
        .screenTitle = "",
        .printTitle = "",
        .fileTag = "",
        .inputFields = "",
        .commandWords = "",
        .commandCaption = "rozliczeniowy całości pamięci"},
}};

struct VariantTexts {
    std::string_view screenTitle;
    std::string_view printTitle;
    std::string_view fileTag;
};

// Detailed (0) and short (1).
constexpr std::array<VariantTexts, 2> kVariants {{
    {"RAPORT SZCZEGÓŁOWY ", "Raport okresowy szczegółowy ", "_SZCZ"},
    {"RAPORT SKRÓCONY ", "Raport okresowy skrócony ", "_SKR"},
}};

const VariantTexts& variant(const ParameterRecord& r)
{
    return kVariants[r.reportVariant == 1 ? 1 : 0];
}

std::string dateBound(int year, int month, int day, BoundUse use)
{
    switch (use) {
    case BoundUse::Title: return titleDate(day, month, year);
    case BoundUse::FileName: return std::to_string(year) + twoDigits(month) + twoDigits(day);
    case BoundUse::InputLine: break;
    }
    return std::to_string(year) + "." + twoDigits(month) + "." + twoDigits(day);
}

std::pair<std::string, std::string> bounds(const ParameterRecord& r, BoundUse use)
{
    switch (reportKind(r.reportKind).range) {
    case RangeShape::Month:
        if (use == BoundUse::Title)
            return {titleMonth(r.month, r.year), {}};
        return {std::to_string(r.year) + (use == BoundUse::InputLine ? "." : "") + twoDigits(r.month), {}};
    case RangeShape::Dates:
        return {dateBound(r.firstYear, r.firstMonth, r.firstDay, use), dateBound(r.lastYear, r.lastMonth, r.lastDay, use)};
    case RangeShape::Numbers: return {std::to_string(r.numberFrom), std::to_string(r.numberTo)};
    case RangeShape::None: break;
    }
    return {};
}

}

const ReportKindInfo& reportKind(int kind)
{
    return kind >= KELVODRV_KIND_FIRST && kind <= KELVODRV_KIND_LAST ? kKinds[static_cast<std::size_t>(kind)] : kKinds[0];
}

std::span<const ReportKindInfo> reportKinds()
{
    return std::span(kKinds).subspan(KELVODRV_KIND_FIRST);
}

std::string withBounds(std::string_view pattern, const ParameterRecord& record, BoundUse use)
{
    const auto [first, last] = bounds(record, use);
    std::string text;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern.substr(at, 3) == "{1}" || pattern.substr(at, 3) == "{2}") {
            text += pattern[at + 1] == '1' ? first : last;
            at += 2;
        } else {
            text += pattern[at];
        }
    }
    return text;
}

std::string reportTitle(const ParameterRecord& record)
{
    return std::string(variant(record).screenTitle)
        + withBounds(reportKind(record.reportKind).screenTitle, record, BoundUse::Title);
}

std::string printJobTitle(const ParameterRecord& record)
{
    return std::string(variant(record).printTitle)
        + withBounds(reportKind(record.reportKind).printTitle, record, BoundUse::Title);
}

std::string reportFileName(const ParameterRecord& record, const std::string& uniqueNumber)
{
    return uniqueNumber + std::string(variant(record).fileTag)
        + withBounds(reportKind(record.reportKind).fileTag, record, BoundUse::FileName) + ".txt";
}

}
