// The printed pages of the report: several report columns side by side in
// the display's font, nothing else on the page. One routine draws them for
// the printer, the print preview and a PDF file alike.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

class QPlainTextEdit;
class QPrinter;

namespace kelvo::windows {

// The display's lines as wrapped on screen, one for each visual line; the
// line end of the last line does not add an empty line.
QStringList displayLines(const QPlainTextEdit& display);

// The display's font at the same size in points on a device of another
// resolution (a pixel-sized screen font would shrink on a printer).
QFont fontForPrinting(const QFont& screenFont, int screenDpi);

// Lays the lines out for the printer's page and font, then draws them row by
// row, a new page after each page's last row. pageStarted is told the number
// of every page as it begins. Returns the pages drawn; 0 when the printer
// could not be started.
int paintReportPages(QPrinter& printer, const QStringList& lines, const QFont& font,
                     const std::function<void(int page)>& pageStarted);

}
