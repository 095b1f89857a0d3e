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

QDateEdit* datePicker(const char* name, QWidget* parent)
{
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    edit->setLocale(polish);
    edit->setDisplayFormat(polish.dateFormat(QLocale::LongFormat));
    edit->setCalendarPopup(true);
    return edit;
}

QSpinBox* numberSpin(const char* name, int lowest, int highest, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(lowest, highest);
    spin->setValue(lowest);
    return spin;
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
    const char* const names[] = {"", "rbMiesieczny", "rbWedlugDat", "rbWgNumerow", "rgMiesiecznyPoprzedni",
        "rbMiesiecznyBiezacy", "rbRozlDat", "rbRozlNr", "rbRozlCalosci"};
    const char* const captions[] = {"", "1. MIESIĘCZNY ZA", "2. WG DAT OD", "3. WEDŁUG NUMERÓW OD",
        "4. ZA MIESIĄC POPRZEDNI", "5. ZA MIESIĄC BIEŻĄCY", "6. ROZLICZENIOWY WG DAT OD",
        "7. ROZLICZENIOWY WG NUMERÓW OD", "8. ROZLICZENIOWY CAŁOŚCI"};
    auto* kindGroup = new QButtonGroup(this);
    for (int kind = 1; kind <= 8; ++kind) {
        kinds_[kind] = new QRadioButton(QString::fromUtf8(captions[kind]), this);
        kinds_[kind]->setObjectName(QString::fromLatin1(names[kind]));
        kindGroup->addButton(kinds_[kind], kind);
    }

    cbMiesiac_ = new QComboBox(this);
    cbMiesiac_->setObjectName(QStringLiteral("cbMiesiac"));
    cbMiesiac_->addItems({QStringLiteral("Styczeń"), QStringLiteral("Luty"), QStringLiteral("Marzec"),
        QStringLiteral("Kwiecień"), QStringLiteral("Maj"), QStringLiteral("Czerwiec"), QStringLiteral("Lipiec "),
        QStringLiteral("Sierpień"), QStringLiteral("Wrzesień"), QStringLiteral("Październik"),
        QStringLiteral("Listopad"), QStringLiteral("Grudzień")});
    csRok_ = numberSpin("csRok", frontend::kFirstYear, frontend::kLastYear, this);
    dtOd_ = datePicker("dtOd", this);
    dtDo_ = datePicker("dtDo", this);
    csOd_ = numberSpin("csOd", 1, kHighestReportNumber, this);
    csDo_ = numberSpin("csDo", 1, kHighestReportNumber, this);
    dtROd_ = datePicker("dtROd", this);
    dtRDo_ = datePicker("dtRDo", this);
    csROd_ = numberSpin("csROd", 1, kHighestReportNumber, this);
    csRDo_ = numberSpin("csRDo", 1, kHighestReportNumber, this);

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

    auto* grid = new QGridLayout;
    const auto to = [this](const char* name) {
        auto* label = new QLabel(QStringLiteral("DO"), this);
        label->setObjectName(QString::fromLatin1(name));
        return label;
    };
    grid->addWidget(kinds_[1], 0, 0);
    grid->addWidget(cbMiesiac_, 0, 1);
    grid->addWidget(csRok_, 0, 3);
    grid->addWidget(kinds_[2], 1, 0);
    grid->addWidget(dtOd_, 1, 1);
    grid->addWidget(to("lDoDat"), 1, 2);
    grid->addWidget(dtDo_, 1, 3);
    grid->addWidget(kinds_[3], 2, 0);
    grid->addWidget(csOd_, 2, 1);
    grid->addWidget(to("lDoNumerow"), 2, 2);
    grid->addWidget(csDo_, 2, 3);
    grid->addWidget(kinds_[4], 3, 0, 1, 4);
    grid->addWidget(kinds_[5], 4, 0, 1, 4);
    grid->addWidget(kinds_[6], 5, 0);
    grid->addWidget(dtROd_, 5, 1);
    settlementLabels_[0] = to("lDoRozlDat");
    grid->addWidget(settlementLabels_[0], 5, 2);
    grid->addWidget(dtRDo_, 5, 3);
    grid->addWidget(kinds_[7], 6, 0);
    grid->addWidget(csROd_, 6, 1);
    settlementLabels_[1] = to("lDoRozlNr");
    grid->addWidget(settlementLabels_[1], 6, 2);
    grid->addWidget(csRDo_, 6, 3);
    grid->addWidget(kinds_[8], 7, 0, 1, 4);
    grid->setColumnMinimumWidth(1, 280);
    grid->setColumnMinimumWidth(3, 280);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bWstecz_);
    buttons->addStretch();
    buttons->addWidget(dDalej_);
    buttons->addWidget(bZakoncz_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(rgTypRaportu_);
    layout->addSpacing(12);
    layout->addLayout(buttons);
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
    kinds_[1]->setChecked(true);
}

void TfZakresRaportow::bindReactions()
{
    for (QWidget* control : std::initializer_list<QWidget*> {cbMiesiac_, csRok_, dtOd_, dtDo_, csOd_, csDo_, dtROd_,
             dtRDo_, csROd_, csRDo_})
        control->installEventFilter(this);
    connect(csRok_, &QSpinBox::valueChanged, this, [this] { selectKind(1); });
    connect(dtOd_, &QDateEdit::dateChanged, this, [this](QDate first) { raiseTo(dtDo_, first); });
    connect(csOd_, &QSpinBox::valueChanged, this, [this] { selectKind(3); });
    connect(csDo_, &QSpinBox::valueChanged, this, [this] { selectKind(3); });
    connect(dtROd_, &QDateEdit::dateChanged, this, [this](QDate first) { raiseTo(dtRDo_, first); });
    connect(csROd_, &QSpinBox::valueChanged, this, [this] { selectKind(7); });
    connect(csRDo_, &QSpinBox::valueChanged, this, [this] { selectKind(7); });
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
            selectKind(1);
        else if (watched == dtOd_ || watched == dtDo_)
            selectKind(2);
        else if (watched == csOd_)
            selectKind(3);
        else if (watched == csDo_) {
            raiseTo(csDo_, csOd_->value());
            selectKind(3);
        } else if (watched == dtROd_ || watched == dtRDo_)
            selectKind(6);
        else if (watched == csROd_ || watched == csRDo_)
            selectKind(7);
    } else if (type == QEvent::MouseButtonPress) {
        if (watched == csRok_)
            selectKind(1);
        else if (watched == csOd_ || watched == csDo_)
            selectKind(3);
        else if (watched == csROd_ || watched == csRDo_)
            selectKind(7);
    } else if (type == QEvent::KeyPress) {
        if (watched == csOd_)
            selectKind(3);
        else if (watched == csROd_)
            selectKind(7);
    } else if (type == QEvent::KeyRelease && (watched == csOd_ || watched == csROd_)) {
        raiseTo(csRDo_, csROd_->value());
    }
    return QDialog::eventFilter(watched, event);
}

void TfZakresRaportow::selectKind(int kind)
{
    kinds_[kind]->setChecked(true);
}

void TfZakresRaportow::setSettlementEnabled(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*> {kinds_[6], kinds_[7], kinds_[8], dtROd_, dtRDo_, csROd_,
             csRDo_, settlementLabels_[0], settlementLabels_[1]})
        control->setEnabled(enabled);
}

frontend::RangeChoice TfZakresRaportow::choice() const
{
    frontend::RangeChoice c;
    c.kind = 0;
    for (int kind = 1; kind <= 8; ++kind)
        if (kinds_[kind]->isChecked())
            c.kind = kind;
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
