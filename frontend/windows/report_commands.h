// The main window's commands that take the report out of the program:
// printing, print preview, PDF export, saving to disk, the accountant's
// figures, reopening a saved report and burning to CD.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPageSize>
#include <QString>
#include <memory>
#include <optional>

#include "frontend/logic/burn_results.h"

class QAction;
class QPrinter;
class QToolButton;

namespace kelvo::windows {

class TfMain;

class ReportCommands : public QObject {
    Q_OBJECT

public:
    explicit ReportCommands(TfMain& main);

    // "Wydruk" after its dialog: the job title, the font, the pages, with
    // the page being printed in the status line and its text put back after.
    void printTo(QPrinter& printer);
    // The same pages into a PDF file whose title is the job title, replacing
    // the file whole; 0, or the errno why it could not be written.
    int exportPdf(const QString& path);
    // "Zapis na dysk CD" ends by emitting burnFinished.
    bool burning() const { return burning_; }

    QAction* previewAction() const { return preview_; }
    QAction* pdfAction() const { return pdf_; }
    QAction* recorderAction() const { return recorder_; }

signals:
    void burnFinished(frontend::BurnResult result);

private:
    void addCommands();
    void addRecorderChoice();
    void chooseRecorder();
    void print();
    void showPreview();
    void saveAsPdf();
    void saveToDisk();
    void saveAccountantFigures();
    void openSaved();
    void keepInArchive();
    void burnToCd();
    void endBurn();
    void enterWorkingFolder() const;
    // "BŁĄD W TRAKCIE ZAPISU NA DYSK" with the file and the reason.
    void tellSaveFailed(const QString& path, int error);
    QString jobTitle() const;
    QString reportPath() const;
    QString startFolder() const;
    QString browseFolder() const;
    QPageSize paper() const;

    TfMain& main_;
    QAction* preview_ = nullptr;
    QAction* pdf_ = nullptr;
    QAction* recorder_ = nullptr;
    QString openedName_;
    std::optional<QPageSize> chosenPaper_;
    bool burning_ = false;
    QString statusBeforeBurn_;
    QFutureWatcher<frontend::BurnResult> burn_;
    std::shared_ptr<platform::BurnProblem> burnProblem_;  // written by the burn, read once it has finished
};

}
