#include "frontend/cli/summary_file.h"

#include <algorithm>

#include "platform/safe_replace.h"

namespace kelvo::frontend::cli {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kLineEnd[] = "\r\n";

// A cell quoted when it holds the separator, a quote or a line end.
std::string cell(const std::string& text)
{
    if (text.find_first_of(";\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// "191573.68" as a Polish spreadsheet reads a number: "191573,68".
std::string decimalComma(std::string amount)
{
    std::replace(amount.begin(), amount.end(), '.', ',');
    return amount;
}

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

}

bool takeSummaryNote(SummaryRow& row, const std::string& note)
{
    const auto rest = [&note](const char* prefix) { return note.substr(std::string(prefix).size()); };
    if (note.starts_with(kUniqueNote))
        row.unique = rest(kUniqueNote);
    else if (note.starts_with(kTitleNote))
        row.range = rest(kTitleNote);
    else if (note.starts_with(kOutputNote))
        row.files.push_back(rest(kOutputNote));
    else if (note.starts_with(kFailureNote))
        row.message = rest(kFailureNote);
    else
        return false;
    return true;
}

std::string summaryText(const std::vector<SummaryRow>& rows)
{
    std::string text = std::string(kBom)
        + "numer kasy;numer unikatowy;kod wyniku;komunikat;zakres;łączna należność;łączna kwota PTU;pliki" + kLineEnd;
    for (const SummaryRow& row : rows) {
        std::string message = row.message;
        std::replace(message.begin(), message.end(), '\n', ' ');
        text += cell(row.number) + ";" + cell(row.unique) + ";" + std::to_string(row.code) + ";" + cell(message) + ";"
            + cell(row.range) + ";" + decimalComma(row.totalDue) + ";" + decimalComma(row.vatTotal) + ";" + cell(joined(row.files))
            + kLineEnd;
    }
    return text;
}

int writeSummary(const std::filesystem::path& folder, const std::vector<SummaryRow>& rows)
{
    return platform::replaceFile((folder / kSummaryFileName).string(), summaryText(rows), platform::FileAccess::AsBefore);
}

}
