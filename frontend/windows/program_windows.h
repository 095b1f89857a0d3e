// The program's three windows, created in the order the program needs them:
// the connection window (shown first), the main window, the range window.
#pragma once

#include <QDate>
#include <QObject>
#include <memory>
#include <string>

#include "frontend/logic/parameter_record.h"

namespace kelvo::platform {
class SingleInstance;
}

namespace kelvo::windows {

class ReportCommands;
class TfMain;
class TfParametryPolaczenia;
class TfZakresRaportow;

class ProgramWindows : public QObject {
    Q_OBJECT

public:
    // Enters the working folder first; today gives the range window's
    // defaults.
    explicit ProgramWindows(QDate today = QDate::currentDate());
    ~ProgramWindows() override;

    void show();

    // A copy started later asks through the instance's socket; the windows
    // on screen then come to the front, out of the task bar if minimised.
    void answerLaterCopies(const platform::SingleInstance& instance);
    void bringToFront();

    // Why the working folder could not be used; empty when it is in use.
    const std::string& workingFolderProblem() const { return workingFolderProblem_; }

    TfParametryPolaczenia& connection() const { return *connection_; }
    TfMain& main() const { return *main_; }
    ReportCommands& reportCommands() const { return *reportCommands_; }
    TfZakresRaportow& range() const { return *range_; }
    frontend::Session& session() { return session_; }

signals:
    // The program is to end; the windows have done their part.
    void endRequested();

private:
    frontend::Session session_;
    std::string workingFolderProblem_;
    std::unique_ptr<TfParametryPolaczenia> connection_;
    std::unique_ptr<TfMain> main_;
    ReportCommands* reportCommands_;  // owned by the main window
    std::unique_ptr<TfZakresRaportow> range_;
};

}
