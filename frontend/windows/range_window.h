// The report range window: the kind of periodic report and its range.
#pragma once

#include <QDate>
#include <QDialog>
#include <array>

#include "frontend/logic/report_kinds.h"
#include "frontend/logic/report_range.h"

class QComboBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kelvo::windows {

class RadioGroup;
class TfMain;

class TfZakresRaportow : public QDialog {
    Q_OBJECT

public:
    // The defaults follow from today's date: the month before it, and today
    // in every date picker.
    TfZakresRaportow(TfMain& mainWindow, QDate today, QWidget* parent = nullptr);

    // The settlement kinds 6, 7 and 8 and their range controls.
    void setSettlementEnabled(bool enabled);

    frontend::RangeChoice choice() const;

signals:
    void backRequested();  // "&Wstecz"
    void endRequested();   // "&Zakończ" or the close box, the folder swept

protected:
    void reject() override;  // Escape presses the cancel button
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A kind's radio button and the range controls that belong to it.
    struct KindRow {
        QRadioButton* button = nullptr;
        QWidget* first = nullptr;
        QLabel* to = nullptr;
        QWidget* last = nullptr;
    };

    void build();
    void createKindButtons();
    void createRangeControls();
    QWidget* rangeControl(frontend::RangeShape shape, std::string_view name, bool first);
    void createBottomControls();
    QGridLayout* placeKindRows();
    void bindReactions();
    void applyDefaults(QDate today);
    void selectKind(int kind);
    void dalej();
    void zakoncz();

    TfMain& main_;
    std::array<KindRow, 9> rows_ {};  // by kind, 1 to 8
    QComboBox* cbMiesiac_;
    QSpinBox* csRok_;
    QDateEdit* dtOd_;
    QDateEdit* dtDo_;
    QSpinBox* csOd_;
    QSpinBox* csDo_;
    QDateEdit* dtROd_;
    QDateEdit* dtRDo_;
    QSpinBox* csROd_;
    QSpinBox* csRDo_;
    RadioGroup* rgTypRaportu_;
    QPushButton* bWstecz_;
    QPushButton* dDalej_;
    QPushButton* bZakoncz_;
};

}
