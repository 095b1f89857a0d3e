// zestawienie.csv: one row per register of a run with an output folder, for
// a spreadsheet opened in Polish (UTF-8 with BOM, ';' between the cells,
// decimal comma), laid out as the accountant's figures are. The children tell their parent what they wrote through
// notes; the parent gathers them into the rows.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kelvo::frontend::cli {

inline constexpr char kSummaryFileName[] = "zestawienie.csv";

// The child's notes of its outputs.
inline constexpr char kUniqueNote[] = "unique ";
inline constexpr char kTitleNote[] = "title ";
inline constexpr char kOutputNote[] = "output ";
inline constexpr char kFailureNote[] = "failure ";  // the first line of the failure's message
inline constexpr char kTotalDueNote[] = "total-due ";  // as the CSV shows it
inline constexpr char kVatTotalNote[] = "vat-total ";

struct SummaryRow {
    std::string number;  // the register number of the list (or the register's own)
    std::string unique;
    int code = 0;
    std::string message;
    std::string range;
    std::string totalDue;  // "191573,68" from the figures; each section's with its currency when there are several
    std::string vatTotal;
    std::vector<std::string> files;  // relative to the output folder
};

// Takes one of the notes above into the row; false for any other note.
bool takeSummaryNote(SummaryRow& row, const std::string& note);

// The file's text: the BOM, the heading and a row per register.
std::string summaryText(const std::vector<SummaryRow>& rows);

// Replaces the folder's zestawienie.csv whole; 0 or the reason as an errno value.
int writeSummary(const std::filesystem::path& folder, const std::vector<SummaryRow>& rows);

}
