// A radio group as the windows use it: a group box with exclusive buttons in
// columns, filled top to bottom and then column by column, whose items can be
// replaced.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QGridLayout;

namespace kelvo::windows {

class RadioGroup : public QGroupBox {
    Q_OBJECT

public:
    RadioGroup(const QString& objectName, const QString& caption, QWidget* parent);

    void setItems(const QStringList& items, int columns);
    int count() const;
    // -1 when no item is selected.
    int itemIndex() const;
    void setItemIndex(int index);
    QAbstractButton* button(int index) const;

signals:
    // A user's click on an item.
    void clicked(int index);

private:
    QButtonGroup group_;
    QGridLayout* grid_;
};

}
