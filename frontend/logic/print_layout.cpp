#include "frontend/logic/print_layout.h"

#include <algorithm>

namespace kelvo::frontend {

PrintLayout layoutPages(const std::vector<std::string>& lines, const PageMeasures& m)
{
    PrintLayout layout;
    const int usableWidth = m.pageWidth - 2 * m.offsetX;
    const int usableHeight = m.pageHeight - 2 * m.offsetY;
    layout.columns = std::max(1, m.columnWidth > 0 ? usableWidth / m.columnWidth : 1);
    layout.rows = std::max(1, (m.lineHeight > 0 ? usableHeight / m.lineHeight : 1) - 1);
    const std::size_t perPage = static_cast<std::size_t>(layout.columns) * static_cast<std::size_t>(layout.rows);
    for (std::size_t first = 0; first < lines.size(); first += perPage) {
        std::vector<std::string> page;
        for (std::size_t k = first; k < std::min(lines.size(), first + perPage); ++k) {
            const std::size_t row = (k - first) % static_cast<std::size_t>(layout.rows);
            const std::size_t column = (k - first) / static_cast<std::size_t>(layout.rows);
            const std::string text = lines[k].substr(0, kPrintedLineWidth);
            if (row == page.size()) {
                page.push_back(text);
                continue;
            }
            // A shorter line to the left is filled out, so columns stay aligned.
            std::string& printed = page[row];
            printed.resize(column * (kPrintedLineWidth + 4) - 4, ' ');
            printed += kColumnSeparator + text;
        }
        layout.pages.push_back(std::move(page));
    }
    return layout;
}

}
