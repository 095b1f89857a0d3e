// The program's message boxes.
#pragma once

#include <QString>

class QWidget;

namespace kelvo::windows {

// A question with Yes and No and a question icon; true for Yes.
bool askYesNo(QWidget* parent, const QString& caption, const QString& text);

// A message with an OK button alone.
void tell(QWidget* parent, const QString& caption, const QString& text);

}
