#include "frontend/windows/report_commands.h"

#include <cerrno>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
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

#include "frontend/logic/cd_burn.h"
#include "frontend/logic/print_layout.h"
#include "frontend/windows/main_window.h"
#include "frontend/windows/report_pages.h"
#include "frontend/logic/system_reason.h"
#include "platform/safe_replace.h"

namespace kelvo::windows {

namespace {

using frontend::Command;

const QString kTextFilter = QStringLiteral("Plik tekstowy (*.txt)");
const QString kPdfFilter = QStringLiteral("Plik PDF (*.pdf)");

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

}

ReportCommands::ReportCommands(TfMain& main) : QObject(&main), main_(main)
{
    addCommands();
    connect(main_.commandAction(Command::Print), &QAction::triggered, this, &ReportCommands::print);
    connect(main_.commandAction(Command::SaveToDisk), &QAction::triggered, this, &ReportCommands::saveToDisk);
    connect(main_.commandAction(Command::Browse), &QAction::triggered, this, &ReportCommands::openSaved);
    connect(main_.commandAction(Command::BurnCd), &QAction::triggered, this, &ReportCommands::burnToCd);
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

QString ReportCommands::jobTitle() const
{
    return QString::fromStdString(frontend::printJobTitle(main_.session().record));
}

QString ReportCommands::startFolder() const
{
    return QString::fromStdString(main_.session().startFolder);
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

void ReportCommands::print()
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        showMessage(&main_, QMessageBox::Warning, QStringLiteral("Wydruk"), QStringLiteral("Nie zainstalowano żadnej drukarki."));
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
    if (pDialog.exec() != QDialog::Accepted)
        return;
    // Every page is printed, whatever range the dialog was given.
    printer.setPrintRange(QPrinter::AllPages);
    printTo(printer);
}

void ReportCommands::showPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, &main_);
    dialog.setObjectName(QStringLiteral("Podgladwydruku"));
    dialog.setWindowTitle(QStringLiteral("Podgląd wydruku"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { printTo(*target); });
    dialog.exec();
}

int ReportCommands::exportPdf(const QString& path)
{
    // The pages go to the private working folder first, then replace the
    // chosen file whole, so that a failure never leaves half a PDF there.
    const QString pages = QDir(QString::fromStdString(main_.session().workingFolder)).filePath(QStringLiteral("eksport.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pages);
        printer.setCreator(QStringLiteral("kelvor"));
        // The narrow margins of an ordinary page printer.
        printer.setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
        printTo(printer);
    }
    const int error = QFileInfo(pages).size() > 0 ? platform::copyFile(pages.toStdString(), path.toStdString()) : EIO;
    QFile::remove(pages);
    return error;
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

void ReportCommands::openSaved()
{
    const QString path = askForFile(&main_, startFolder(), "sdOdczytZDysku", QFileDialog::AcceptOpen, kTextFilter, QString(), QString());
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

void ReportCommands::burnToCd()
{
    if (burning_)
        return;
    burning_ = true;
    main_.setClosingAllowed(false);
    statusBeforeBurn_ = main_.statusText();
    main_.setStatusText(QString::fromStdString(frontend::burnProgressText(0, 0)));
    const std::string folder = main_.session().workingFolder;
    const std::string name = main_.reportFileName().toStdString();
    TfMain* window = &main_;
    burn_.setFuture(QtConcurrent::run([folder, name, window] {
        frontend::PlatformBurnSystem system;
        return frontend::burnReportToCd(folder, name, system, [window](int written, int total) {
            const QString text = QString::fromStdString(frontend::burnProgressText(written, total));
            QMetaObject::invokeMethod(window, [window, text] { window->setStatusText(text); }, Qt::QueuedConnection);
        });
    }));
}

void ReportCommands::endBurn()
{
    const frontend::BurnResult result = burn_.result();
    main_.setStatusText(statusBeforeBurn_);
    main_.setClosingAllowed(true);
    burning_ = false;
    const frontend::BurnMessage message = frontend::burnMessage(result);
    showMessage(&main_, result == frontend::BurnResult::Done ? QMessageBox::NoIcon : QMessageBox::Critical,
                QString::fromStdString(message.caption), QString::fromStdString(message.text));
    enterWorkingFolder();
    emit burnFinished(result);
}

}
