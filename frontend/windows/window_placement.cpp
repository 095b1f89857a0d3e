#include "frontend/windows/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kelvo::windows {

void fixSizeAndCentre(QWidget& window)
{
    window.setFixedSize(window.sizeHint());
    centreOnScreen(window);
}

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame(QPoint(0, 0), window.size());
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

}
