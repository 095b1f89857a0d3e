#include "frontend/windows/range_window.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/cleanup.h"
#include "frontend/windows/main_window.h"
#include "frontend/windows/polish.h"
#include "frontend/windows/radio_group.h"
#include "frontend/windows/window_placement.h"

namespace kelvo::windows {

namespace {

using frontend::kHighestReportNumber;

frontend::Date dateOf(const QDateEdit* edit)
{
    const QDate d = edit->date();
    return {d.year(), d.month(), d.day()};
}

QDate qdate(const frontend::Date& d)
{
    return QDate(d.year, d.month, d.day);
}

QString latin1(std::string_view name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QDateEdit* datePicker(std::string_view name, QWidget* parent)
{
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(latin1(name));
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    edit->setLocale(polish);
    edit->setDisplayFormat(polish.dateFormat(QLocale::LongFormat));
    edit->setCalendarPopup(true);
    return edit;
}

QSpinBox* numberSpin(std::string_view name, int lowest, int highest, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(latin1(name));
    spin->setRange(lowest, highest);
    spin->setValue(lowest);
    return spin;
}

QComboBox* monthList(std::string_view name, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(latin1(name));
    list->addItems({QStringLiteral("Styczeń"), QStringLiteral("Luty"), QStringLiteral("Marzec"),
        QStringLiteral("Kwiecień"), QStringLiteral("Maj"), QStringLiteral("Czerwiec"), QStringLiteral("Lipiec "),
        QStringLiteral("Sierpień"), QStringLiteral("Wrzesień"), QStringLiteral("Październik"),
        QStringLiteral("Listopad"), QStringLiteral("Grudzień")});
    return list;
}

// Raises a "DO" value to its "OD" value; the raise itself selects no kind.
void raiseTo(QDateEdit* last, QDate first)
{
    if (last->date() < first) {
        const QSignalBlocker quiet(last);
        last->setDate(first);
    }
}

void raiseTo(QSpinBox* last, int first)
{
    if (last->value() < first) {
        const QSignalBlocker quiet(last);
        last->setValue(first);
    }
}

}

TfZakresRaportow::TfZakresRaportow(TfMain& mainWindow, QDate today, QWidget* parent) : QDialog(parent), main_(mainWindow)
{
    setObjectName(QStringLiteral("fZakresRaportow"));
    setWindowTitle(QStringLiteral("ZAKRES RAPORTÓW OKRESOWYCH"));
    setFont(controlFont());
    build();
    applyDefaults(today);
    bindReactions();
    fixSizeAndCentre(*this);
}

void TfZakresRaportow::build()
{
    // Created in the order the keyboard's focus moves through them.
    createKindButtons();
    createRangeControls();
    createBottomControls();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bWstecz_);
    buttons->addStretch();
    buttons->addWidget(dDalej_);
    buttons->addWidget(bZakoncz_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(placeKindRows());
    layout->addWidget(rgTypRaportu_);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}

void TfZakresRaportow::createKindButtons()
{
    auto* kindGroup = new QButtonGroup(this);
    for (const frontend::ReportKindInfo& kind : frontend::reportKinds()) {
        auto* button = new QRadioButton(QString::fromUtf8(kind.caption.data(), static_cast<qsizetype>(kind.caption.size())), this);
        button->setObjectName(latin1(kind.buttonName));
        kindGroup->addButton(button, kind.kind);
        rows_[static_cast<std::size_t>(kind.kind)].button = button;
    }
}

void TfZakresRaportow::createRangeControls()
{
    for (const frontend::ReportKindInfo& kind : frontend::reportKinds()) {
        KindRow& row = rows_[static_cast<std::size_t>(kind.kind)];
        row.first = rangeControl(kind.range, kind.controlNames[0], true);
        row.last = rangeControl(kind.range, kind.controlNames[1], false);
    }
    const auto& month = rows_[KELVODRV_KIND_MONTH];
    const auto& dates = rows_[KELVODRV_KIND_DATES];
    const auto& numbers = rows_[KELVODRV_KIND_NUMBERS];
    const auto& settlementDates = rows_[KELVODRV_KIND_SETTLEMENT_DATES];
    const auto& settlementNumbers = rows_[KELVODRV_KIND_SETTLEMENT_NUMBERS];
    cbMiesiac_ = static_cast<QComboBox*>(month.first);
    csRok_ = static_cast<QSpinBox*>(month.last);
    dtOd_ = static_cast<QDateEdit*>(dates.first);
    dtDo_ = static_cast<QDateEdit*>(dates.last);
    csOd_ = static_cast<QSpinBox*>(numbers.first);
    csDo_ = static_cast<QSpinBox*>(numbers.last);
    dtROd_ = static_cast<QDateEdit*>(settlementDates.first);
    dtRDo_ = static_cast<QDateEdit*>(settlementDates.last);
    csROd_ = static_cast<QSpinBox*>(settlementNumbers.first);
    csRDo_ = static_cast<QSpinBox*>(settlementNumbers.last);
}

// The control of a range's first or last bound; none for a kind without a range.
QWidget* TfZakresRaportow::rangeControl(frontend::RangeShape shape, std::string_view name, bool first)
{
    switch (shape) {
    case frontend::RangeShape::Month:
        if (first)
            return monthList(name, this);
        return numberSpin(name, frontend::kFirstYear, frontend::kLastYear, this);
    case frontend::RangeShape::Dates: return datePicker(name, this);
    case frontend::RangeShape::Numbers: return numberSpin(name, 1, kHighestReportNumber, this);
    case frontend::RangeShape::None: break;
    }
    return nullptr;
}

void TfZakresRaportow::createBottomControls()
{
    rgTypRaportu_ = new RadioGroup(QStringLiteral("rgTypRaportu"), QString(), this);
    rgTypRaportu_->setItems({QStringLiteral("raport szczegółowy"), QStringLiteral("raport skrócony")}, 1);
    rgTypRaportu_->setItemIndex(0);
    rgTypRaportu_->setVisible(false);

    bWstecz_ = new QPushButton(QStringLiteral("&Wstecz"), this);
    bWstecz_->setObjectName(QStringLiteral("bWstecz"));
    dDalej_ = new QPushButton(QStringLiteral("&Dalej"), this);
    dDalej_->setObjectName(QStringLiteral("dDalej"));
    dDalej_->setDefault(true);
    bZakoncz_ = new QPushButton(QStringLiteral("&Zakończ"), this);
    bZakoncz_->setObjectName(QStringLiteral("bZakoncz"));
}

// One row a kind: its button, then its range's first bound, "DO" and its last bound; a
// kind without a range has the row to itself.
QGridLayout* TfZakresRaportow::placeKindRows()
{
    auto* grid = new QGridLayout;
    for (const frontend::ReportKindInfo& kind : frontend::reportKinds()) {
        KindRow& row = rows_[static_cast<std::size_t>(kind.kind)];
        const int line = kind.kind - KELVODRV_KIND_FIRST;
        if (row.first == nullptr) {
            grid->addWidget(row.button, line, 0, 1, 4);
            continue;
        }
        grid->addWidget(row.button, line, 0);
        grid->addWidget(row.first, line, 1);
        if (!kind.toLabelName.empty()) {
            row.to = new QLabel(QStringLiteral("DO"), this);
            row.to->setObjectName(latin1(kind.toLabelName));
            grid->addWidget(row.to, line, 2);
        }
        grid->addWidget(row.last, line, 3);
    }
    grid->setColumnMinimumWidth(1, 280);
    grid->setColumnMinimumWidth(3, 280);
    return grid;
}

void TfZakresRaportow::applyDefaults(QDate today)
{
    const frontend::RangeChoice defaults = frontend::defaultRange({today.year(), today.month(), today.day()});
    cbMiesiac_->setCurrentIndex(defaults.monthItem);
    csRok_->setValue(defaults.year);
    dtOd_->setDate(qdate(defaults.from));
    dtDo_->setDate(qdate(defaults.to));
    dtROd_->setDate(qdate(defaults.settlementFrom));
    dtRDo_->setDate(qdate(defaults.settlementTo));
    rows_[KELVODRV_KIND_MONTH].button->setChecked(true);
}

void TfZakresRaportow::bindReactions()
{
    for (QWidget* control : std::initializer_list<QWidget*> {cbMiesiac_, csRok_, dtOd_, dtDo_, csOd_, csDo_, dtROd_,
             dtRDo_, csROd_, csRDo_})
        control->installEventFilter(this);
    connect(csRok_, &QSpinBox::valueChanged, this, [this] { selectKind(KELVODRV_KIND_MONTH); });
    connect(dtOd_, &QDateEdit::dateChanged, this, [this](QDate first) { raiseTo(dtDo_, first); });
    connect(csOd_, &QSpinBox::valueChanged, this, [this] { selectKind(KELVODRV_KIND_NUMBERS); });
    connect(csDo_, &QSpinBox::valueChanged, this, [this] { selectKind(KELVODRV_KIND_NUMBERS); });
    connect(dtROd_, &QDateEdit::dateChanged, this, [this](QDate first) { raiseTo(dtRDo_, first); });
    connect(csROd_, &QSpinBox::valueChanged, this, [this] { selectKind(KELVODRV_KIND_SETTLEMENT_NUMBERS); });
    connect(csRDo_, &QSpinBox::valueChanged, this, [this] { selectKind(KELVODRV_KIND_SETTLEMENT_NUMBERS); });
    connect(bWstecz_, &QPushButton::clicked, this, [this] {
        hide();
        emit backRequested();
    });
    connect(dDalej_, &QPushButton::clicked, this, &TfZakresRaportow::dalej);
    connect(bZakoncz_, &QPushButton::clicked, this, &TfZakresRaportow::zakoncz);
}

bool TfZakresRaportow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool enter = type == QEvent::KeyPress
        && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return || static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
    if (enter && (watched == csDo_ || watched == csRDo_)) {
        dDalej_->click();
        return true;
    }
    if (type == QEvent::FocusIn) {
        if (watched == cbMiesiac_ || watched == csRok_)
            selectKind(KELVODRV_KIND_MONTH);
        else if (watched == dtOd_ || watched == dtDo_)
            selectKind(KELVODRV_KIND_DATES);
        else if (watched == csOd_)
            selectKind(KELVODRV_KIND_NUMBERS);
        else if (watched == csDo_) {
            raiseTo(csDo_, csOd_->value());
            selectKind(KELVODRV_KIND_NUMBERS);
        } else if (watched == dtROd_ || watched == dtRDo_)
            selectKind(KELVODRV_KIND_SETTLEMENT_DATES);
        else if (watched == csROd_ || watched == csRDo_)
            selectKind(KELVODRV_KIND_SETTLEMENT_NUMBERS);
    } else if (type == QEvent::MouseButtonPress) {
        if (watched == csRok_)
            selectKind(KELVODRV_KIND_MONTH);
        else if (watched == csOd_ || watched == csDo_)
            selectKind(KELVODRV_KIND_NUMBERS);
        else if (watched == csROd_ || watched == csRDo_)
            selectKind(KELVODRV_KIND_SETTLEMENT_NUMBERS);
    } else if (type == QEvent::KeyPress) {
        if (watched == csOd_)
            selectKind(KELVODRV_KIND_NUMBERS);
        else if (watched == csROd_)
            selectKind(KELVODRV_KIND_SETTLEMENT_NUMBERS);
    } else if (type == QEvent::KeyRelease && (watched == csOd_ || watched == csROd_)) {
        raiseTo(csRDo_, csROd_->value());
    }
    return QDialog::eventFilter(watched, event);
}

void TfZakresRaportow::selectKind(int kind)
{
    rows_[static_cast<std::size_t>(kind)].button->setChecked(true);
}

void TfZakresRaportow::setSettlementEnabled(bool enabled)
{
    for (const frontend::ReportKindInfo& kind : frontend::reportKinds()) {
        if (!kind.settlement)
            continue;
        const KindRow& row = rows_[static_cast<std::size_t>(kind.kind)];
        for (QWidget* control : std::initializer_list<QWidget*> {row.button, row.first, row.to, row.last})
            if (control != nullptr)
                control->setEnabled(enabled);
    }
}

frontend::RangeChoice TfZakresRaportow::choice() const
{
    frontend::RangeChoice c;
    c.kind = 0;
    for (const frontend::ReportKindInfo& kind : frontend::reportKinds())
        if (rows_[static_cast<std::size_t>(kind.kind)].button->isChecked())
            c.kind = kind.kind;
    c.variant = rgTypRaportu_->itemIndex() == 1 ? 1 : 0;
    c.monthItem = cbMiesiac_->currentIndex();
    c.year = csRok_->value();
    c.from = dateOf(dtOd_);
    c.to = dateOf(dtDo_);
    c.settlementFrom = dateOf(dtROd_);
    c.settlementTo = dateOf(dtRDo_);
    c.numberFrom = csOd_->value();
    c.numberTo = csDo_->value();
    c.settlementNumberFrom = csROd_->value();
    c.settlementNumberTo = csRDo_->value();
    return c;
}

void TfZakresRaportow::dalej()
{
    hide();
    main_.show();
    main_.readReport(choice());
}

void TfZakresRaportow::zakoncz()
{
    frontend::cleanUpOnQuit();
    emit endRequested();
}

void TfZakresRaportow::reject()
{
    bZakoncz_->click();
}

void TfZakresRaportow::closeEvent(QCloseEvent* event)
{
    event->accept();
    zakoncz();
}

}
