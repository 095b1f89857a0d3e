#include "frontend/logic/accountant_figures.h"

#include <cerrno>
#include <cstring>
#include <kelvo/kelvodrv.h>
#include <kelvo/kelvodrv_contract.h>
#include <nlohmann/json.hpp>

#include "frontend/logic/driver_messages.h"
#include "platform/file_access.h"
#include "platform/safe_replace.h"

namespace kelvo::frontend {

namespace {

// The figures of the longest memory are a few KiB; anything far larger is
// not the driver's file.
constexpr std::size_t kLargestFiguresFile = 4 * 1024 * 1024;

// "191573.68" in grosze; anything else is refused.
std::uint64_t groszeOf(const nlohmann::json& value)
{
    const std::string text = value.get<std::string>();
    const std::size_t dot = text.find('.');
    const bool shaped = dot != std::string::npos && dot > 0 && dot + 3 == text.size() && dot <= 15
        && text.find_first_not_of("0123456789", 0) == dot && text.find_first_not_of("0123456789", dot + 1) == std::string::npos;
    if (!shaped)
        throw std::invalid_argument("kwota " + text);
    return std::stoull(text.substr(0, dot)) * 100 + std::stoull(text.substr(dot + 1));
}

std::string fieldOf(const nlohmann::json& value)
{
    return value.is_null() ? std::string() : value.get<std::string>();
}

AccountantRate rateOf(const nlohmann::json& json)
{
    return {json.at("letter").get<std::string>(), json.at("rate").get<std::string>(), groszeOf(json.at("gross")),
        groszeOf(json.at("vat")), groszeOf(json.at("net")), fieldOf(json.at("jpk_net")), fieldOf(json.at("jpk_vat"))};
}

AccountantSection sectionOf(const nlohmann::json& json)
{
    AccountantSection section;
    section.currency = json.at("currency").get<std::string>();
    for (const nlohmann::json& rate : json.at("rates"))
        section.rates.push_back(rateOf(rate));
    section.totalDue = groszeOf(json.at("total_due"));
    section.vatTotal = groszeOf(json.at("vat_total"));
    section.receipts = json.at("receipts").get<std::uint64_t>();
    return section;
}

AccountantFigures figuresOf(const nlohmann::json& json)
{
    AccountantFigures figures;
    figures.unique = json.at("unique").get<std::string>();
    figures.nip = json.at("nip").get<std::string>();
    figures.kind = json.at("kind").get<int>();
    figures.from = json.at("from").get<std::string>();
    figures.to = json.at("to").get<std::string>();
    figures.firstReport = json.at("first_report").get<int>();
    figures.lastReport = json.at("last_report").get<int>();
    for (const nlohmann::json& section : json.at("sections"))
        figures.sections.push_back(sectionOf(section));
    return figures;
}

// A field quoted when it holds the separator, a quote or a line break.
std::string csvField(const std::string& text)
{
    if (text.find_first_of(";\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string errnoText(int error)
{
    return std::strerror(error);
}

}

std::string polishAmount(std::uint64_t grosze)
{
    const std::uint64_t rest = grosze % 100;
    return std::to_string(grosze / 100) + (rest < 10 ? ",0" : ",") + std::to_string(rest);
}

std::string csvRow(const std::vector<std::string>& fields)
{
    std::string row;
    for (std::size_t k = 0; k < fields.size(); ++k)
        row += (k == 0 ? "" : ";") + csvField(fields[k]);
    return row + "\r\n";
}

std::optional<AccountantFigures> readAccountantFigures(const std::string& jsonPath, std::string& error)
{
    const platform::FileContent content = platform::readRegularFile(jsonPath, kLargestFiguresFile);
    if (content.error != 0) {
        error = "Nie można odczytać zestawienia " + jsonPath + ": " + errnoText(content.error);
        return std::nullopt;
    }
    try {
        return figuresOf(nlohmann::json::parse(content.bytes.begin(), content.bytes.end()));
    } catch (const std::exception& e) {
        error = "Plik " + jsonPath + " nie jest zestawieniem dla księgowości (" + e.what() + ")";
        return std::nullopt;
    }
}

std::string accountantFiguresCsv(const AccountantFigures& figures)
{
    std::string csv = "\xEF\xBB\xBF";
    csv += csvRow({"Numer unikatowy", "NIP", "Rodzaj raportu", "Od dnia", "Do dnia", "Od raportu", "Do raportu", "Waluta",
        "Litera", "Stawka", "Netto", "VAT", "Brutto", "Ilość paragonów", "Pole JPK netto", "Pole JPK VAT"});
    const std::vector<std::string> lead {figures.unique, figures.nip, std::to_string(figures.kind), figures.from, figures.to,
        std::to_string(figures.firstReport), std::to_string(figures.lastReport)};
    for (const AccountantSection& section : figures.sections) {
        for (const AccountantRate& rate : section.rates) {
            std::vector<std::string> row = lead;
            row.insert(row.end(), {section.currency, rate.letter, rate.rate, polishAmount(rate.net), polishAmount(rate.vat),
                polishAmount(rate.gross), "", rate.jpkNet, rate.jpkVat});
            csv += csvRow(row);
        }
        std::vector<std::string> total = lead;
        total.insert(total.end(), {section.currency, "", "razem", polishAmount(section.totalDue - section.vatTotal),
            polishAmount(section.vatTotal), polishAmount(section.totalDue), std::to_string(section.receipts), "", ""});
        csv += csvRow(total);
    }
    return csv;
}

int writeAccountantFigures(const std::string& folder, const std::string& baseName, std::string& error)
{
    const std::string base = (folder.empty() ? std::string(".") : folder) + "/" + baseName;
    const std::string jsonPath = base + ".json";
    const std::uint8_t code = ZapisZestawieniaKsiegowego(jsonPath.c_str());
    if (code != KELVODRV_RESULT_SUCCESS) {
        error = driverErrorMessage(code);
        return code;
    }
    const std::optional<AccountantFigures> figures = readAccountantFigures(jsonPath, error);
    if (!figures)
        return -1;
    const std::string csvPath = base + ".csv";
    if (const int failure = platform::replaceFile(csvPath, accountantFiguresCsv(*figures), platform::FileAccess::AsBefore);
        failure != 0) {
        error = "Nie można zapisać pliku " + csvPath + ": " + errnoText(failure);
        return -1;
    }
    return 0;
}

}
