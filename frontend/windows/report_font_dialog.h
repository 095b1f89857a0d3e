// "Czcionka ": fixed-pitch scalable fonts of 6 to 16 points only.
#pragma once

#include <QFont>
#include <optional>

class QWidget;

namespace kelvo::windows {

// Qt's font dialog cannot limit its sizes: a size chosen outside the range
// is moved to the nearest end of it at once, in the dialog, and once more
// on OK. Nothing on Cancel.
std::optional<QFont> chooseReportFont(QWidget* parent, const QFont& current);

}
