#include "frontend/windows/read_progress_view.h"

#include <QLabel>
#include <algorithm>
#include <QProgressBar>
#include <QVBoxLayout>

#include "frontend/logic/read_progress.h"

namespace kelvo::windows {

ReadProgressView::ReadProgressView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnPostep"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("pbOdczyt"));
    bar_->setTextVisible(false);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("stRekordy"));
    count_->setAlignment(Qt::AlignCenter);
    elapsed_ = new QLabel(this);
    elapsed_->setObjectName(QStringLiteral("stCzasOdczytu"));
    elapsed_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar_);
    layout->addWidget(count_);
    layout->addWidget(elapsed_);
    ticker_.setInterval(250);
    connect(&ticker_, &QTimer::timeout, this, &ReadProgressView::showElapsed);
    hide();
}

void ReadProgressView::start()
{
    bar_->setRange(0, 0);
    bar_->setValue(0);
    count_->setText(QString::fromStdString(frontend::recordsReadText(0, 0)));
    clock_.start();
    showElapsed();
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
    if (highestIndex == 0) {
        bar_->setRange(0, 0);
    } else {
        bar_->setRange(0, static_cast<int>(highestIndex));
        bar_->setValue(static_cast<int>(std::min(recordsRead, highestIndex)));
    }
    count_->setText(QString::fromStdString(frontend::recordsReadText(recordsRead, highestIndex)));
}

void ReadProgressView::showElapsed()
{
    elapsed_->setText(QString::fromStdString(frontend::elapsedText(clock_.elapsed() / 1000)));
}

}
