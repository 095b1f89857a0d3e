#include "frontend/windows/report_pages.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextBlock>
#include <QTextLayout>

#include "frontend/logic/print_layout.h"
#include "frontend/logic/report_font.h"
#include "frontend/logic/text_encoding.h"
#include "platform/file_access.h"
#include "platform/safe_replace.h"

namespace kelvo::windows {

namespace {

constexpr char kLineHeightSample[] = "AAAAAAAA";
constexpr char kColumnSample[] = "0123456789012345678901234567890123456789  ";

// The layout measures, taken on the printer with its font.
frontend::PageMeasures measure(QPrinter& printer, const QFontMetrics& metrics)
{
    const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRect paper = printer.pageLayout().fullRectPixels(printer.resolution());
    frontend::PageMeasures m;
    m.lineHeight = metrics.size(Qt::TextSingleLine, QString::fromLatin1(kLineHeightSample)).height();
    m.columnWidth = metrics.horizontalAdvance(QString::fromLatin1(kColumnSample));
    m.offsetX = printable.left() - paper.left();
    m.offsetY = printable.top() - paper.top();
    m.pageWidth = printer.width();
    m.pageHeight = printer.height();
    return m;
}

}

QStringList displayLines(const QPlainTextEdit& display)
{
    QStringList lines;
    auto* layout = qobject_cast<QPlainTextDocumentLayout*>(display.document()->documentLayout());
    for (QTextBlock block = display.document()->begin(); block.isValid(); block = block.next()) {
        if (layout != nullptr)
            layout->ensureBlockLayout(block);
        const QString text = block.text();
        const QTextLayout* lineLayout = block.layout();
        if (lineLayout == nullptr || lineLayout->lineCount() == 0) {
            lines.append(text);
            continue;
        }
        for (int i = 0; i < lineLayout->lineCount(); ++i) {
            const QTextLine line = lineLayout->lineAt(i);
            lines.append(text.mid(line.textStart(), line.textLength()));
        }
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QFont defaultReportFont()
{
    QFont font(QString::fromLatin1(frontend::kReportFontFamily));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(frontend::kReportFontPixels);
    return font;
}

void setUpPdfPrinter(QPrinter& printer, const QString& file)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setCreator(QStringLiteral("kelvor"));
    printer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
}

int writePdf(const QString& workingFolder, const QString& target, const std::function<void(QPrinter& printer)>& paint)
{
    const QString pages = QDir(workingFolder).filePath(QStringLiteral("eksport.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        setUpPdfPrinter(printer, pages);
        paint(printer);
    }
    const int error = QFileInfo(pages).size() > 0 ? platform::copyFile(pages.toStdString(), target.toStdString()) : EIO;
    QFile::remove(pages);
    return error;
}

int writeReportPdf(const std::string& reportFile, const std::string& target, const std::string& documentName)
{
    const platform::FileContent file = platform::readRegularFile(reportFile, platform::kLargestReportFile);
    if (file.error != 0)
        return file.error;
    std::optional<QApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        // Qt's remarks on the environment (no XDG_RUNTIME_DIR) are no concern of
        // a program that only draws a file; a failure shows in the result.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(message));
        });
        static int argc = 3;
        static char name[] = "kelvor-cli", option[] = "-platform", offscreen[] = "offscreen";
        static char* argv[] = {name, option, offscreen, nullptr};
        application.emplace(argc, argv);
    }
    // The lines as the display holds them, the last line end adding no empty line.
    QStringList lines = QString::fromStdString(frontend::reportDisplayText(
        std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()))).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QFont font = fontForPrinting(defaultReportFont(), static_cast<int>(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
    return writePdf(QDir::currentPath(), QString::fromStdString(target), [&](QPrinter& printer) {
        printer.setDocName(QString::fromStdString(documentName));
        paintReportPages(printer, lines, font, {});
    });
}

QFont fontForPrinting(const QFont& screenFont, int screenDpi)
{
    QFont font(screenFont);
    if (screenFont.pixelSize() > 0 && screenDpi > 0)
        font.setPointSizeF(screenFont.pixelSize() * 72.0 / screenDpi);
    return font;
}

int paintReportPages(QPrinter& printer, const QStringList& lines, const QFont& font,
                     const std::function<void(int page)>& pageStarted)
{
    // The layout counts characters as the report's code page does, one byte each.
    std::vector<std::string> reportLines;
    reportLines.reserve(static_cast<std::size_t>(lines.size()));
    for (const QString& line : lines)
        reportLines.push_back(frontend::windows1250FromUtf8(line.toStdString()));

    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    painter.setFont(QFont(font, &printer));
    const frontend::PageMeasures measures = measure(printer, painter.fontMetrics());
    const frontend::PrintLayout layout = frontend::layoutPages(reportLines, measures);
    const int ascent = painter.fontMetrics().ascent();
    int page = 0;
    for (const auto& rows : layout.pages) {
        if (page > 0)
            printer.newPage();
        ++page;
        if (pageStarted)
            pageStarted(page);
        int row = 0;
        for (const std::string& text : rows) {
            const int y = measures.offsetY + row * measures.lineHeight;
            painter.drawText(measures.offsetX, y + ascent, QString::fromStdString(frontend::utf8FromWindows1250(text)));
            ++row;
        }
    }
    painter.end();
    return page;
}

}
