#include "frontend/cli/summary_file.h"

#include <algorithm>

#include "frontend/logic/accountant_figures.h"
#include "platform/safe_replace.h"

namespace kelvo::frontend::cli {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

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
    else if (note.starts_with(kTotalDueNote))
        row.totalDue = rest(kTotalDueNote);
    else if (note.starts_with(kVatTotalNote))
        row.vatTotal = rest(kVatTotalNote);
    else
        return false;
    return true;
}

std::string summaryText(const std::vector<SummaryRow>& rows)
{
    std::string text = std::string(kBom)
        + csvRow({"numer kasy", "numer unikatowy", "kod wyniku", "komunikat", "zakres", "łączna należność", "łączna kwota PTU", "pliki"});
    for (const SummaryRow& row : rows) {
        std::string message = row.message;
        std::replace(message.begin(), message.end(), '\n', ' ');
        text += csvRow({row.number, row.unique, std::to_string(row.code), message, row.range, row.totalDue, row.vatTotal, joined(row.files)});
    }
    return text;
}

int writeSummary(const std::filesystem::path& folder, const std::vector<SummaryRow>& rows)
{
    return platform::replaceFile((folder / kSummaryFileName).string(), summaryText(rows), platform::FileAccess::AsBefore);
}

}
