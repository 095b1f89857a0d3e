// How a report is set on printed pages: several 40-character report columns
// side by side, rows top to bottom, then the next column and the next page.
#pragma once

#include <string>
#include <vector>

namespace kelvo::frontend {

// Measures of the printer and its font, in the printer's units.
struct PageMeasures {
    int lineHeight = 1;   // of "AAAAAAAA"
    int columnWidth = 1;  // of forty digits and two blanks
    int offsetX = 0;
    int offsetY = 0;
    int pageWidth = 0;
    int pageHeight = 0;
};

struct PrintLayout {
    int columns = 1;  // report columns on a page
    int rows = 1;     // rows on a page
    std::vector<std::vector<std::string>> pages;  // the rows of each page, as printed
};

inline constexpr std::size_t kPrintedLineWidth = 40;
inline constexpr char kColumnSeparator[] = "    ";

// Every line is printed: a page too narrow for one column or too short for
// one row still takes one of each, and an empty line inside the report is
// printed as an empty row rather than ending the printout.
PrintLayout layoutPages(const std::vector<std::string>& lines, const PageMeasures& measures);

}
