#include "frontend/windows/report_pages.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextBlock>
#include <QTextLayout>

#include "frontend/logic/print_layout.h"
#include "frontend/logic/text_encoding.h"

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
