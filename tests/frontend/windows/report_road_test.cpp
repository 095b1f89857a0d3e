// The whole road against the register simulator: the connection, the range,
// the report read with its notice and progress, and the report shown.
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <unistd.h>

#include "frontend/logic/text_encoding.h"
#include "tests/frontend/windows/windows_fixture.h"
#include "tests/support/simulator_process.h"

using kelvo::frontend::Command;
using kelvo::test::readFile;

namespace {

class ReportRoadTest : public kelvo::test::WindowsTest {
protected:
    void connect()
    {
        QTest::mouseClick(connection().findChild<QPushButton*>("dDalej"), Qt::LeftButton);
        ASSERT_TRUE(range().isVisible());
        ASSERT_FALSE(connection().isVisible());
    }
    void readReport() { QTest::mouseClick(range().findChild<QPushButton*>("dDalej"), Qt::LeftButton); }
};

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

}

TEST_F(ReportRoadTest, TheMonthlyReportIsShownAsTheDriverWroteIt)
{
    startRegister({"--scenario", scenario("orvan-month.json")});
    start(QDate(2012, 2, 15));
    connect();
    EXPECT_FALSE(range().findChild<QRadioButton*>("rbRozlCalosci")->isEnabled()) << "not a read-only memory";
    EXPECT_EQ(range().findChild<QComboBox*>("cbMiesiac")->currentText(), QStringLiteral("Styczeń"));
    readReport();
    EXPECT_TRUE(answers_.seen().empty());
    EXPECT_TRUE(mainWindow().isVisible());
    EXPECT_FALSE(range().isVisible());
    EXPECT_EQ(mainWindow().statusText(), QStringLiteral("RAPORT SZCZEGÓŁOWY MIESIĘCZNY (01.2012r.)"));
    EXPECT_EQ(mainWindow().reportFileName(), QStringLiteral("ABC 12345678_SZCZ201201.txt"));
    const std::string written = readFile(work("ABC 12345678_SZCZ201201.txt"));
    EXPECT_EQ(written, readFile(std::string(KELVO_GOLDEN_REPORTS) + "/orvan-monthly.txt"));
    auto* display = mainWindow().display();
    EXPECT_TRUE(display->isVisible());
    EXPECT_EQ(display->toPlainText().toStdString(), kelvo::frontend::reportDisplayText(written));
    EXPECT_NE(display->toPlainText().indexOf(QStringLiteral("M I E S I Ę C Z N Y")), -1) << "Windows-1250 decoded";
    EXPECT_FALSE(mainWindow().findChild<QLabel*>("stOdczyt")->isVisible());
    for (std::size_t i = 0; i < kelvo::frontend::kCommandCount; ++i)
        EXPECT_TRUE(mainWindow().commandAction(static_cast<Command>(i))->isEnabled()) << i;
    EXPECT_TRUE(mainWindow().toolbarButton(Command::Print)->isEnabled());

    answers_.press(QMessageBox::Yes);
    mainWindow().close();
    EXPECT_EQ(ends_, 1);
    EXPECT_EQ(folderNames(), std::vector<std::string> {"KONFIG.TXT"});
}

TEST_F(ReportRoadTest, AFailedReportLeavesNoFileAndTheCommandsOfAFailure)
{
    startRegister({"--scenario", scenario("orvan-month.json")});
    start(QDate(2010, 1, 15));
    connect();
    answers_.press(QMessageBox::Ok);
    readReport();
    ASSERT_EQ(answers_.seen().size(), 1u);
    EXPECT_EQ(answers_.seen()[0].caption, QStringLiteral("UWAGA"));
    EXPECT_TRUE(answers_.seen()[0].text.startsWith(QStringLiteral("BŁĄD NUMER 71: BRAK RAPORTÓW DOBOWYCH")))
        << answers_.seen()[0].text.toStdString();
    EXPECT_EQ(answers_.seen()[0].buttons, QMessageBox::Ok);
    EXPECT_FALSE(std::filesystem::exists(work("ABC 12345678_SZCZ200912.txt")));
    EXPECT_FALSE(inFolder("in"));
    EXPECT_FALSE(mainWindow().display()->isVisible());
    EXPECT_FALSE(range().isVisible());
    const auto enabled = [this](Command c) { return mainWindow().commandAction(c)->isEnabled(); };
    EXPECT_TRUE(enabled(Command::Generate));
    EXPECT_FALSE(enabled(Command::Print));
    EXPECT_FALSE(enabled(Command::BurnCd));
    EXPECT_FALSE(enabled(Command::SaveToDisk));
    EXPECT_FALSE(enabled(Command::Font));
    EXPECT_TRUE(enabled(Command::Browse));
    EXPECT_TRUE(mainWindow().toolbarButton(Command::Browse)->isEnabled());
    EXPECT_FALSE(mainWindow().toolbarButton(Command::Print)->isEnabled());

    mainWindow().commandAction(Command::Generate)->trigger();
    EXPECT_TRUE(connection().isVisible()) << "the user starts again from the connection";
}

TEST_F(ReportRoadTest, ASettlementRegisterOffersKindsSixToEight)
{
    startRegister({"--scenario", scenario("pelun-read-only.json")});
    start();
    connect();
    EXPECT_TRUE(range().findChild<QRadioButton*>("rbRozlCalosci")->isEnabled());
    EXPECT_TRUE(range().findChild<QSpinBox*>("csRDo")->isEnabled());
}

TEST_F(ReportRoadTest, TheWindowPaintsProgressAndRefusesToCloseDuringTheRead)
{
    startRegister({"--scenario", scenario("orvan-read-only.json"), "--generate", "1", "--seed", "4", "--turnaround", "2"});
    start();
    connect();
    range().findChild<QRadioButton*>("rbRozlCalosci")->setChecked(true);

    auto* bar = mainWindow().findChild<QProgressBar*>("pbOdczyt");
    ASSERT_NE(bar, nullptr);
    PaintCounter paints(bar);
    std::set<int> values;
    int maximum = 0;
    int looks = 0;
    int refusedCloses = 0;
    int waitCursors = 0;
    bool noticeShown = true;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!bar->isVisible())
            return;
        ++looks;
        values.insert(bar->value());
        maximum = std::max(maximum, bar->maximum());
        noticeShown = noticeShown && mainWindow().findChild<QLabel*>("stOdczyt")->isVisible()
            && !mainWindow().display()->isVisible();
        if (!mainWindow().close() && mainWindow().isVisible())
            ++refusedCloses;
        QTest::mouseClick(mainWindow().toolbarButton(Command::Generate), Qt::LeftButton);
        if (QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
            ++waitCursors;
    });
    watch.start(50);
    readReport();
    watch.stop();

    EXPECT_TRUE(answers_.seen().empty()) << "no question asked while closing was refused";
    EXPECT_GT(looks, 3) << "the timer ran during the read: the window thread was free";
    EXPECT_EQ(refusedCloses, looks);
    EXPECT_EQ(waitCursors, looks);
    EXPECT_TRUE(noticeShown);
    EXPECT_GT(maximum, 1000) << "records against the memory's highest index";
    EXPECT_GT(values.size(), 2u) << "the bar advanced";
    EXPECT_GT(paints.count, 2) << "and was painted";
    EXPECT_TRUE(mainWindow().display()->isVisible()) << "the report came";
    EXPECT_FALSE(connection().isVisible()) << "the click on the toolbar during the read was refused";
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ReportRoadTest, PrzerwijStopsTheReadAtTheNextRecordAndReleasesThePort)
{
    const std::string log = dir_.file("requests.log");
    startRegister({"--scenario", scenario("orvan-read-only.json"), "--generate", "1", "--seed", "4", "--turnaround", "2",
        "--log", log});
    start();
    connect();
    range().findChild<QRadioButton*>("rbRozlCalosci")->setChecked(true);

    auto* bar = mainWindow().findChild<QProgressBar*>("pbOdczyt");
    auto* stop = mainWindow().findChild<QPushButton*>("bPrzerwij");
    auto* left = mainWindow().findChild<QLabel*>("stPozostalo");
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(stop, nullptr);
    ASSERT_NE(left, nullptr);
    const auto recordRequests = [&log] { return kelvo::test::logLines(log, "cmd=154 ").size(); };
    std::size_t atClick = 0;
    QString timeLeft;
    bool enabledBeforeRecords = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!bar->isVisible() || atClick != 0)
            return;
        if (stop->isEnabled() && bar->value() == 0 && bar->maximum() == 0)
            enabledBeforeRecords = true;
        if (bar->value() < 40)
            return;
        timeLeft = left->text();
        atClick = recordRequests();
        QTest::mouseClick(stop, Qt::LeftButton);
    });
    watch.start(20);
    answers_.press(QMessageBox::Ok);
    readReport();
    watch.stop();

    ASSERT_GT(atClick, 0u) << "the read was under way when Przerwij was pressed";
    EXPECT_FALSE(enabledBeforeRecords) << "Przerwij waits for the command to read";
    EXPECT_TRUE(timeLeft.startsWith(QStringLiteral("Pozostało około: "))) << timeLeft.toStdString();
    EXPECT_LE(recordRequests(), atClick + 1) << "at most the record asked for already is answered";
    ASSERT_EQ(answers_.left(), 0u);
    EXPECT_EQ(answers_.seen().back().caption, QStringLiteral("UWAGA"));
    EXPECT_EQ(answers_.seen().back().text, QStringLiteral("BŁĄD NUMER 124: ODCZYT PRZERWANY PRZEZ UŻYTKOWNIKA"));
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(mainWindow().commandAction(Command::Generate)->isEnabled()) << "the commands of a failed read";
    EXPECT_FALSE(mainWindow().commandAction(Command::Print)->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(work(mainWindow().reportFileName().toStdString())));

    const int port = ::open(dir_.file("com").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(port, 0);
    EXPECT_EQ(::flock(port, LOCK_EX | LOCK_NB), 0) << "the port was released";
    ::close(port);
}
