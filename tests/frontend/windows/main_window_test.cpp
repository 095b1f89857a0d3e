// The main window: its commands and their states, the display and its font,
// resizing, and the end-of-program question.
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "frontend/logic/kept_records_setting.h"
#include "platform/single_instance.h"
#include "tests/frontend/windows/windows_fixture.h"

using kelvo::frontend::Command;
using kelvo::frontend::CommandEvent;
using kelvo::test::writeFile;

namespace {

class MainWindowTest : public kelvo::test::WindowsTest {
protected:
    void SetUp() override
    {
        start();
        mainWindow().show();
    }

    // Menu items and toolbar buttons, "on" or "off", in menu order.
    std::string states() const
    {
        std::string text;
        for (std::size_t i = 0; i < kelvo::frontend::kCommandCount; ++i) {
            text += mainWindow().commandAction(static_cast<Command>(i))->isEnabled() ? "1" : "0";
            if (QToolButton* button = mainWindow().toolbarButton(static_cast<Command>(i)))
                text += button->isEnabled() ? "1" : "0";
            text += " ";
        }
        return text;
    }
};

}

TEST_F(MainWindowTest, TheKeptRecordsSwitchIsOnUntilTurnedOffAndRemembersItsChoice)
{
    const auto keep = [this] { return mainWindow().findChild<QAction*>(QStringLiteral("PamiecRekordow1")); };
    ASSERT_NE(keep(), nullptr);
    EXPECT_TRUE(keep()->isCheckable());
    EXPECT_TRUE(keep()->isChecked());
    keep()->trigger();
    EXPECT_FALSE(keep()->isChecked());
    EXPECT_EQ(kelvo::test::readFile(dir_.file("config/kelvor/pamiec-rekordow.conf")), "pamiec-rekordow=nie\n");
    EXPECT_FALSE(kelvo::frontend::keptRecordsWanted()) << "the next start finds it off";
    keep()->trigger();
    EXPECT_TRUE(kelvo::frontend::keptRecordsWanted());
}

TEST_F(MainWindowTest, CaptionSizeMenuAndToolbar)
{
    EXPECT_EQ(mainWindow().windowTitle(), QStringLiteral("KELVOR_1_1 | KELVO Systemy Fiskalne 2026 |  wersja 1"));
    EXPECT_EQ(mainWindow().size(), QSize(727, 733));
    QMenuBar* menu = control<QMenuBar>("menu");
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Raport okresowy"));
    QStringList items;
    for (QAction* action : menu->actions()[0]->menu()->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->objectName() + "=" + action->text());
    EXPECT_EQ(items, (QStringList {"Odczytaj1=Generacja raportu z podłączonej kasy", "Wydruk2=Wydruk",
                         "Zapis1=Zapis na dysk CD", "ZapisnadyskCD1=Zapis na dysk", "Podgladwydruku1=Podgląd wydruku",
                         "ZapisdoplikuPDF1=Zapis do pliku PDF", "ZestawienieKsiegowe1=Zestawienie dla księgowości", "-", "Ustawienia1=Czcionka ", "Nagrywarka1=Nagrywarka płyt CD", "-",
                         "Odczytzdysku1=Przeglądanie zapisanych raportów", "-",
                         "PamiecRekordow1=Pamięć podręczna rekordów", "Wyj1=Wyjście z programu"}));

    QStringList buttons;
    for (QAction* action : control<QToolBar>("tbTool")->actions()) {
        QWidget* widget = control<QToolBar>("tbTool")->widgetForAction(action);
        buttons << (action->isSeparator() ? QStringLiteral("-") : widget->objectName() + "=" + widget->toolTip());
        if (!action->isSeparator()) {
            EXPECT_FALSE(static_cast<QToolButton*>(widget)->icon().isNull()) << widget->objectName().toStdString();
        }
    }
    EXPECT_EQ(buttons, (QStringList {"tbOdczyt=Generacja raportu z podłączonej kasy", "-", "tbWydruk=Wydruk", "-",
                           "tbOdczytZDysku=Przeglądanie zapisanych raportów", "-", "tbZapisCD=Zapis na dysk CD", "-",
                           "tbZapisDysk=Zapis na dysk", "-", "tbSettings=Czcionka ", "-", "tbPodglad=Podgląd wydruku", "-", "tbPdf=Zapis do pliku PDF", "-",
                           "tbZestawienie=Zestawienie dla księgowości"}));
    EXPECT_EQ(states(), "11 00 00 00 00 11 11 1 ") << "at start";

    auto* display = control<QPlainTextEdit>("reRaportOkresowy");
    EXPECT_FALSE(display->isVisible());
    EXPECT_FALSE(display->isReadOnly());
    EXPECT_EQ(display->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(display->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(QFontInfo(display->font()).family(), QStringLiteral("Liberation Mono")) << "the metric twin of Courier New";
    EXPECT_EQ(QFontInfo(display->font()).pixelSize(), 13);
    auto* notice = control<QLabel>("stOdczyt");
    EXPECT_EQ(notice->text(), QStringLiteral("...TRWA ODCZYT DANYCH Z KASY..."));
    EXPECT_EQ(QFontInfo(notice->font()).pixelSize(), 32);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_EQ(QFontInfo(control<QStatusBar>("sb")->font()).pixelSize(), 16);
}

TEST_F(MainWindowTest, CommandStatesOfEachEvent)
{
    mainWindow().setCommandStates(CommandEvent::ReadRunning);
    EXPECT_EQ(states(), "01 00 00 00 00 01 00 1 ") << "generate and font keep their look";
    QTest::mouseClick(mainWindow().toolbarButton(Command::Generate), Qt::LeftButton);
    EXPECT_TRUE(mainWindow().isVisible()) << "a button does nothing while its menu item is disabled";
    mainWindow().setCommandStates(CommandEvent::ReadFailed);
    EXPECT_EQ(states(), "11 00 00 00 00 01 11 1 ") << "saved reports stay within reach";
    mainWindow().setCommandStates(CommandEvent::SavedReportOpened);
    EXPECT_EQ(states(), "11 11 00 00 00 01 11 1 ") << "a reopened report has no figures";
    mainWindow().setCommandStates(CommandEvent::ReadSucceeded);
    EXPECT_EQ(states(), "11 11 11 11 11 11 11 1 ");

    QTest::mouseClick(mainWindow().toolbarButton(Command::Generate), Qt::LeftButton);
    EXPECT_FALSE(mainWindow().isVisible());
    EXPECT_TRUE(connection().isVisible());
}

TEST_F(MainWindowTest, ResizingMovesTheDisplayAndTheNoticeToTheCentre)
{
    auto* display = control<QPlainTextEdit>("reRaportOkresowy");
    auto* notice = control<QLabel>("stOdczyt");
    const int bars = mainWindow().menuBar()->height() + control<QToolBar>("tbTool")->height()
        + control<QStatusBar>("sb")->height();
    for (const QSize size : {QSize(900, 800), QSize(727, 733), QSize(400, 300)}) {
        mainWindow().resize(size);
        QApplication::processEvents();
        EXPECT_EQ(display->width(), size.width() - 10);
        EXPECT_EQ(display->height(), size.height() - bars - 2);
        const int left = (display->width() - notice->width()) / 2;
        const int top = (display->height() - notice->height()) / 2;
        EXPECT_EQ(notice->x() - display->x(), left) << size.width();
        EXPECT_EQ(notice->y() - display->y(), top);
    }
    EXPECT_LT(display->width(), notice->width()) << "a notice wider than the display: the half is truncated toward zero";
    EXPECT_EQ((display->width() - notice->width()) % 2 != 0, true) << "an odd difference shows the truncation";
}

TEST_F(MainWindowTest, NoKeepsTheProgramAndYesLeavesOnlyTheConfiguration)
{
    for (const char* name : {"KONFIG.TXT", "in", "in1", "out", "out.txt", "ecrtbuf.txt", "raport.txt", "debug.txt"})
        writeFile(work(name), "x");
    writeFile(work("ABC12345678_SZCZ201201.txt"), "          R A P O R T\r\n");
    answers_.press(QMessageBox::No);
    EXPECT_FALSE(mainWindow().close());
    ASSERT_EQ(answers_.seen().size(), 1u);
    EXPECT_EQ(answers_.seen()[0].caption, QStringLiteral("PYTANIE"));
    EXPECT_EQ(answers_.seen()[0].text, QStringLiteral("CZY ZAKOŃCZYĆ PROGRAM?"));
    EXPECT_EQ(answers_.seen()[0].icon, QMessageBox::Question);
    EXPECT_EQ(answers_.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(mainWindow().isVisible());
    EXPECT_EQ(folderNames().size(), 9u);
    EXPECT_EQ(ends_, 0);

    mainWindow().setClosingAllowed(false);
    EXPECT_FALSE(mainWindow().close()) << "while a CD is burned";
    mainWindow().commandAction(Command::Exit)->trigger();
    EXPECT_EQ(answers_.seen().size(), 1u) << "nothing asked";
    EXPECT_TRUE(mainWindow().isVisible());
    mainWindow().setClosingAllowed(true);

    answers_.press(QMessageBox::Yes);
    mainWindow().commandAction(Command::Exit)->trigger();
    EXPECT_EQ(answers_.seen().size(), 2u);
    EXPECT_FALSE(mainWindow().isVisible());
    EXPECT_EQ(ends_, 1);
    EXPECT_EQ(folderNames(), std::vector<std::string> {"KONFIG.TXT"});
}

TEST_F(MainWindowTest, TheFontDialogOffersSixToSixteenPoints)
{
    QFont seenInDialog;
    const auto choose = [&seenInDialog](int points, bool ok) {
        return [&seenInDialog, points, ok](QWidget* dialog) {
            auto* fonts = qobject_cast<QFontDialog*>(dialog);
            ASSERT_NE(fonts, nullptr);
            EXPECT_EQ(fonts->objectName(), QStringLiteral("fdCzcionka"));
            EXPECT_TRUE(fonts->testOption(QFontDialog::MonospacedFonts));
            EXPECT_TRUE(fonts->testOption(QFontDialog::ScalableFonts));
            QFont font(QStringLiteral("Liberation Mono"));
            font.setPointSize(points);
            fonts->setCurrentFont(font);
            seenInDialog = fonts->currentFont();
            ok ? fonts->accept() : fonts->reject();
        };
    };
    answers_.push(choose(30, true));
    mainWindow().commandAction(Command::Font)->trigger();
    EXPECT_EQ(seenInDialog.pointSize(), 16) << "the dialog moved the size into the range at once";
    EXPECT_EQ(mainWindow().reportFont().pointSize(), 16);
    EXPECT_EQ(control<QPlainTextEdit>("reRaportOkresowy")->font().pointSize(), 16);

    answers_.push(choose(4, true));
    QTest::mouseClick(mainWindow().toolbarButton(Command::Font), Qt::LeftButton);
    EXPECT_EQ(mainWindow().reportFont().pointSize(), 6);

    answers_.push(choose(11, false));
    mainWindow().commandAction(Command::Font)->trigger();
    EXPECT_EQ(mainWindow().reportFont().pointSize(), 6) << "Cancel changes nothing";
    EXPECT_EQ(answers_.left(), 0u);
}

TEST_F(MainWindowTest, TheFontDialogOpensOnTheDisplaysFontAndOkUntouchedKeepsIt)
{
    const QFont before = mainWindow().reportFont();
    QFont offered;
    answers_.push([&offered](QWidget* dialog) {
        auto* fonts = qobject_cast<QFontDialog*>(dialog);
        ASSERT_NE(fonts, nullptr);
        offered = fonts->currentFont();
        kelvo::test::shoot(fonts, "font-dialog");
        fonts->accept();
    });
    mainWindow().commandAction(Command::Font)->trigger();
    ASSERT_EQ(answers_.left(), 0u);

    const QFontInfo shown(control<QPlainTextEdit>("reRaportOkresowy")->font());
    EXPECT_EQ(QFontInfo(offered).family(), shown.family()) << "the family the display shows";
    EXPECT_FALSE(offered.italic());
    EXPECT_EQ(QFontInfo(offered).styleName(), shown.styleName());
    EXPECT_EQ(offered.pointSize(), 10) << "13 pixels at 96 dpi, in whole points";

    EXPECT_EQ(mainWindow().reportFont(), before) << "OK on the offered font changes nothing";
    EXPECT_FALSE(control<QPlainTextEdit>("reRaportOkresowy")->font().italic());
    EXPECT_EQ(QFontInfo(control<QPlainTextEdit>("reRaportOkresowy")->font()).pixelSize(), 13);
}

TEST_F(MainWindowTest, ACopyStartedLaterBringsTheWindowsOnScreenToTheFront)
{
    const kelvo::test::ScopedEnv runtime {"XDG_RUNTIME_DIR", dir_.path()};
    const kelvo::platform::SingleInstance instance("kelvor-test");
    ASSERT_TRUE(instance.acquired());
    windows_->answerLaterCopies(instance);
    mainWindow().showMinimized();
    QTest::qWait(50);
    ASSERT_TRUE(mainWindow().windowState() & Qt::WindowMinimized);

    ASSERT_TRUE(kelvo::platform::SingleInstance::askHolderToShow("kelvor-test"));
    for (int waited = 0; waited < 5000 && (mainWindow().windowState() & Qt::WindowMinimized); waited += 20)
        QTest::qWait(20);
    EXPECT_FALSE(mainWindow().windowState() & Qt::WindowMinimized) << "out of the task bar";
    EXPECT_TRUE(mainWindow().isVisible());
    EXPECT_FALSE(windows_->range().isVisible()) << "a hidden window stays hidden";
}
