#include "frontend/windows/detection_dialog.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "frontend/windows/driver_command_runner.h"
#include "frontend/windows/polish.h"

namespace kelvo::windows {

TfAutodetekcja::TfAutodetekcja(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fAutodetekcja"));
    setWindowTitle(QStringLiteral("AUTODETEKCJA KASY"));
    setFont(controlFont());
    setModal(true);

    lProba_ = new QLabel(QStringLiteral("Szukam kasy…"), this);
    lProba_->setObjectName(QStringLiteral("lProba"));
    lProba_->setMinimumWidth(560);
    pbProby_ = new QProgressBar(this);
    pbProby_->setObjectName(QStringLiteral("pbProby"));
    pbProby_->setFormat(QStringLiteral("%v z %m"));
    lPominiete_ = new QLabel(this);
    lPominiete_->setObjectName(QStringLiteral("lPominiete"));
    lPominiete_->setWordWrap(true);
    lPominiete_->hide();
    bPrzerwij_ = new QPushButton(QStringLiteral("&Przerwij"), this);
    bPrzerwij_->setObjectName(QStringLiteral("bPrzerwij"));
    connect(bPrzerwij_, &QPushButton::clicked, this, &TfAutodetekcja::stop);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bPrzerwij_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lProba_);
    layout->addWidget(pbProby_);
    layout->addWidget(lPominiete_);
    layout->addLayout(buttons);
}

frontend::Detection TfAutodetekcja::search(const frontend::ConnectionChoice& choice,
    const std::vector<platform::SerialDevice>& devices)
{
    const auto tried = frontend::devicesToTry(devices);
    pbProby_->setRange(0, static_cast<int>(tried.size() * frontend::kSpeeds.size()));
    pbProby_->setValue(0);
    stopped_ = false;
    skipped_.clear();

    // The search tells this window through its event queue, from the search's own thread.
    frontend::DetectionEvents events;
    events.trying = [this](const std::string& device, std::int32_t speed) {
        QMetaObject::invokeMethod(this, [this, device = QString::fromStdString(device), speed] { trying(device, speed); },
            Qt::QueuedConnection);
    };
    events.skipped = [this](const std::string& device, const std::string& reason) {
        QMetaObject::invokeMethod(this,
            [this, device = QString::fromStdString(device), reason = QString::fromStdString(reason)] {
                skipped(device, reason);
            },
            Qt::QueuedConnection);
    };
    events.cancelled = [this] { return stopped_.load(); };

    open();
    const frontend::Detection found = frontend::withPortVariableSetAside(choice.port, [&] {
        frontend::Detection detection;
        runBesideModalDialog([&] { detection = frontend::detectRegister(choice, tried, events); });
        return detection;
    });
    // What the search still had queued for the window is shown before it closes.
    QCoreApplication::sendPostedEvents(this);
    done(found.outcome == frontend::DetectionOutcome::Found ? Accepted : Rejected);
    return found;
}

void TfAutodetekcja::trying(const QString& device, std::int32_t speed)
{
    // A by-id name is long: its middle gives way, its start and its end tell the device.
    const QString shown = lProba_->fontMetrics().elidedText(device, Qt::ElideMiddle, lProba_->width());
    lProba_->setText(QStringLiteral("Sprawdzam przy %1 b/s:\n%2").arg(speed).arg(shown));
    lProba_->setToolTip(device);
    pbProby_->setValue(pbProby_->value() + 1);
}

void TfAutodetekcja::skipped(const QString& device, const QString& reason)
{
    skipped_ += (skipped_.isEmpty() ? QString() : QStringLiteral("\n")) + device + QStringLiteral(": ") + reason;
    lPominiete_->setText(QStringLiteral("Pominięte:\n") + skipped_);
    lPominiete_->show();
    // A skipped device's speeds count as done.
    pbProby_->setValue(pbProby_->value() + static_cast<int>(frontend::kSpeeds.size()));
}

void TfAutodetekcja::stop()
{
    stopped_ = true;
    bPrzerwij_->setEnabled(false);
    lProba_->setText(QStringLiteral("Przerywam po bieżącej próbie…"));
}

void TfAutodetekcja::reject()
{
    if (isVisible() && !stopped_)
        stop();
}

}
