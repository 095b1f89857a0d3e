// Window sizes and their place on the desktop.
#pragma once

class QWidget;

namespace kelvo::windows {

// Fixes the window at the size its layout asks for and centres it.
void fixSizeAndCentre(QWidget& window);

void centreOnScreen(QWidget& window);

}
