#include "frontend/windows/report_commands.h"

#include <cerrno>
#include <ctime>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>

#include "frontend/logic/accountant_figures.h"
#include "frontend/logic/cd_burn.h"
#include "frontend/logic/print_layout.h"
#include "frontend/logic/recorder_setting.h"
#include "frontend/logic/report_kinds.h"
#include "frontend/logic/report_archive.h"
#include "frontend/logic/user_paper.h"
#include "frontend/windows/driver_command_runner.h"
#include "frontend/windows/main_window.h"
#include "frontend/windows/report_pages.h"
#include "frontend/logic/system_reason.h"
#include "platform/file_access.h"
#include "platform/safe_replace.h"

namespace kelvo::windows {

namespace {

using frontend::Command;

const QString kTextFilter = QStringLiteral("Plik tekstowy (*.txt)");
const QString kPdfFilter = QStringLiteral("Plik PDF (*.pdf)");
const QString kCsvFilter = QStringLiteral("Arkusz CSV (*.csv)");
// The driver's figures and their CSV are made in the working folder under
// this name, then the CSV replaces the chosen file whole.
constexpr char kFiguresName[] = "zestawienie";

// The file dialogs are Qt's own, the same on every desktop; they start in
// the folder the program was started from.
QString askForFile(QWidget* parent, const QString& startFolder, const char* name, QFileDialog::AcceptMode mode,
                   const QString& filter, const QString& suffix, const QString& proposed)
{
    QFileDialog dialog(parent, QString(), startFolder);
    dialog.setObjectName(QString::fromLatin1(name));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QPageSize pageSizeOf(const frontend::Paper& paper)
{
    return QPageSize(QSizeF(paper.widthMm, paper.heightMm), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
}

// Tells whether the print dialog's "Właściwości", where the paper is chosen,
// was opened while it is installed.
class PropertiesWatch : public QObject {
public:
    explicit PropertiesWatch(const QPrintDialog& dialog) : dialog_(dialog) { qApp->installEventFilter(this); }
    ~PropertiesWatch() override { qApp->removeEventFilter(this); }
    bool opened() const { return opened_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched != &dialog_ && watched->parent() == &dialog_
            && qobject_cast<QDialog*>(watched) != nullptr)
            opened_ = true;
        return false;
    }

private:
    const QPrintDialog& dialog_;
    bool opened_ = false;
};

// Qt's print dialog proposes for "Drukuj do pliku (PDF)" the job title with
// everything after its last dot replaced by ".pdf", which cuts
// "(01.2012r.)" short; while it is installed, the dialog proposes the given
// file instead.
class PdfNameProposal : public QObject {
public:
    explicit PdfNameProposal(QString path) : path_(std::move(path)) { qApp->installEventFilter(this); }
    ~PdfNameProposal() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<QPrintDialog*>(watched))
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename")))
                    name->setText(path_);
        return false;
    }

private:
    QString path_;
};

}

ReportCommands::ReportCommands(TfMain& main) : QObject(&main), main_(main)
{
    addCommands();
    connect(main_.commandAction(Command::Print), &QAction::triggered, this, &ReportCommands::print);
    connect(main_.commandAction(Command::SaveToDisk), &QAction::triggered, this, &ReportCommands::saveToDisk);
    connect(main_.commandAction(Command::Browse), &QAction::triggered, this, &ReportCommands::openSaved);
    connect(&main_, &TfMain::reportShown, this, &ReportCommands::keepInArchive);
    connect(main_.commandAction(Command::BurnCd), &QAction::triggered, this, &ReportCommands::burnToCd);
    connect(main_.commandAction(Command::AccountantFigures), &QAction::triggered, this, &ReportCommands::saveAccountantFigures);
    connect(&burn_, &QFutureWatcher<frontend::BurnResult>::finished, this, &ReportCommands::endBurn);
}

// "Podgląd wydruku" and "Zapis do pliku PDF" follow "Zapis na dysk" in the
// menu and the font button on the toolbar, and are available exactly when
// "Wydruk" is.
void ReportCommands::addCommands()
{
    QAction* print = main_.commandAction(Command::Print);
    QAction* save = main_.commandAction(Command::SaveToDisk);
    const auto make = [&](const char* caption, const char* name, const char* theme, const char* icon) {
        auto* action = new QAction(QIcon::fromTheme(QString::fromLatin1(theme), QIcon(QString::fromLatin1(icon))),
                                   QString::fromUtf8(caption), &main_);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(action->text());
        action->setEnabled(print->isEnabled());
        connect(print, &QAction::enabledChanged, action, &QAction::setEnabled);
        return action;
    };
    addRecorderChoice();
    preview_ = make("Podgląd wydruku", "Podgladwydruku1", "document-print-preview", ":/icons/podglad.svg");
    pdf_ = make("Zapis do pliku PDF", "ZapisdoplikuPDF1", "application-pdf", ":/icons/pdf.svg");
    connect(preview_, &QAction::triggered, this, &ReportCommands::showPreview);
    connect(pdf_, &QAction::triggered, this, &ReportCommands::saveAsPdf);

    if (auto* menu = qobject_cast<QMenu*>(save->parent())) {
        const QList<QAction*> items = menu->actions();
        const qsizetype at = items.indexOf(save) + 1;
        QAction* before = at < items.size() ? items[at] : nullptr;
        menu->insertAction(before, preview_);
        menu->insertAction(before, pdf_);
    }

    auto* toolbar = main_.findChild<QToolBar*>(QStringLiteral("tbTool"));
    QToolButton* fontButton = main_.toolbarButton(Command::Font);
    if (toolbar == nullptr || fontButton == nullptr)
        return;
    const QList<QAction*> items = toolbar->actions();
    qsizetype at = 0;
    while (at < items.size() && toolbar->widgetForAction(items[at]) != fontButton)
        ++at;
    QAction* before = at + 1 < items.size() ? items[at + 1] : nullptr;
    const std::pair<QAction*, const char*> buttons[] {{preview_, "tbPodglad"}, {pdf_, "tbPdf"}};
    for (const auto& [action, name] : buttons) {
        toolbar->insertSeparator(before);
        auto* button = new QToolButton(toolbar);
        button->setObjectName(QString::fromLatin1(name));
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        toolbar->insertWidget(before, button);
    }
}

// "Nagrywarka płyt CD" follows "Czcionka " in the menu.
void ReportCommands::addRecorderChoice()
{
    QAction* font = main_.commandAction(Command::Font);
    recorder_ = new QAction(QIcon::fromTheme(QStringLiteral("drive-optical")), QStringLiteral("Nagrywarka płyt CD"), &main_);
    recorder_->setObjectName(QStringLiteral("Nagrywarka1"));
    connect(recorder_, &QAction::triggered, this, &ReportCommands::chooseRecorder);
    if (auto* menu = qobject_cast<QMenu*>(font->parent())) {
        const QList<QAction*> items = menu->actions();
        const qsizetype at = items.indexOf(font) + 1;
        menu->insertAction(at < items.size() ? items[at] : nullptr, recorder_);
    }
}

// A drive from libburn's scan, an image file, or the first recorder found.
void ReportCommands::chooseRecorder()
{
    if (burning_)
        return;
    std::vector<std::string> drives;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    runBesideModalDialog([&drives] {
        const platform::BurnLibraries libraries;
        if (libraries.started())
            drives = platform::scanRecorders();
    });
    QApplication::restoreOverrideCursor();

    const QString first = QStringLiteral("Pierwsza znaleziona nagrywarka");
    const QString image = QStringLiteral("Plik obrazu płyty (ISO)…");
    const QString chosen = QString::fromStdString(frontend::chosenRecorder());
    QStringList items {first};
    for (const std::string& drive : drives)
        items.append(QString::fromStdString(drive));
    if (!chosen.isEmpty() && !items.contains(chosen))
        items.append(chosen);
    items.append(image);
    QInputDialog dialog(&main_);
    dialog.setObjectName(QStringLiteral("dlgNagrywarka"));
    dialog.setWindowTitle(QStringLiteral("Nagrywarka płyt CD"));
    dialog.setLabelText(QStringLiteral("Zapis na dysk CD nagrywa w:"));
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setTextValue(chosen.isEmpty() ? first : chosen);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString address = dialog.textValue();
    if (address == first) {
        address.clear();
    } else if (address == image) {
        const QString path = askForFile(&main_, startFolder(), "sdObrazPlyty", QFileDialog::AcceptSave,
                                        QStringLiteral("Obraz płyty (*.iso)"), QStringLiteral("iso"), QStringLiteral("raport.iso"));
        enterWorkingFolder();
        if (path.isEmpty())
            return;
        address = QStringLiteral("stdio:") + path;
    }
    if (!frontend::saveChosenRecorder(address.toStdString()))
        showMessage(&main_, QMessageBox::Warning, QStringLiteral("Nagrywarka płyt CD"),
                    QStringLiteral("Nie można zapisać wyboru nagrywarki."));
}

QString ReportCommands::jobTitle() const
{
    return QString::fromStdString(frontend::printJobTitle(main_.session().record));
}

QString ReportCommands::startFolder() const
{
    return QString::fromStdString(main_.session().startFolder);
}

// "Przeglądanie zapisanych raportów" looks first where every generated
// report is kept; before the first one, in the start folder.
QString ReportCommands::browseFolder() const
{
    const QString archive = QString::fromStdString(frontend::archiveFolder());
    return !archive.isEmpty() && QFileInfo(archive).isDir() ? archive : startFolder();
}

QString ReportCommands::reportPath() const
{
    return QDir(QString::fromStdString(main_.session().workingFolder)).filePath(main_.reportFileName());
}

void ReportCommands::enterWorkingFolder() const
{
    QDir::setCurrent(QString::fromStdString(main_.session().workingFolder));
}

void ReportCommands::printTo(QPrinter& printer)
{
    const QString saved = main_.statusText();
    printer.setDocName(jobTitle());
    const QFont font = fontForPrinting(main_.reportFont(), main_.display()->logicalDpiY());
    paintReportPages(printer, displayLines(*main_.display()), font, [this](int page) {
        main_.setStatusText(QStringLiteral("Trwa wydruk strony %1").arg(page));
    });
    main_.setStatusText(saved);
}

// The paper chosen in the last print dialog of this run, else the user's;
// never the default a printer's driver was built with.
QPageSize ReportCommands::paper() const
{
    return chosenPaper_ ? *chosenPaper_ : pageSizeOf(frontend::userPaper());
}

void ReportCommands::print()
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        showMessage(&main_, QMessageBox::Warning, QStringLiteral("Wydruk"),
                    QStringLiteral("Nie zainstalowano żadnej drukarki. Raport można zapisać do pliku PDF poleceniem "
                                   "„Zapis do pliku PDF”."));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setCopyCount(1);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(1, 1);
    QPrintDialog pDialog(&printer, &main_);
    pDialog.setObjectName(QStringLiteral("pDialog"));
    pDialog.setMinMax(1, 999);
    pDialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    pDialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    const PropertiesWatch properties(pDialog);
    if (pDialog.exec() != QDialog::Accepted)
        return;
    // The dialog gives the printer its driver's default paper; only a paper
    // seen in its properties was chosen.
    if (properties.opened())
        chosenPaper_ = printer.pageLayout().pageSize();
    else
        printer.setPageSize(paper());
    // Every page is printed, whatever range the dialog was given.
    printer.setPrintRange(QPrinter::AllPages);
    printTo(printer);
}

void ReportCommands::showPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(paper());
    const QString pdfPath = QDir(startFolder()).filePath(jobTitle() + QStringLiteral(".pdf"));
    // Without a printer the preview's print button saves a PDF, proposing
    // the printer's file name.
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setOutputFileName(pdfPath);
    const PdfNameProposal proposal(pdfPath);
    QPrintPreviewDialog dialog(&printer, &main_);
    dialog.setObjectName(QStringLiteral("Podgladwydruku"));
    dialog.setWindowTitle(QStringLiteral("Podgląd wydruku"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { printTo(*target); });
    dialog.exec();
}

int ReportCommands::exportPdf(const QString& path)
{
    return writePdf(QString::fromStdString(main_.session().workingFolder), path, [this](QPrinter& printer) { printTo(printer); });
}

void ReportCommands::tellSaveFailed(const QString& path, int error)
{
    showMessage(&main_, QMessageBox::NoIcon, QString(),
                QStringLiteral("BŁĄD W TRAKCIE ZAPISU NA DYSK\nPlik %1: %2").arg(path, QString::fromStdString(frontend::systemReason(error))));
}

void ReportCommands::saveAsPdf()
{
    const QString name = main_.reportFileName().isEmpty() ? openedName_ : main_.reportFileName();
    const QString path = askForFile(&main_, startFolder(), "sdZapisPdf", QFileDialog::AcceptSave, kPdfFilter, QStringLiteral("pdf"),
                                    QFileInfo(name).completeBaseName() + QStringLiteral(".pdf"));
    enterWorkingFolder();
    if (path.isEmpty())
        return;
    if (const int error = exportPdf(path))
        tellSaveFailed(path, error);
}

void ReportCommands::saveToDisk()
{
    const QString source = reportPath();
    const QString target = askForFile(&main_, startFolder(), "sdZapisNaDysk", QFileDialog::AcceptSave, kTextFilter, QStringLiteral("TXT"),
                                      main_.reportFileName());
    if (!target.isEmpty() && QFileInfo(source).isFile()) {
        if (const int error = platform::copyFile(source.toStdString(), target.toStdString()))
            tellSaveFailed(target, error);
    }
    enterWorkingFolder();
}

// The CSV of the report read in this run, from the driver's figures of it.
void ReportCommands::saveAccountantFigures()
{
    const QString target = askForFile(&main_, startFolder(), "sdZestawienie", QFileDialog::AcceptSave, kCsvFilter, QStringLiteral("csv"),
                                      QFileInfo(main_.reportFileName()).completeBaseName() + QStringLiteral(".csv"));
    enterWorkingFolder();
    if (target.isEmpty())
        return;
    const std::string folder = main_.session().workingFolder;
    std::string error;
    if (frontend::writeAccountantFigures(folder, kFiguresName, error) != 0) {
        platform::removeFile(folder + "/" + kFiguresName + ".json");
        showMessage(&main_, QMessageBox::Warning, QStringLiteral("UWAGA"), QString::fromStdString(error));
        return;
    }
    const std::string base = folder + "/" + kFiguresName;
    const int failure = platform::copyFile(base + ".csv", target.toStdString());
    platform::removeFile(base + ".csv");
    platform::removeFile(base + ".json");
    if (failure != 0)
        tellSaveFailed(target, failure);
}

void ReportCommands::openSaved()
{
    const QString path = askForFile(&main_, browseFolder(), "sdOdczytZDysku", QFileDialog::AcceptOpen, kTextFilter, QString(), QString());
    if (!path.isEmpty()) {
        if (const int error = main_.showReportFile(path)) {
            showMessage(&main_, QMessageBox::Warning, QStringLiteral("UWAGA"),
                        QStringLiteral("NIE MOŻNA OTWORZYĆ RAPORTU\nPlik %1: %2").arg(path, QString::fromStdString(frontend::systemReason(error))));
        } else {
            openedName_ = QFileInfo(path).fileName();
            main_.setCommandStates(frontend::CommandEvent::SavedReportOpened);
        }
    }
    enterWorkingFolder();
    main_.setStatusText(QString());
}

// The report just generated goes into the archive with its PDF, drawn as
// "Zapis do pliku PDF" draws it. A failure is told, and the report stays in
// the display, to be printed and saved as ever.
void ReportCommands::keepInArchive()
{
    const std::string folder = main_.session().workingFolder;
    const QString baseName = QFileInfo(main_.reportFileName()).completeBaseName();
    const QString pdf = QDir(QString::fromStdString(folder)).filePath(baseName + QStringLiteral(".pdf"));
    const int pdfError = exportPdf(pdf);
    std::string figuresError;
    const bool figures = frontend::writeAccountantFigures(folder, baseName.toStdString(), figuresError) == 0;
    const std::string figuresBase = folder + "/" + baseName.toStdString();
    const frontend::ArchivedFiles files {reportPath().toStdString(), pdfError == 0 ? pdf.toStdString() : std::string(),
        figures ? figuresBase + ".json" : std::string(), figures ? figuresBase + ".csv" : std::string()};
    const frontend::ArchiveEntry entry =
        frontend::generatedReportEntry(main_.session(), main_.reportFileName().toStdString(), std::time(nullptr));
    std::string error;
    const int failed = frontend::archiveReport(entry, files, error);
    QFile::remove(pdf);
    platform::removeFile(figuresBase + ".json");
    platform::removeFile(figuresBase + ".csv");
    if (failed == 0 && pdfError == 0 && figures)
        return;
    const QString why = failed != 0 ? QString::fromStdString(error)
        : pdfError != 0 ? QStringLiteral("nie można utworzyć pliku PDF: %1").arg(QString::fromStdString(frontend::systemReason(pdfError)))
                        : QStringLiteral("nie można utworzyć zestawienia dla księgowości: %1").arg(QString::fromStdString(figuresError));
    showMessage(&main_, QMessageBox::Warning, QStringLiteral("UWAGA"),
                QStringLiteral("RAPORT NIE ZOSTAŁ W CAŁOŚCI ZACHOWANY W ARCHIWUM RAPORTÓW\n%1\n"
                               "Raport jest wyświetlony; można go wydrukować i zapisać na dysk.").arg(why));
}

void ReportCommands::burnToCd()
{
    if (burning_)
        return;
    burning_ = true;
    recorder_->setEnabled(false);
    main_.setClosingAllowed(false);
    statusBeforeBurn_ = main_.statusText();
    main_.setStatusText(QString::fromStdString(frontend::burnProgressText(0, 0)));
    const std::string folder = main_.session().workingFolder;
    const std::string name = main_.reportFileName().toStdString();
    TfMain* window = &main_;
    burnProblem_ = std::make_shared<platform::BurnProblem>();
    burn_.setFuture(QtConcurrent::run([folder, name, window, problem = burnProblem_] {
        frontend::PlatformBurnSystem system;
        return frontend::burnReportToCd(folder, name, system, [window](int written, int total) {
            const QString text = QString::fromStdString(frontend::burnProgressText(written, total));
            QMetaObject::invokeMethod(window, [window, text] { window->setStatusText(text); }, Qt::QueuedConnection);
        }, problem.get());
    }));
}

void ReportCommands::endBurn()
{
    const frontend::BurnResult result = burn_.result();
    main_.setStatusText(statusBeforeBurn_);
    main_.setClosingAllowed(true);
    burning_ = false;
    recorder_->setEnabled(true);
    const frontend::BurnMessage message = frontend::burnMessage(result);
    // The recorder's problem, in Polish, under the message.
    const std::string problem = result == frontend::BurnResult::Done ? std::string() : frontend::burnProblemText(*burnProblem_);
    showMessage(&main_, result == frontend::BurnResult::Done ? QMessageBox::NoIcon : QMessageBox::Critical,
                QString::fromStdString(message.caption),
                QString::fromStdString(problem.empty() ? message.text : message.text + "\n" + problem));
    enterWorkingFolder();
    emit burnFinished(result);
}

}
