#include "frontend/windows/radio_group.h"

#include <QGridLayout>
#include <QRadioButton>

namespace kelvo::windows {

RadioGroup::RadioGroup(const QString& objectName, const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), grid_(new QGridLayout(this))
{
    setObjectName(objectName);
    group_.setExclusive(true);
    connect(&group_, &QButtonGroup::idClicked, this, &RadioGroup::clicked);
}

void RadioGroup::setItems(const QStringList& items, int columns)
{
    for (QAbstractButton* old : group_.buttons()) {
        group_.removeButton(old);
        delete old;
    }
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_.addButton(button, i);
        grid_->addWidget(button, i % rows, i / rows);
    }
}

int RadioGroup::count() const
{
    return static_cast<int>(group_.buttons().size());
}

int RadioGroup::itemIndex() const
{
    return group_.checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    if (QAbstractButton* chosen = group_.button(index))
        chosen->setChecked(true);
}

QAbstractButton* RadioGroup::button(int index) const
{
    return group_.button(index);
}

}
