#include "frontend/windows/read_progress_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <kelvo/kelvodrv.h>

#include "frontend/logic/read_progress.h"

namespace kelvo::windows {

namespace {

QLabel* centredLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}

ReadProgressView::ReadProgressView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnPostep"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("pbOdczyt"));
    bar_->setTextVisible(false);
    stop_ = new QPushButton(QStringLiteral("Przerwij"), this);
    stop_->setObjectName(QStringLiteral("bPrzerwij"));
    connect(stop_, &QPushButton::clicked, this, &ReadProgressView::askToStop);
    count_ = centredLabel("stRekordy", this);
    elapsed_ = centredLabel("stCzasOdczytu", this);
    left_ = centredLabel("stPozostalo", this);
    auto* barRow = new QHBoxLayout;
    barRow->addWidget(bar_, 1);
    barRow->addWidget(stop_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(barRow);
    layout->addWidget(count_);
    layout->addWidget(elapsed_);
    layout->addWidget(left_);
    ticker_.setInterval(250);
    connect(&ticker_, &QTimer::timeout, this, &ReadProgressView::showTimes);
    hide();
}

void ReadProgressView::start()
{
    recordsRead_ = 0;
    highestIndex_ = 0;
    bar_->setRange(0, 0);
    bar_->setValue(0);
    stop_->setText(QStringLiteral("Przerwij"));
    stop_->setEnabled(false);
    count_->setText(QString::fromStdString(frontend::recordsReadText(0, 0)));
    clock_.start();
    showTimes();
    ticker_.start();
    show();
}

void ReadProgressView::stop()
{
    ticker_.stop();
    hide();
}

void ReadProgressView::advance(std::uint32_t recordsRead, std::uint32_t highestIndex)
{
    recordsRead_ = recordsRead;
    highestIndex_ = highestIndex;
    if (stop_->text() == QStringLiteral("Przerwij"))
        stop_->setEnabled(true);
    if (highestIndex == 0) {
        bar_->setRange(0, 0);
    } else {
        bar_->setRange(0, static_cast<int>(highestIndex) + 1);
        bar_->setValue(static_cast<int>(std::min(recordsRead, highestIndex + 1)));
    }
    count_->setText(QString::fromStdString(frontend::recordsReadText(recordsRead, highestIndex)));
    showTimes();
}

void ReadProgressView::showTimes()
{
    const qint64 elapsed = clock_.elapsed();
    elapsed_->setText(QString::fromStdString(frontend::elapsedText(elapsed / 1000)));
    left_->setText(QString::fromStdString(frontend::timeLeftText(recordsRead_, highestIndex_, elapsed)));
}

// The driver stops before its next record; until the command returns the
// button tells that the stop is under way.
void ReadProgressView::askToStop()
{
    PrzerwanieOdczytu();
    stop_->setText(QStringLiteral("Przerywanie…"));
    stop_->setEnabled(false);
}

}
