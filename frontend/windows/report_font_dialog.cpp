#include "frontend/windows/report_font_dialog.h"

#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <cmath>

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

// The font the display really shows, as the dialog lists it: the family
// fontconfig put in place of the one asked for (Liberation Mono for Courier
// New), its own style and the size in whole points. Given the font as it is
// asked for, the dialog finds no such family and opens on its first font and
// style instead.
QFont asListed(const QFont& font)
{
    const QFontInfo shown(font);
    const int points = frontend::reportFontPoints(static_cast<int>(std::lround(shown.pointSizeF())));
    return QFontDatabase::font(shown.family(), shown.styleName(), points);
}

bool sameChoice(const QFont& a, const QFont& b)
{
    const QFontInfo first(a);
    const QFontInfo second(b);
    return first.family() == second.family() && first.styleName() == second.styleName()
        && first.pointSize() == second.pointSize();
}

}

std::optional<QFont> chooseReportFont(QWidget* parent, const QFont& current)
{
    QFontDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("fdCzcionka"));
    dialog.setOptions(QFontDialog::MonospacedFonts | QFontDialog::ScalableFonts | QFontDialog::DontUseNativeDialog);
    const QFont offered = withinRange(asListed(current));
    dialog.setCurrentFont(offered);
    QObject::connect(&dialog, &QFontDialog::currentFontChanged, &dialog, [&dialog](const QFont& font) {
        const QFont kept = withinRange(font);
        if (kept.pointSize() != font.pointSize())
            dialog.setCurrentFont(kept);
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QFont chosen = withinRange(dialog.selectedFont());
    // OK on the font as offered keeps the font as it was, in pixels or points.
    return sameChoice(chosen, offered) ? current : chosen;
}

}
