// Printing, PDF export, saving, reopening and burning through the main
// window, with a report read from the register simulator.
#include <QAction>
#include <cstdlib>
#include <filesystem>
#include <QCloseEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "frontend/logic/report_archive.h"
#include "frontend/logic/user_paper.h"
#include "frontend/windows/report_commands.h"
#include "frontend/windows/report_pages.h"
#include "platform/file_access.h"
#include "tests/frontend/windows/private_cups.h"
#include "tests/support/command_output.h"
#include "tests/support/small_disk.h"
#include "tests/frontend/windows/windows_fixture.h"

using kelvo::frontend::BurnResult;
using kelvo::frontend::Command;
using kelvo::test::commandOutput;
using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

std::vector<std::string> split(const std::string& text, char by)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(by, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The text of each page of a PDF, laid out as printed, without trailing blanks.
std::vector<std::vector<std::string>> pdfPages(const std::string& pdf)
{
    std::vector<std::vector<std::string>> pages;
    auto texts = split(commandOutput("pdftotext -layout '" + pdf + "' -"), '\f');
    texts.pop_back();  // after the last page's form feed
    for (const std::string& text : texts) {
        auto lines = split(text, '\n');
        for (auto& line : lines)
            line.erase(line.find_last_not_of(' ') + 1);
        while (!lines.empty() && lines.back().empty())
            lines.pop_back();
        pages.push_back(lines);
    }
    return pages;
}

class ReportCommandsTest : public kelvo::test::WindowsTest {
protected:
    void SetUp() override
    {
        start();
        mainWindow().show();
    }

    kelvo::windows::ReportCommands& commands() const { return windows_->reportCommands(); }

    // The display holding the given lines, as a reopened report would.
    void showLines(const QStringList& lines)
    {
        mainWindow().display()->setPlainText(lines.join(QLatin1Char('\n')));
        mainWindow().display()->show();
        mainWindow().setCommandStates(kelvo::frontend::CommandEvent::SavedReportOpened);
    }

    // A monthly report of January 2012 read from the simulator, as many times as asked.
    void readReport(int reads = 1)
    {
        startRegister({"--scenario", scenario("orvan-month.json")});
        auto& record = windows_->session().record;
        record.port = 1;
        record.speed = 9600;
        record.registerNumber = 1;
        record.portTimeout = 5;
        windows_->session().uniqueNumber = "ABC12345678";
        kelvo::frontend::RangeChoice choice;
        choice.kind = 1;
        choice.monthItem = 0;
        choice.year = 2012;
        for (int read = 0; read < reads; ++read)
            ASSERT_TRUE(mainWindow().readReport(choice));
        ASSERT_FALSE(mainWindow().reportFileName().isEmpty());
        // The file dialogs look into the files beside the folders they show,
        // and reading the pseudo-terminal's link would keep them waiting.
        std::filesystem::remove(dir_.file("com"));
    }

    // Answers the next file dialog with a path.
    void choose(const std::string& path)
    {
        answers_.push([path](QWidget* dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
                files->selectFile(QString::fromStdString(path));
                static_cast<QDialog*>(files)->accept();
            }
        });
    }
    void cancel()
    {
        answers_.push([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    }

    // Prints the display to a PDF through the print routine, recording the
    // status line at every page.
    std::string printToPdf(const std::string& name,
                           const QPageLayout& page = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5)))
    {
        const std::string path = dir_.file(name);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(path));
        printer.setPageLayout(page);
        commands().printTo(printer);
        return path;
    }

    std::string cwd() const { return std::filesystem::current_path().string(); }

    std::string saved(const std::string& name) const
    {
        std::filesystem::create_directories(dir_.file("saved"));
        return dir_.file("saved/" + name);
    }
};

// Accepts a file dialog once the answering timer has returned, so that the
// overwrite question the dialog then asks gets answered too.
void acceptLater(QFileDialog* files)
{
    QTimer::singleShot(0, files, [files] { static_cast<QDialog*>(files)->accept(); });
}

QStringList numbered(int count)
{
    QStringList lines;
    for (int n = 1; n <= count; ++n)
        lines.append(QStringLiteral("LINIA %1").arg(n, 4, 10, QLatin1Char('0')));
    return lines;
}

}

TEST_F(ReportCommandsTest, PagesColumnsAndRowsOfThePrintout)
{
    showLines(numbered(3));
    const auto probe = pdfPages(printToPdf("probe.pdf"));
    ASSERT_EQ(probe.size(), 1u);
    ASSERT_FALSE(probe[0].empty());

    // Measure the page's rows and columns from a long printout: the first
    // page's last row and the number of columns on its first row.
    showLines(numbered(2000));
    const auto pages = pdfPages(printToPdf("long.pdf"));
    ASSERT_GE(pages.size(), 2u);
    const std::size_t rows = pages[0].size();
    std::vector<std::string> firstRow;
    for (const std::string& word : split(pages[0][0], ' '))
        if (word.starts_with("LINIA") || (!word.empty() && std::isdigit(static_cast<unsigned char>(word[0]))))
            firstRow.push_back(word);
    const std::size_t columns = firstRow.size() / 2;
    ASSERT_GE(columns, 2u) << pages[0][0];
    ASSERT_GT(rows, 10u);
    EXPECT_NE(pages[0][0].find("LINIA " + QStringLiteral("%1").arg(rows + 1, 4, 10, QLatin1Char('0')).toStdString()),
              std::string::npos)
        << "the second column goes on where the first ended: " << pages[0][0];

    showLines(numbered(static_cast<int>(rows * columns)));
    mainWindow().setStatusText(QStringLiteral("Raport okresowy miesięczny"));
    auto full = pdfPages(printToPdf("full.pdf"));
    EXPECT_EQ(full.size(), 1u) << "rows times columns lines fill exactly one page";
    EXPECT_EQ(full[0].size(), rows);

    showLines(numbered(static_cast<int>(rows * columns + 1)));
    full = pdfPages(printToPdf("onemore.pdf"));
    ASSERT_EQ(full.size(), 2u) << "one more line adds a page";
    EXPECT_EQ(full[1], std::vector<std::string> {"LINIA " + QStringLiteral("%1").arg(rows * columns + 1, 4, 10, QLatin1Char('0')).toStdString()});
    EXPECT_EQ(mainWindow().statusText(), QStringLiteral("Raport okresowy miesięczny")) << "the status line's text is put back";

    QStringList cut {QString(45, QLatin1Char('x')) + QStringLiteral("ABCDE"), QStringLiteral("krótka")};
    for (std::size_t k = 2; k < rows; ++k)
        cut.append(QStringLiteral("w%1").arg(k));
    cut.append(QStringLiteral("PRAWA"));
    cut.append(QStringLiteral("ŁĄCZNA"));
    showLines(cut);
    const auto cutPages = pdfPages(printToPdf("cut.pdf"));
    ASSERT_EQ(cutPages.size(), 1u);
    const std::string& first = cutPages[0][0];
    EXPECT_EQ(first.substr(0, 40), std::string(40, 'x'));
    EXPECT_EQ(first.find("ABCDE"), std::string::npos) << "the characters after the fortieth are not printed";
    const std::size_t right = first.find("PRAWA");
    ASSERT_NE(right, std::string::npos) << first;
    EXPECT_EQ(QString::fromStdString(cutPages[0][1]).indexOf(QStringLiteral("ŁĄCZNA")), static_cast<qsizetype>(right))
        << "the next column stays aligned, counted in characters: " << cutPages[0][1];
}

TEST_F(ReportCommandsTest, ThePreviewShowsThePagesOfThePrintout)
{
    showLines(numbered(2000));
    int previewPages = 0;
    QPageLayout page;
    answers_.push([&](QWidget* dialog) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(dialog);
        ASSERT_NE(preview, nullptr) << dialog->metaObject()->className();
        EXPECT_EQ(preview->windowTitle(), QStringLiteral("Podgląd wydruku"));
        auto* pages = preview->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(pages, nullptr);
        pages->updatePreview();
        previewPages = pages->pageCount();
        page = preview->printer()->pageLayout();
        preview->resize(900, 700);
        if (const char* shot = std::getenv("KELVO_PREVIEW_SHOT"))
            preview->grab().save(QString::fromLocal8Bit(shot));
        preview->reject();
    });
    commands().previewAction()->trigger();
    ASSERT_EQ(answers_.left(), 0u) << "the preview was shown";
    const auto printed = pdfPages(printToPdf("same.pdf", page));
    EXPECT_GT(previewPages, 1);
    EXPECT_EQ(static_cast<std::size_t>(previewPages), printed.size()) << "the preview draws the printout's pages";
}

TEST_F(ReportCommandsTest, StatusLineDuringPrintingAndTheJobTitle)
{
    // A printer that notes the status line whenever a page is finished.
    struct NotingPrinter : QPrinter {
        std::function<void()> pageDone;
        NotingPrinter() : QPrinter(QPrinter::HighResolution) { }
        bool newPage() override
        {
            pageDone();
            return QPrinter::newPage();
        }
    };
    showLines(numbered(400));
    mainWindow().setStatusText(QStringLiteral("przed"));
    std::vector<QString> seen;
    NotingPrinter printer;
    printer.pageDone = [&] { seen.push_back(mainWindow().statusText()); };
    const std::string pdf = dir_.file("title.pdf");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    windows_->session().record.reportKind = 6;
    windows_->session().record.reportVariant = 0;
    commands().printTo(printer);

    const std::string info = commandOutput("pdfinfo '" + pdf + "'");
    const std::size_t title = info.find("Title:");
    ASSERT_NE(title, std::string::npos) << info;
    const std::size_t text = info.find_first_not_of(' ', title + 6);
    EXPECT_EQ(info.substr(text, info.find('\n', text) - text), "Raport okresowy szczegółowy ") << "nothing after the variant";
    const auto pages = pdfPages(pdf);
    ASSERT_GE(pages.size(), 3u);
    std::vector<QString> expected;
    for (std::size_t page = 1; page < pages.size(); ++page)
        expected.push_back(QStringLiteral("Trwa wydruk strony %1").arg(page));
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(mainWindow().statusText(), QStringLiteral("przed")) << "the earlier text is put back";
}

TEST_F(ReportCommandsTest, SavingOverAFileCancellingAndAFailedCopy)
{
    readReport();
    const std::string report = readFile(work(mainWindow().reportFileName().toStdString()));
    const std::string target = saved("zapisany.txt");
    writeFile(target, "an older file");

    // The dialog proposes the report's name and asks before overwriting.
    QString proposed;
    answers_.push([&proposed, target](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        proposed = files->selectedFiles().value(0);
        EXPECT_EQ(files->nameFilters(), QStringList {QStringLiteral("Plik tekstowy (*.txt)")});
        EXPECT_EQ(files->defaultSuffix(), QStringLiteral("TXT"));
        QDir::setCurrent(QString::fromStdString(std::filesystem::path(target).parent_path().string()));
        files->selectFile(QString::fromStdString(target));
        acceptLater(files);
    });
    answers_.press(QMessageBox::Yes);
    mainWindow().commandAction(Command::SaveToDisk)->trigger();
    EXPECT_EQ(answers_.left(), 0u) << "the overwrite question was asked";
    EXPECT_EQ(QFileInfo(proposed).fileName(), mainWindow().reportFileName());
    EXPECT_EQ(readFile(target), report) << "byte for byte";
    EXPECT_EQ(cwd(), windows_->session().workingFolder) << "the working folder is current again";

    const std::string untouched = saved("other.txt");
    cancel();
    QDir::setCurrent(QString::fromStdString(dir_.file("saved")));
    mainWindow().commandAction(Command::SaveToDisk)->trigger();
    EXPECT_FALSE(std::filesystem::exists(untouched));
    EXPECT_EQ(cwd(), windows_->session().workingFolder);

    // No file can be made under a plain file, not even by root.
    const std::string plain = saved("plik");
    writeFile(plain, "not a folder");
    answers_.push([plain](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        files->selectFile(QString::fromStdString(plain + "/raport.txt"));
        static_cast<QDialog*>(files)->done(QDialog::Accepted);
    });
    answers_.press(QMessageBox::Ok);
    mainWindow().commandAction(Command::SaveToDisk)->trigger();
    ASSERT_EQ(answers_.left(), 0u);
    EXPECT_EQ(answers_.seen().back().text, QStringLiteral("BŁĄD W TRAKCIE ZAPISU NA DYSK\nPlik %1: część ścieżki nie jest folderem")
                                                .arg(QString::fromStdString(plain + "/raport.txt")));
    EXPECT_EQ(answers_.seen().back().icon, QMessageBox::NoIcon) << "a plain message box";
    EXPECT_EQ(cwd(), windows_->session().workingFolder);
}

TEST_F(ReportCommandsTest, AReopenedReportIsShownPrintedAndNotSaved)
{
    readReport();
    const QString generated = mainWindow().reportFileName();
    const std::string old = saved("stary.txt");
    writeFile(old, "R A P O R T\r\nZapisany wcze\x9Cniej\r\n");
    mainWindow().setStatusText(QStringLiteral("tytu\u0142"));

    cancel();
    mainWindow().commandAction(Command::Browse)->trigger();
    EXPECT_TRUE(mainWindow().statusText().isEmpty()) << "the status line is cleared after the dialog";
    EXPECT_EQ(cwd(), windows_->session().workingFolder);

    answers_.push([old](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        EXPECT_EQ(files->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(files->nameFilters(), QStringList {QStringLiteral("Plik tekstowy (*.txt)")});
        files->selectFile(QString::fromStdString(old));
        static_cast<QDialog*>(files)->accept();
    });
    mainWindow().commandAction(Command::Browse)->trigger();
    EXPECT_EQ(mainWindow().display()->toPlainText(), QStringLiteral("R A P O R T\nZapisany wcześniej\n"));
    EXPECT_TRUE(mainWindow().commandAction(Command::Print)->isEnabled());
    EXPECT_TRUE(commands().previewAction()->isEnabled());
    EXPECT_TRUE(commands().pdfAction()->isEnabled());
    EXPECT_EQ(cwd(), windows_->session().workingFolder);

    const std::string pdf = printToPdf("reopened.pdf");
    const auto pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], (std::vector<std::string> {"R A P O R T", "Zapisany wcześniej"}));
    const std::string info = commandOutput("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.find("Raport okresowy szczegółowy miesięczny (01.2012r.)"), std::string::npos)
        << "the job title names the generated report: " << info;

    QString proposed;
    answers_.push([&proposed](QWidget* dialog) {
        proposed = QFileInfo(qobject_cast<QFileDialog*>(dialog)->selectedFiles().value(0)).fileName();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    mainWindow().commandAction(Command::SaveToDisk)->trigger();
    EXPECT_EQ(proposed, generated) << "saving still offers the generated report";
}

TEST_F(ReportCommandsTest, PdfExportThroughItsDialog)
{
    readReport();
    const std::string pdf = saved("eksport.pdf");
    writeFile(pdf, "old");
    QString proposed;
    answers_.push([&proposed, pdf](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        proposed = QFileInfo(files->selectedFiles().value(0)).fileName();
        EXPECT_EQ(files->nameFilters(), QStringList {QStringLiteral("Plik PDF (*.pdf)")});
        files->selectFile(QString::fromStdString(pdf));
        acceptLater(files);
    });
    answers_.press(QMessageBox::Yes);
    commands().pdfAction()->trigger();
    EXPECT_EQ(answers_.left(), 0u) << "asked before overwriting";
    EXPECT_EQ(proposed, QFileInfo(mainWindow().reportFileName()).completeBaseName() + QStringLiteral(".pdf"));
    const auto pages = pdfPages(pdf);
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(pages[0][0].find("     SKLEP SPOZYWCZY KELVO"), 0u) << "the report's first line heads the page: " << pages[0][0];
    EXPECT_NE(commandOutput("pdfinfo '" + pdf + "'").find("Raport okresowy szczegółowy miesięczny (01.2012r.)"), std::string::npos);
}

TEST_F(ReportCommandsTest, TheAccountantsFiguresOfTheReportReadInThisRunAndNotOfAReopenedOne)
{
    QAction* figures = mainWindow().commandAction(Command::AccountantFigures);
    EXPECT_FALSE(figures->isEnabled()) << "no report yet";
    readReport();
    ASSERT_TRUE(figures->isEnabled());
    EXPECT_TRUE(mainWindow().toolbarButton(Command::AccountantFigures)->isEnabled());

    const std::string csv = saved("ksiegowa.csv");
    writeFile(csv, "an older file");
    QString proposed;
    answers_.push([&proposed, csv](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        proposed = QFileInfo(files->selectedFiles().value(0)).fileName();
        EXPECT_EQ(files->nameFilters(), QStringList {QStringLiteral("Arkusz CSV (*.csv)")});
        files->selectFile(QString::fromStdString(csv));
        acceptLater(files);
    });
    answers_.press(QMessageBox::Yes);
    QTest::mouseClick(mainWindow().toolbarButton(Command::AccountantFigures), Qt::LeftButton);
    EXPECT_EQ(answers_.left(), 0u) << "asked before overwriting";
    EXPECT_EQ(proposed, QFileInfo(mainWindow().reportFileName()).completeBaseName() + QStringLiteral(".csv"));
    const std::string written = readFile(csv);
    ASSERT_EQ(written.rfind("\xEF\xBB\xBF", 0), 0u) << written;
    EXPECT_NE(written.find(";PLN;A;23,00;1898,01;436,54;2334,55;;K_19;K_20\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find(";PLN;;razem;2308,42;463,43;2771,85;84;;\r\n"), std::string::npos) << written;
    EXPECT_EQ(cwd(), windows_->session().workingFolder);
    EXPECT_FALSE(std::filesystem::exists(work("zestawienie.csv"))) << "nothing left in the working folder";
    EXPECT_FALSE(std::filesystem::exists(work("zestawienie.json")));

    showLines({QStringLiteral("R A P O R T"), QStringLiteral("otwarty z dysku")});
    EXPECT_FALSE(figures->isEnabled()) << "a reopened report has no records";
    EXPECT_FALSE(mainWindow().toolbarButton(Command::AccountantFigures)->isEnabled());
}

TEST_F(ReportCommandsTest, AGeneratedReportIsKeptInTheArchiveOnceAndBrowsingStartsThere)
{
    readReport(2);  // the same report twice
    EXPECT_TRUE(answers_.seen().empty()) << "no warning: " << answers_.seen().front().text.toStdString();

    const std::string folder = dir_.file("data/kelvor/raporty/ABC12345678");
    const std::string report = readFile(work(mainWindow().reportFileName().toStdString()));
    EXPECT_EQ(readFile(folder + "/ABC12345678_SZCZ201201.txt"), report);
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        kept.push_back(entry.path().filename().string());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string> {"ABC12345678_SZCZ201201.csv", "ABC12345678_SZCZ201201.json",
                        "ABC12345678_SZCZ201201.opis", "ABC12345678_SZCZ201201.pdf", "ABC12345678_SZCZ201201.txt"}))
        << "the same report is kept once, with its PDF and the accountant's figures";
    EXPECT_NE(readFile(folder + "/ABC12345678_SZCZ201201.json").find("\"unique\""), std::string::npos);
    ASSERT_EQ(commands().exportPdf(QString::fromStdString(dir_.file("own.pdf"))), 0);
    EXPECT_EQ(pdfPages(folder + "/ABC12345678_SZCZ201201.pdf"), pdfPages(dir_.file("own.pdf")))
        << "the PDF is the one the windows export";
    const auto listed = kelvo::frontend::listArchive("ABC12345678");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].kind, 1);
    EXPECT_EQ(listed[0].range, "01.2012");
    EXPECT_EQ(listed[0].registerNumber, "1");
    const auto names = folderNames();
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                  [](const std::string& name) {
                      return name.ends_with(".pdf") || name.ends_with(".json") || name.ends_with(".csv");
                  }),
        0)
        << "no PDF nor figures are left in the working folder";

    QString shownFolder;
    answers_.push([&shownFolder](QWidget* dialog) {
        shownFolder = qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    mainWindow().commandAction(Command::Browse)->trigger();
    EXPECT_EQ(shownFolder.toStdString(), dir_.file("data/kelvor/raporty"));
}

TEST_F(ReportCommandsTest, AReportThatCannotBeArchivedIsStillShownWithAWarning)
{
    std::filesystem::create_directories(dir_.file("data/kelvor"));
    writeFile(dir_.file("data/kelvor/raporty"), "not a folder");
    answers_.press(QMessageBox::Ok);
    readReport();
    ASSERT_EQ(answers_.seen().size(), 1u);
    EXPECT_EQ(answers_.seen()[0].caption, QStringLiteral("UWAGA"));
    EXPECT_EQ(answers_.seen()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(answers_.seen()[0].text.startsWith(QStringLiteral("RAPORT NIE ZOSTAŁ W CAŁOŚCI ZACHOWANY W ARCHIWUM RAPORTÓW\n")))
        << answers_.seen()[0].text.toStdString();
    EXPECT_TRUE(answers_.seen()[0].text.contains(QString::fromStdString(dir_.file("data/kelvor/raporty"))));
    EXPECT_TRUE(mainWindow().display()->isVisible());
    EXPECT_FALSE(mainWindow().display()->toPlainText().isEmpty());
    EXPECT_TRUE(mainWindow().commandAction(Command::SaveToDisk)->isEnabled());
    EXPECT_EQ(readFile(dir_.file("data/kelvor/raporty")), "not a folder");
}

TEST_F(ReportCommandsTest, TheCommandLinesPdfIsTheWindowsPdfPageForPage)
{
    readReport();
    const std::string windowsPdf = saved("okna.pdf");
    ASSERT_EQ(commands().exportPdf(QString::fromStdString(windowsPdf)), 0);

    // The same month read by kelvor-cli from a register of its own, in a working folder of its own.
    startRegister({"--scenario", scenario("orvan-month.json")});
    std::filesystem::create_directories(dir_.file("cli"));
    const std::string command = "cd '" + dir_.path() + "' && TEMP='" + dir_.file("cli") + "' " + KELVOR_CLI_PATH
        + " --port 1 --speed 9600 --output wyniki 1 2012.01 >/dev/null 2>'" + dir_.file("cli.err") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << readFile(dir_.file("cli.err"));
    std::vector<std::string> pdfs;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.file("wyniki")))
        if (entry.path().extension() == ".pdf")
            pdfs.push_back(entry.path().string());
    ASSERT_EQ(pdfs.size(), 1u);
    const auto windowsPages = pdfPages(windowsPdf);
    ASSERT_FALSE(windowsPages.empty());
    EXPECT_EQ(pdfPages(pdfs.front()), windowsPages);
}

TEST_F(ReportCommandsTest, BurningToAnImageWhileTheWindowRefusesToClose)
{
    readReport();
    const std::string report = readFile(work(mainWindow().reportFileName().toStdString()));
    kelvo::test::ScopedEnv data("XDG_DATA_HOME", dir_.file("data"));
    kelvo::test::ScopedEnv drive("KELVO_CD_DRIVE", "stdio:" + dir_.file("disc.iso"));
    const std::string staging = dir_.file("data/kelvor/nagrywanie");
    std::filesystem::create_directories(staging);
    writeFile(staging + "/czeka.txt", "waiting before");

    QSignalSpy finished(&commands(), &kelvo::windows::ReportCommands::burnFinished);
    answers_.press(QMessageBox::Ok);
    mainWindow().commandAction(Command::BurnCd)->trigger();
    ASSERT_TRUE(commands().burning());
    EXPECT_FALSE(mainWindow().closingAllowed());
    EXPECT_TRUE(mainWindow().statusText().startsWith(QStringLiteral("Trwa nagrywanie dysku CD")));
    QCloseEvent close;
    QApplication::sendEvent(&mainWindow(), &close);
    EXPECT_FALSE(close.isAccepted()) << "no closing during the burn";
    EXPECT_EQ(answers_.seen().size(), 0u) << "and no question";
    ASSERT_TRUE(finished.wait(600000) || finished.count() == 1);
    QTest::qWait(50);
    EXPECT_EQ(finished.at(0).at(0).value<BurnResult>(), BurnResult::Done);
    EXPECT_TRUE(mainWindow().closingAllowed());
    ASSERT_EQ(answers_.left(), 0u);
    EXPECT_EQ(answers_.seen().back().caption, QStringLiteral("INFORMACJA"));
    EXPECT_EQ(answers_.seen().back().text, QStringLiteral("ZAPIS NA CD-ROM PRZEBIEGŁ PRAWIDŁOWO"));
    EXPECT_TRUE(std::filesystem::is_empty(staging)) << "waiting files gone, the copy too";
    EXPECT_EQ(cwd(), windows_->session().workingFolder);

    const std::string out = dir_.file("out");
    ASSERT_EQ(std::system(("xorriso -indev '" + dir_.file("disc.iso") + "' -osirrox on -extract / '" + out + "' >/dev/null 2>&1").c_str()), 0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string> {mainWindow().reportFileName().toStdString()});
    EXPECT_EQ(readFile(out + "/" + names[0]), report);
}

TEST_F(ReportCommandsTest, BurnWithoutARecorderAndWithoutTheReport)
{
    readReport();
    kelvo::test::ScopedEnv data("XDG_DATA_HOME", dir_.file("data"));
    kelvo::test::ScopedEnv drive("KELVO_CD_DRIVE", dir_.file("no-such-drive"));
    QSignalSpy finished(&commands(), &kelvo::windows::ReportCommands::burnFinished);
    answers_.press(QMessageBox::Ok);
    mainWindow().commandAction(Command::BurnCd)->trigger();
    ASSERT_TRUE(finished.wait(600000) || finished.count() == 1);
    QTest::qWait(50);
    EXPECT_EQ(finished.at(0).at(0).value<BurnResult>(), BurnResult::NoRecorder);
    ASSERT_EQ(answers_.left(), 0u);
    EXPECT_EQ(answers_.seen().back().caption, QStringLiteral("BŁĄD"));
    EXPECT_EQ(answers_.seen().back().icon, QMessageBox::Critical);
    EXPECT_EQ(answers_.seen().back().text, QStringLiteral("NIE WYKRYTO NAGRYWARKI PŁYT CDR/CD-RW\nNie można użyć napędu „")
        + QString::fromStdString(dir_.file("no-such-drive")) + QStringLiteral("”: nie ma takiego pliku ani folderu."));
    EXPECT_TRUE(std::filesystem::is_empty(dir_.file("data/kelvor/nagrywanie")));

    std::filesystem::remove(work(mainWindow().reportFileName().toStdString()));
    answers_.press(QMessageBox::Ok);
    mainWindow().commandAction(Command::BurnCd)->trigger();
    ASSERT_TRUE(finished.wait(600000) || finished.count() == 2);
    QTest::qWait(50);
    EXPECT_EQ(finished.at(1).at(0).value<BurnResult>(), BurnResult::StagingCopyFailed);
    EXPECT_EQ(answers_.seen().back().text, QStringLiteral("BŁĄD PRZYGOTOWYWANIA DANYCH NA DYSK"));
    EXPECT_TRUE(mainWindow().closingAllowed());
}

TEST_F(ReportCommandsTest, PrintedThroughARealCupsServer)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the test's own CUPS daemon needs root: it hands its filters to the lp user";
    kelvo::test::PrivateCups cups;
    ASSERT_TRUE(cups.running()) << "cupsd did not start: " << cups.errorLog();
    readReport();

    // No printer yet: the warning, and no dialog.
    answers_.push([](QWidget* dialog) {
        kelvo::test::shoot(dialog, "no-printer");
        qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Ok)->click();
    });
    mainWindow().commandAction(Command::Print)->trigger();
    ASSERT_EQ(answers_.left(), 0u);
    EXPECT_EQ(answers_.seen().back().caption, QStringLiteral("Wydruk"));
    EXPECT_EQ(answers_.seen().back().text, QStringLiteral("Nie zainstalowano żadnej drukarki. Raport można zapisać do "
                                                          "pliku PDF poleceniem „Zapis do pliku PDF”."))
        << "the way out is named in the same box";
    EXPECT_EQ(answers_.seen().back().icon, QMessageBox::Warning);

    ASSERT_TRUE(cups.addQueue("kelvo_pdf")) << cups.errorLog();

    QString printerName;
    answers_.push([&](QWidget* dialog) {
        auto* pDialog = qobject_cast<QPrintDialog*>(dialog);
        ASSERT_NE(pDialog, nullptr) << dialog->metaObject()->className();
        EXPECT_EQ(pDialog->objectName(), QStringLiteral("pDialog"));
        EXPECT_EQ(pDialog->printer()->copyCount(), 1);
        EXPECT_EQ(pDialog->minPage(), 1);
        EXPECT_EQ(pDialog->maxPage(), 999);
        EXPECT_EQ(pDialog->fromPage(), 1);
        EXPECT_EQ(pDialog->toPage(), 1);
        EXPECT_FALSE(pDialog->testOption(QAbstractPrintDialog::PrintToFile)) << "printing to a file is switched off";
        pDialog->accept();
        printerName = pDialog->printer()->printerName();
    });
    mainWindow().commandAction(Command::Print)->trigger();
    ASSERT_EQ(answers_.left(), 0u) << "the print dialog was shown";
    EXPECT_EQ(printerName, QStringLiteral("kelvo_pdf")) << "the server's default printer is offered";
    // The queue's page on the user's paper, as the job had it.
    QPrinter queue(QPrinter::HighResolution);
    queue.setPrinterName(QStringLiteral("kelvo_pdf"));
    queue.setPageSize(QPageSize(QSizeF(kelvo::frontend::userPaper().widthMm, kelvo::frontend::userPaper().heightMm),
                                QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
    const QPageLayout page = queue.pageLayout();
    ASSERT_TRUE(cups.waitForJobs()) << cups.errorLog();

    ASSERT_TRUE(std::filesystem::exists(cups.output())) << cups.errorLog();
    const auto printed = pdfPages(cups.output());
    // What the print routine draws on the queue's page, straight into a PDF.
    const auto drawn = pdfPages(printToPdf("drawn.pdf", page));
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed, drawn) << "the printer's pages are the routine's pages";
    const QStringList lines = kelvo::windows::displayLines(*mainWindow().display());
    EXPECT_EQ(printed[0][0].find(lines[0].toStdString()), 0u) << "the report's first line heads the first column: " << printed[0][0];

    const std::string title = "Raport okresowy szczegółowy miesięczny (01.2012r.)";
    EXPECT_NE(cups.pageLog().find("kelvo_pdf root 1 "), std::string::npos) << cups.pageLog();
    EXPECT_NE(cups.pageLog().find(title), std::string::npos) << "the job title: " << cups.pageLog();
}

TEST_F(ReportCommandsTest, ThePaperIsTheUsersNotTheDriversAndThePreviewKeepsTheWholeTitleForItsPdf)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the test's own CUPS daemon needs root: it hands its filters to the lp user";
    // A Polish desktop without a libpaper setting; the queue's generic PDF
    // driver was built with Letter, on which January takes two pages.
    const kelvo::test::ScopedEnv lang {"LANG", "pl_PL.UTF-8"};
    const kelvo::test::ScopedEnv all {"LC_ALL", ""};
    const kelvo::test::ScopedEnv paper {"LC_PAPER", ""};
    const kelvo::test::ScopedEnv size {"PAPERSIZE", ""};
    const kelvo::test::ScopedEnv conf {"PAPERCONF", dir_.file("no-papersize")};
    kelvo::test::PrivateCups cups;
    ASSERT_TRUE(cups.running()) << "cupsd did not start: " << cups.errorLog();
    ASSERT_TRUE(cups.addQueue("kelvo_pdf")) << cups.errorLog();
    readReport();

    answers_.push([&](QWidget* dialog) {
        auto* pDialog = qobject_cast<QPrintDialog*>(dialog);
        ASSERT_NE(pDialog, nullptr) << dialog->metaObject()->className();
        kelvo::test::shoot(pDialog, "print-dialog");
        pDialog->accept();
    });
    mainWindow().commandAction(Command::Print)->trigger();
    ASSERT_EQ(answers_.left(), 0u) << "the print dialog was shown";
    ASSERT_TRUE(cups.waitForJobs()) << cups.errorLog();
    const std::string info = commandOutput("pdfinfo '" + cups.output() + "'");
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << "January fits one A4 page: " << info;

    // The preview's print dialog proposes the job title whole as the PDF's name.
    QString proposed;
    QPointer<QPrintPreviewDialog> preview;
    answers_.push([&preview](QWidget* dialog) {
        preview = qobject_cast<QPrintPreviewDialog*>(dialog);
        ASSERT_NE(preview, nullptr) << dialog->metaObject()->className();
        preview->resize(900, 700);
        if (auto* pages = preview->findChild<QPrintPreviewWidget*>())
            pages->updatePreview();
        kelvo::test::shoot(preview, "print-preview");
        const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
        for (QAction* action : preview->findChildren<QAction*>())
            if (action->text() == print) {
                QTimer::singleShot(0, action, &QAction::trigger);
                return;
            }
        ADD_FAILURE() << "no print button in the preview";
        preview->reject();
    });
    answers_.push([&proposed, &preview](QWidget* dialog) {
        auto* pDialog = qobject_cast<QPrintDialog*>(dialog);
        kelvo::test::shoot(dialog, "print-to-pdf");
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename")))
            proposed = name->text();
        qobject_cast<QDialog*>(dialog)->reject();
        QTimer::singleShot(0, preview, &QDialog::reject);
        ASSERT_NE(pDialog, nullptr) << dialog->metaObject()->className();
    });
    commands().previewAction()->trigger();
    ASSERT_EQ(answers_.left(), 0u) << "the preview and its print dialog were shown";
    EXPECT_EQ(proposed, QString::fromStdString(windows_->session().startFolder + "/Raport okresowy szczegółowy miesięczny (01.2012r.).pdf"));
}

TEST_F(ReportCommandsTest, AnImageInAMissingFolderIsToldInPolishAndLibburnKeepsQuiet)
{
    readReport();
    kelvo::test::ScopedEnv data("XDG_DATA_HOME", dir_.file("data"));
    kelvo::test::ScopedEnv drive("KELVO_CD_DRIVE", "stdio:" + dir_.file("missing/disc.iso"));
    QSignalSpy finished(&commands(), &kelvo::windows::ReportCommands::burnFinished);
    answers_.push([](QWidget* dialog) {
        kelvo::test::shoot(dialog, "burn-message");
        qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Ok)->click();
    });
    // Standard error into a file for the burn's time.
    std::fflush(stderr);
    const int kept = ::dup(STDERR_FILENO);
    const int errors = ::open(dir_.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(errors, STDERR_FILENO);
    mainWindow().commandAction(Command::BurnCd)->trigger();
    const bool ended = finished.wait(600000) || finished.count() == 1;
    QTest::qWait(50);
    std::fflush(stderr);
    ::dup2(kept, STDERR_FILENO);
    ::close(kept);
    ::close(errors);
    ASSERT_TRUE(ended);
    EXPECT_EQ(finished.at(0).at(0).value<BurnResult>(), BurnResult::NoRecorder);
    ASSERT_EQ(answers_.left(), 0u);
    EXPECT_EQ(answers_.seen().back().text, QStringLiteral("NIE WYKRYTO NAGRYWARKI PŁYT CDR/CD-RW\nNie można użyć napędu „stdio:")
        + QString::fromStdString(dir_.file("missing/disc.iso")) + QStringLiteral("”: nie ma takiego pliku ani folderu."));
    const std::string printed = readFile(dir_.file("stderr"));
    EXPECT_EQ(printed.find("SORRY"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("stdio-path"), std::string::npos) << printed;
}

TEST_F(ReportCommandsTest, TheRecorderChosenInTheWindowsIsTheOneBurnedTo)
{
    readReport();
    kelvo::test::ScopedEnv data("XDG_DATA_HOME", dir_.file("data"));
    kelvo::test::ScopedEnv drive("KELVO_CD_DRIVE", "");
    QStringList offered;
    answers_.push([&offered](QWidget* dialog) {
        auto* choice = qobject_cast<QInputDialog*>(dialog);
        ASSERT_NE(choice, nullptr) << dialog->metaObject()->className();
        EXPECT_EQ(choice->objectName(), QStringLiteral("dlgNagrywarka"));
        offered = choice->comboBoxItems();
        choice->setTextValue(offered.back());
        kelvo::test::shoot(choice, "recorder");
        choice->accept();
    });
    choose(dir_.file("plyta"));
    commands().recorderAction()->trigger();
    ASSERT_EQ(answers_.left(), 0u) << "the choice and the image's file dialog were shown";
    ASSERT_GE(offered.size(), 2);
    EXPECT_EQ(offered.front(), QStringLiteral("Pierwsza znaleziona nagrywarka"));
    EXPECT_EQ(offered.back(), QStringLiteral("Plik obrazu płyty (ISO)…"));
    EXPECT_EQ(readFile(dir_.file("config/kelvor/nagrywarka.conf")), "nagrywarka=stdio:" + dir_.file("plyta.iso") + "\n");
    EXPECT_EQ(cwd(), windows_->session().workingFolder);

    QSignalSpy finished(&commands(), &kelvo::windows::ReportCommands::burnFinished);
    answers_.press(QMessageBox::Ok);
    mainWindow().commandAction(Command::BurnCd)->trigger();
    EXPECT_FALSE(commands().recorderAction()->isEnabled()) << "no other choice while burning";
    ASSERT_TRUE(finished.wait(600000) || finished.count() == 1);
    QTest::qWait(50);
    EXPECT_EQ(finished.at(0).at(0).value<BurnResult>(), BurnResult::Done);
    EXPECT_TRUE(std::filesystem::file_size(dir_.file("plyta.iso")) > 0) << "the image was written";
    EXPECT_TRUE(commands().recorderAction()->isEnabled());

    // The dialog opens on the choice; its first entry goes back to the first recorder found.
    QString shown;
    answers_.push([&shown](QWidget* dialog) {
        auto* choice = qobject_cast<QInputDialog*>(dialog);
        ASSERT_NE(choice, nullptr);
        shown = choice->textValue();
        choice->setTextValue(choice->comboBoxItems().front());
        choice->accept();
    });
    commands().recorderAction()->trigger();
    ASSERT_EQ(answers_.left(), 0u);
    EXPECT_EQ(shown.toStdString(), "stdio:" + dir_.file("plyta.iso"));
    EXPECT_EQ(readFile(dir_.file("config/kelvor/nagrywarka.conf")), "nagrywarka=\n");
}

TEST_F(ReportCommandsTest, SavingAndPdfExportOntoAFullDiskKeepTheOldFilesAndNameTheReason)
{
    const kelvo::test::SmallDisk disk(dir_.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "needs root, to mount a small tmpfs";
    readReport();
    // Each new file is longer than one page of the disk: the old file's page alone cannot hold it.
    const std::string text = dir_.file("disk/zapisany.txt");
    const std::string pdf = dir_.file("disk/eksport.pdf");
    writeFile(text, "an older report");
    writeFile(pdf, "an older pdf");
    disk.fill();
    for (const auto& [target, action] : {std::pair {text, mainWindow().commandAction(Command::SaveToDisk)},
                                         std::pair {pdf, commands().pdfAction()}}) {
        answers_.push([target](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            files->selectFile(QString::fromStdString(target));
            // The name typed over the one the dialog proposed; done() skips the overwrite question.
            if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(QFileInfo(QString::fromStdString(target)).fileName());
            static_cast<QDialog*>(files)->done(QDialog::Accepted);
        });
        answers_.press(QMessageBox::Ok);
        action->trigger();
        ASSERT_EQ(answers_.left(), 0u) << target;
        EXPECT_EQ(answers_.seen().back().text,
                  QStringLiteral("BŁĄD W TRAKCIE ZAPISU NA DYSK\nPlik %1: brak miejsca na dysku").arg(QString::fromStdString(target)));
    }
    EXPECT_EQ(readFile(text), "an older report");
    EXPECT_EQ(readFile(pdf), "an older pdf");
    EXPECT_EQ(cwd(), windows_->session().workingFolder);
}

TEST_F(ReportCommandsTest, ReopeningAFifoOrAHugeFileReturnsWithAMessage)
{
    readReport();
    std::filesystem::create_directories(dir_.file("odd"));
    const std::string fifo = dir_.file("odd/raport.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Should the window wait on the FIFO, a writer comes after a while and
    // lets it go, so that the test fails instead of hanging.
    std::atomic<bool> done {false};
    std::thread rescue([&done, fifo] {
        for (int waited = 0; waited < 300 && !done; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        while (!done) {
            if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    choose(fifo);
    answers_.press(QMessageBox::Ok);
    mainWindow().commandAction(Command::Browse)->trigger();
    done = true;
    rescue.join();
    ASSERT_EQ(answers_.left(), 0u) << "a message was shown";
    EXPECT_EQ(answers_.seen().back().text,
              QStringLiteral("NIE MOŻNA OTWORZYĆ RAPORTU\nPlik %1: to nie jest zwykły plik").arg(QString::fromStdString(fifo)));
    EXPECT_EQ(answers_.seen().back().caption, QStringLiteral("UWAGA"));
    EXPECT_EQ(cwd(), windows_->session().workingFolder);

    // Far larger than any report: refused before anything is read.
    const std::string huge = dir_.file("odd/ogromny.txt");
    writeFile(huge, "");
    std::filesystem::resize_file(huge, kelvo::platform::kLargestReportFile + 1);
    choose(huge);
    answers_.press(QMessageBox::Ok);
    mainWindow().commandAction(Command::Browse)->trigger();
    ASSERT_EQ(answers_.left(), 0u);
    EXPECT_EQ(answers_.seen().back().text,
              QStringLiteral("NIE MOŻNA OTWORZYĆ RAPORTU\nPlik %1: plik jest za duży").arg(QString::fromStdString(huge)));
}
