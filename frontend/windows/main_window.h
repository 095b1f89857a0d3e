// The main window: the report as text, and the commands that act on it.
#pragma once

#include <QFont>
#include <QMainWindow>
#include <QMenu>
#include <array>
#include <cstdint>

#include "frontend/logic/command_states.h"
#include "frontend/logic/parameter_record.h"
#include "frontend/logic/report_range.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QToolBar;
class QToolButton;

namespace kelvo::windows {

class ReadProgressView;

class TfMain : public QMainWindow {
    Q_OBJECT

public:
    // Registers itself for the driver's read progress while it lives.
    explicit TfMain(frontend::Session& session, QWidget* parent = nullptr);
    ~TfMain() override;

    // The menu item of a command, and its toolbar button ("Wyjście z
    // programu" has none). Printing, saving, burning and opening connect to
    // the menu item's triggered(); the toolbar button triggers it while it
    // is enabled.
    QAction* commandAction(frontend::Command command) const;
    QToolButton* toolbarButton(frontend::Command command) const;
    void setCommandStates(frontend::CommandEvent event);

    QPlainTextEdit* display() const { return reRaportOkresowy_; }
    // The font chosen under "Czcionka " (Courier New, 13 pixels, at start).
    QFont reportFont() const { return reportFont_; }
    void setStatusText(const QString& text);
    QString statusText() const;

    // The report text file of the last report read, in the working folder.
    QString reportFileName() const { return reportFileName_; }
    const frontend::Session& session() const { return session_; }

    // False while a CD is being burned: the window then refuses to close,
    // without asking.
    void setClosingAllowed(bool allowed) { closingAllowed_ = allowed; }
    bool closingAllowed() const { return closingAllowed_; }

    // Clears the display, gives it the report font and, when the file is a
    // regular file of at most kLargestReportFile bytes, shows its
    // Windows-1250 text; 0 when it was shown, else the errno why not.
    int showReportFile(const QString& path);

    // The range window's "&Dalej" from step 2 on: names the report, runs the
    // report command with the notice and progress shown, then shows the
    // report or the driver's error; true when the report was read.
    bool readReport(const frontend::RangeChoice& choice);

signals:
    void generateRequested();  // "Generacja raportu z podłączonej kasy"
    void endRequested();       // "Tak" to "CZY ZAKOŃCZYĆ PROGRAM?", the folder cleaned up
    void reportFontChosen(const QFont& font);
    void reportShown();        // a report generated in this run is in the display

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void recordRead(void* context, std::uint32_t recordsRead, std::uint32_t highestIndex);
    void buildCommands();
    void addKeptRecordsSwitch(QMenu& menu);
    void chooseFont();
    void placeDisplayAndNotice();
    void beginRead(const frontend::ReportNames& names);
    void endRead();

    frontend::Session& session_;
    std::array<QAction*, frontend::kCommandCount> actions_ {};
    std::array<QToolButton*, frontend::kCommandCount> buttons_ {};
    QToolBar* tbTool_;
    QWidget* client_;
    QPlainTextEdit* reRaportOkresowy_;
    QLabel* stOdczyt_;
    ReadProgressView* progress_;
    QLabel* status_;
    QFont reportFont_;
    QString reportFileName_;
    bool closingAllowed_ = true;
};

}
