// The accountant's figures of a periodic report: what the driver writes as
// JSON after a report (per currency section and per tax rate the net, VAT
// and gross with their JPK_V7 "RO" fields), read back and laid out as a CSV
// that a spreadsheet opens in Polish.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::frontend {

// Amounts are in grosze; the JPK fields are empty where the rate has none.
struct AccountantRate {
    std::string letter;
    std::string rate;  // "23,00" or "zw."
    std::uint64_t gross = 0;
    std::uint64_t vat = 0;
    std::uint64_t net = 0;
    std::string jpkNet;
    std::string jpkVat;
};

struct AccountantSection {
    std::string currency;
    std::vector<AccountantRate> rates;
    std::uint64_t totalDue = 0;
    std::uint64_t vatTotal = 0;
    std::uint64_t receipts = 0;
};

struct AccountantFigures {
    std::string unique;
    std::string nip;
    int kind = 0;
    std::string from;  // YYYY-MM-DD
    std::string to;
    int firstReport = 0;
    int lastReport = 0;
    std::vector<AccountantSection> sections;
};

// 191573,68: a decimal comma and no grouping, as a Polish spreadsheet reads it.
std::string polishAmount(std::uint64_t grosze);

// One row of a Polish CSV: ';' between the fields, a field quoted when it
// holds the separator, a quote or a line break; CR LF at the end.
std::string csvRow(const std::vector<std::string>& fields);

// The figures of the driver's JSON file; none, with a Polish text in error,
// when the file cannot be read or is not such a file.
std::optional<AccountantFigures> readAccountantFigures(const std::string& jsonPath, std::string& error);

// UTF-8 with a byte order mark, ';' between fields, a decimal comma: one row
// per section and rate, then a total row per section.
std::string accountantFiguresCsv(const AccountantFigures& figures);

// Asks the driver for the figures of its last report and writes
// <folder>/<baseName>.json and <folder>/<baseName>.csv (each replaced
// safely); 0, or the driver's result code or -1 with a Polish text in error.
int writeAccountantFigures(const std::string& folder, const std::string& baseName, std::string& error);

}
