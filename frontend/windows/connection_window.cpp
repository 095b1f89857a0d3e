#include "frontend/windows/connection_window.h"

#include <algorithm>
#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/kept_open_port.h"
#include "frontend/logic/cleanup.h"
#include "frontend/logic/connection_choice.h"
#include "frontend/logic/connection_diagnosis.h"
#include "frontend/logic/connection_sequence.h"
#include "frontend/windows/detection_dialog.h"
#include "frontend/windows/driver_command_runner.h"
#include "frontend/windows/message_boxes.h"
#include "frontend/windows/polish.h"
#include "frontend/windows/radio_group.h"
#include "frontend/windows/window_placement.h"
#include "platform/port_map.h"
#include "platform/serial_devices.h"

namespace kelvo::windows {

namespace {

QStringList channelItems(int count)
{
    QStringList items;
    for (int n = 1; n <= count; ++n)
        items << QString::number(n);
    return items;
}

// Wide enough for a by-id name and the device it leads to.
constexpr int kDeviceRowWidth = 460;

bool isEnter(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}

TfParametryPolaczenia::TfParametryPolaczenia(frontend::Session& session, QWidget* parent)
    : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("fParametryPolaczenia"));
    setWindowTitle(QStringLiteral("PARAMETRY POŁĄCZENIA Z KASĄ"));
    setFont(controlFont());
    buildPortControls();
    buildLineControls();
    buildButtons();
    layOut();

    prefillFromLastConfiguration();
    showPortDevice(csPort_->value());
    fixSizeAndCentre(*this);
}

// The COM number, the device it leads to and the list of devices present.
void TfParametryPolaczenia::buildPortControls()
{
    label1_ = new QLabel(QStringLiteral("Port"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    csPort_ = new QSpinBox(this);
    csPort_->setObjectName(QStringLiteral("csPort"));
    csPort_->setRange(1, 99);
    csPort_->setValue(1);
    csPort_->installEventFilter(this);
    label1_->setBuddy(csPort_);
    lPortDevice_ = new QLabel(this);
    lPortDevice_->setObjectName(QStringLiteral("lPortDevice"));
    cbDevice_ = new QComboBox(this);
    cbDevice_->setObjectName(QStringLiteral("cbDevice"));
    cbDevice_->setPlaceholderText(QStringLiteral("wybierz urządzenie"));
    fillDeviceList();
    connect(csPort_, &QSpinBox::valueChanged, this,
        [this](int port) { showPortDevice(port); });
    connect(cbDevice_, &QComboBox::activated, this, &TfParametryPolaczenia::deviceChosen);
}

// The speed, the connection kind and the multiplexer channel.
void TfParametryPolaczenia::buildLineControls()
{
    label2_ = new QLabel(QStringLiteral("Szybkość transmisji"), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    cbSpeed_ = new QComboBox(this);
    cbSpeed_->setObjectName(QStringLiteral("cbSpeed"));
    cbSpeed_->addItems({QStringLiteral("9600 b/s"), QStringLiteral("19200 b/s"), QStringLiteral("28800 b/s"),
        QStringLiteral("57600 b/s")});
    cbSpeed_->setCurrentIndex(0);
    label2_->setBuddy(cbSpeed_);

    rgMultiplexerType_ = new RadioGroup(QStringLiteral("rgMultiplexerType"), QStringLiteral("Rodzaj połączenia"), this);
    rgMultiplexerType_->setItems({QStringLiteral("bezpośrednio"), QStringLiteral("multiplekser 4-kanałowy"),
                                     QStringLiteral("multiplekser 8-kanałowy")},
        1);
    rgMultiplexerType_->setItemIndex(0);
    connect(rgMultiplexerType_, &RadioGroup::clicked, this, &TfParametryPolaczenia::kindClicked);

    rgKanal_ = new RadioGroup(QStringLiteral("rgKanal"), QStringLiteral("Numer kanału"), this);
    const frontend::ChannelList before;
    rgKanal_->setItems(channelItems(before.count), before.columns);
    rgKanal_->setItemIndex(0);
}

void TfParametryPolaczenia::buildButtons()
{
    dDalej_ = new QPushButton(QStringLiteral("&Dalej"), this);
    dDalej_->setObjectName(QStringLiteral("dDalej"));
    dDalej_->setDefault(true);
    connect(dDalej_, &QPushButton::clicked, this, &TfParametryPolaczenia::dalej);
    bZakoncz_ = new QPushButton(QStringLiteral("&Zakończ"), this);
    bZakoncz_->setObjectName(QStringLiteral("bZakoncz"));
    connect(bZakoncz_, &QPushButton::clicked, this, &TfParametryPolaczenia::zakoncz);
    bAutodetekcja_ = new QPushButton(QStringLiteral("&Autodetekcja"), this);
    bAutodetekcja_->setObjectName(QStringLiteral("bAutodetekcja"));
    connect(bAutodetekcja_, &QPushButton::clicked, this, &TfParametryPolaczenia::autodetekcja);
}

void TfParametryPolaczenia::layOut()
{
    auto* fields = new QGridLayout;
    fields->addWidget(label1_, 0, 0);
    fields->addWidget(csPort_, 0, 1);
    // Device paths are long: each has a row of the window's width (the full text is the tip).
    lPortDevice_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    cbDevice_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    cbDevice_->setMinimumWidth(kDeviceRowWidth);
    fields->addWidget(lPortDevice_, 1, 0, 1, 3);
    fields->addWidget(cbDevice_, 2, 0, 1, 3);
    fields->setColumnStretch(2, 1);
    fields->addWidget(label2_, 3, 0);
    fields->addWidget(cbSpeed_, 3, 1);
    auto* groups = new QHBoxLayout;
    groups->addWidget(rgMultiplexerType_, 3);
    groups->addWidget(rgKanal_, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bAutodetekcja_);
    buttons->addStretch();
    buttons->addWidget(dDalej_);
    buttons->addWidget(bZakoncz_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

void TfParametryPolaczenia::showPortDevice(int port)
{
    const QString text = QString::fromStdString(frontend::portDeviceLabel(port));
    lPortDevice_->setText(text);
    lPortDevice_->setToolTip(text);
}

void TfParametryPolaczenia::fillDeviceList()
{
    cbDevice_->clear();
    for (const platform::SerialDevice& device : platform::serialDevices())
        cbDevice_->addItem(QString::fromStdString(frontend::deviceItemText(device)), QString::fromStdString(device.path));
    for (int item = 0; item < cbDevice_->count(); ++item)
        cbDevice_->setItemData(item, cbDevice_->itemText(item), Qt::ToolTipRole);
    cbDevice_->setCurrentIndex(-1);
}

// The chosen device becomes the port's in the port map; the list is read anew,
// so that a device plugged in since shows.
void TfParametryPolaczenia::deviceChosen(int item)
{
    const std::string path = cbDevice_->itemData(item).toString().toStdString();
    if (const std::string problem = frontend::choosePortDevice(csPort_->value(), path); !problem.empty())
        tell(this, QStringLiteral("UWAGA"),
            QStringLiteral("NIE MOŻNA ZAPISAĆ MAPY PORTÓW %1: %2")
                .arg(QString::fromStdString(platform::portMapFile()), QString::fromStdString(problem)));
    showPortDevice(csPort_->value());
    fillDeviceList();
    cbDevice_->setCurrentIndex(cbDevice_->findData(QString::fromStdString(platform::preferredDeviceName(path, platform::serialDevices()))));
}

void TfParametryPolaczenia::kindClicked(int item)
{
    if (item == 0) {
        rgKanal_->hide();
        return;
    }
    const frontend::ChannelList list = frontend::channelList(item);
    const int kept = frontend::channelAfterRebuild(rgKanal_->itemIndex(), list);
    rgKanal_->setItems(channelItems(list.count), list.columns);
    rgKanal_->setItemIndex(kept);
    rgKanal_->show();
}

void TfParametryPolaczenia::prefillFromLastConfiguration()
{
    const auto last = frontend::readLastConnection(KELVODRV_CONFIGURATION_FILE_LOWER);
    if (!last)
        return;
    frontend::ConnectionChoice choice;
    choice.speedItem = cbSpeed_->currentIndex();
    choice.kindItem = rgMultiplexerType_->itemIndex();
    frontend::prefill(*last, session_.record, choice);
    csPort_->setValue(choice.port);
    cbSpeed_->setCurrentIndex(choice.speedItem);
    const auto& types = frontend::kMultiplexerTypes;
    if (std::find(types.begin(), types.end(), last->multiplexerType) != types.end()) {
        rgMultiplexerType_->setItemIndex(choice.kindItem);
        kindClicked(choice.kindItem);
    }
    rgKanal_->setItemIndex(choice.channelItem);
}

frontend::ConnectionChoice TfParametryPolaczenia::currentChoice() const
{
    frontend::ConnectionChoice choice;
    choice.port = csPort_->value();
    choice.speedItem = cbSpeed_->currentIndex();
    choice.kindItem = rgMultiplexerType_->itemIndex();
    choice.channelItem = rgKanal_->itemIndex();
    return choice;
}

void TfParametryPolaczenia::dalej()
{
    const frontend::ConnectionChoice choice = currentChoice();
    bool endAfterwards = false;
    frontend::ConnectionEvents events;
    events.continueWithoutRegister = [this](const std::string& message) {
        return askYesNo(this, QStringLiteral("UWAGA"), QString::fromStdString(message));
    };
    events.showMainWindow = [this] { emit continuedWithoutRegister(); };
    events.requestEnd = [&endAfterwards] { endAfterwards = true; };
    events.busy = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    events.runCommand = [](const frontend::DriverCommand& command) { return runOffWindowThread(command); };
    // The three identity commands open the port once.
    frontend::KeptOpenPort keptOpen;
    events.explainFailure = [this, &keptOpen](std::uint8_t code, bool firstRequest) {
        keptOpen.release();
        return frontend::diagnoseFailedRequest(session_.record, code, firstRequest);
    };
    const frontend::ConnectionOutcome outcome = frontend::runConnection(session_, choice, events);
    keptOpen.release();
    if (outcome.result == frontend::ConnectionResult::RangeWindow) {
        hide();
        emit connected();
    }
    if (endAfterwards)
        emit endRequested();
}

// Finds the register among the serial devices; a register found is then
// connected to as "&Dalej" does, with the port and speed it answered at.
void TfParametryPolaczenia::autodetekcja()
{
    const auto devices = platform::serialDevices();
    if (devices.empty()) {
        tell(this, QStringLiteral("UWAGA"),
            QStringLiteral("NIE ZNALEZIONO PORTÓW SZEREGOWYCH.\nPODŁĄCZ KASĘ ALBO ADAPTER USB I SPRÓBUJ PONOWNIE."));
        return;
    }
    TfAutodetekcja dialog(this);
    const frontend::Detection found = dialog.search(currentChoice(), devices);
    if (found.outcome == frontend::DetectionOutcome::Cancelled)
        return;
    if (found.outcome == frontend::DetectionOutcome::NotFound) {
        QString text = QStringLiteral("NIE ZNALEZIONO KASY NA ŻADNYM PORCIE SZEREGOWYM (SPRAWDZONO SZYBKOŚCI %1).\n"
                                      "SPRAWDŹ KABEL I ZASILANIE KASY.")
                           .arg(QString::fromStdString(frontend::detectionSpeedsText()));
        if (!dialog.skippedText().isEmpty())
            text += QStringLiteral("\n\nPominięte:\n") + dialog.skippedText();
        tell(this, QStringLiteral("UWAGA"), text);
        return;
    }
    csPort_->setValue(found.port);
    cbSpeed_->setCurrentIndex(found.speedItem);
    showPortDevice(found.port);
    fillDeviceList();
    cbDevice_->setCurrentIndex(cbDevice_->findData(QString::fromStdString(found.device)));
    dalej();
}

void TfParametryPolaczenia::zakoncz()
{
    frontend::cleanUpOnQuit();
    emit endRequested();
}

void TfParametryPolaczenia::reject()
{
    bZakoncz_->click();
}

void TfParametryPolaczenia::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit endRequested();
}

bool TfParametryPolaczenia::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == csPort_ && isEnter(event)) {
        dDalej_->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}
