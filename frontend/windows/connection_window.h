// The connection window: the serial port (with the device it leads to and the
// devices found to choose from), its speed and the kind of connection, then
// the register's number, unique number and status.
#pragma once

#include <QDialog>

#include "frontend/logic/connection_choice.h"
#include "frontend/logic/parameter_record.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kelvo::windows {

class RadioGroup;

class TfParametryPolaczenia : public QDialog {
    Q_OBJECT

public:
    // Prefills the window from the last configuration in the working folder.
    TfParametryPolaczenia(frontend::Session& session, QWidget* parent = nullptr);

signals:
    void connected();                   // on to the range window
    void continuedWithoutRegister();    // on to the main window
    // The program is to end: after "&Zakończ" (the working folder swept),
    // the close box (at once, nothing swept) or a "No" to going on without
    // a register.
    void endRequested();

protected:
    void reject() override;  // Escape presses the cancel button
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPortControls();
    void buildLineControls();
    void buildButtons();
    void layOut();
    void kindClicked(int item);
    void showPortDevice(int port);
    void fillDeviceList();
    void deviceChosen(int item);
    void prefillFromLastConfiguration();
    frontend::ConnectionChoice currentChoice() const;
    void dalej();
    void autodetekcja();
    void zakoncz();

    frontend::Session& session_;
    QLabel* label1_;
    QSpinBox* csPort_;
    QLabel* lPortDevice_;
    QComboBox* cbDevice_;
    QLabel* label2_;
    QComboBox* cbSpeed_;
    RadioGroup* rgMultiplexerType_;
    RadioGroup* rgKanal_;
    QPushButton* dDalej_;
    QPushButton* bZakoncz_;
    QPushButton* bAutodetekcja_;
};

}
