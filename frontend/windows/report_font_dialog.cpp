#include "frontend/windows/report_font_dialog.h"

#include <QFontDialog>

#include "frontend/logic/report_font.h"

namespace kelvo::windows {

namespace {

// A font given in pixels (the default, 13 pixels) is within the range as it is.
QFont withinRange(QFont font)
{
    const int points = font.pointSize();
    if (points > 0 && points != frontend::reportFontPoints(points))
        font.setPointSize(frontend::reportFontPoints(points));
    return font;
}

}

std::optional<QFont> chooseReportFont(QWidget* parent, const QFont& current)
{
    QFontDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("fdCzcionka"));
    dialog.setOptions(QFontDialog::MonospacedFonts | QFontDialog::ScalableFonts | QFontDialog::DontUseNativeDialog);
    dialog.setCurrentFont(withinRange(current));
    QObject::connect(&dialog, &QFontDialog::currentFontChanged, &dialog, [&dialog](const QFont& font) {
        const QFont kept = withinRange(font);
        if (kept.pointSize() != font.pointSize())
            dialog.setCurrentFont(kept);
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return withinRange(dialog.selectedFont());
}

}
