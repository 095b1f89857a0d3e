// The printed pages of the report: several report columns side by side in
// the display's font, nothing else on the page. One routine draws them for
// the printer, the print preview and a PDF file alike.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QPlainTextEdit;
class QPrinter;

namespace kelvo::windows {

// The display's lines as wrapped on screen, one for each visual line; the
// line end of the last line does not add an empty line.
QStringList displayLines(const QPlainTextEdit& display);

// The display's font at the same size in points on a device of another
// resolution (a pixel-sized screen font would shrink on a printer).
QFont fontForPrinting(const QFont& screenFont, int screenDpi);

// The report display's font before the user chooses another.
QFont defaultReportFont();

// A PDF printer writing to the file: the narrow margins of an ordinary page printer.
void setUpPdfPrinter(QPrinter& printer, const QString& file);

// The pages a painter draws go into a PDF in the working folder first, then
// replace the target whole, so that a failure never leaves half a PDF there.
// 0, or the reason as an errno value.
int writePdf(const QString& workingFolder, const QString& target, const std::function<void(QPrinter& printer)>& paint);

// The report file's PDF as the windows export it with the display's default
// font, for a program without windows: Qt is started with the offscreen
// platform when no application runs yet. 0, or the reason as an errno value.
int writeReportPdf(const std::string& reportFile, const std::string& target, const std::string& documentName);

// Lays the lines out for the printer's page and font, then draws them row by
// row, a new page after each page's last row. pageStarted is told the number
// of every page as it begins. Returns the pages drawn; 0 when the printer
// could not be started.
int paintReportPages(QPrinter& printer, const QStringList& lines, const QFont& font,
                     const std::function<void(int page)>& pageStarted);

}
