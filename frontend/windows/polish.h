// The program speaks Polish: Qt's own dialogs and buttons, dates and numbers.
#pragma once

#include <QFont>

class QApplication;

namespace kelvo::windows {

// Loads Qt's Polish translation and makes Polish the default locale.
void speakPolish(QApplication& application);

// The font of the windows' controls: sans-serif, 16 pixels high.
QFont controlFont();

}
