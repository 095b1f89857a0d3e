// The range window: its defaults from today's date and its reactions.
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "frontend/windows/radio_group.h"
#include "tests/frontend/windows/windows_fixture.h"

using kelvo::windows::RadioGroup;

namespace {

class RangeWindowTest : public kelvo::test::WindowsTest {
protected:
    void SetUp() override
    {
        kelvo::test::writeFile(work("KONFIG.TXT"), "$1\tCOM1:9600:MUX0:1\t5\tKELVO\r\n");
        start();
        range().show();
    }

    void focusEnters(const char* name)
    {
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(control(name), &in);
    }

    int kind() const { return range().choice().kind; }
};

}

TEST_F(RangeWindowTest, DefaultsOnTheFifteenthOfJanuary2010)
{
    EXPECT_EQ(range().windowTitle(), QStringLiteral("ZAKRES RAPORTÓW OKRESOWYCH"));
    auto* month = control<QComboBox>("cbMiesiac");
    ASSERT_EQ(month->count(), 12);
    EXPECT_EQ(month->itemText(6), QStringLiteral("Lipiec "));
    EXPECT_EQ(month->currentText(), QStringLiteral("Grudzień"));
    auto* year = control<QSpinBox>("csRok");
    EXPECT_EQ(year->value(), 2009);
    EXPECT_EQ(year->minimum(), 2001);
    EXPECT_EQ(year->maximum(), 2100);
    for (const char* name : {"dtOd", "dtDo", "dtROd", "dtRDo"}) {
        auto* date = control<QDateEdit>(name);
        EXPECT_EQ(date->date(), QDate(2010, 1, 15)) << name;
        EXPECT_TRUE(date->calendarPopup());
        EXPECT_EQ(date->text(), QStringLiteral("piątek, 15 stycznia 2010")) << "the Polish long date";
    }
    for (const char* name : {"csOd", "csDo", "csROd", "csRDo"}) {
        auto* number = control<QSpinBox>(name);
        EXPECT_EQ(number->value(), 1);
        EXPECT_EQ(number->minimum(), 1);
        EXPECT_EQ(number->maximum(), 2060);
    }
    EXPECT_TRUE(control<QRadioButton>("rbMiesieczny")->isChecked());
    const std::pair<const char*, QString> kinds[] = {{"rbMiesieczny", QStringLiteral("1. MIESIĘCZNY ZA")},
        {"rbWedlugDat", QStringLiteral("2. WG DAT OD")}, {"rbWgNumerow", QStringLiteral("3. WEDŁUG NUMERÓW OD")},
        {"rgMiesiecznyPoprzedni", QStringLiteral("4. ZA MIESIĄC POPRZEDNI")},
        {"rbMiesiecznyBiezacy", QStringLiteral("5. ZA MIESIĄC BIEŻĄCY")},
        {"rbRozlDat", QStringLiteral("6. ROZLICZENIOWY WG DAT OD")},
        {"rbRozlNr", QStringLiteral("7. ROZLICZENIOWY WG NUMERÓW OD")},
        {"rbRozlCalosci", QStringLiteral("8. ROZLICZENIOWY CAŁOŚCI")}};
    for (const auto& [name, caption] : kinds)
        EXPECT_EQ(control<QRadioButton>(name)->text(), caption) << name;
    auto* variant = control<RadioGroup>("rgTypRaportu");
    EXPECT_FALSE(variant->isVisible());
    EXPECT_EQ(variant->itemIndex(), 0);
    EXPECT_TRUE(control<QPushButton>("dDalej")->isDefault());
    EXPECT_EQ(control<QPushButton>("bWstecz")->text(), QStringLiteral("&Wstecz"));
}

TEST_F(RangeWindowTest, YearsBeforeTwoThousandOneAreClamped)
{
    start(QDate(2001, 1, 3));
    EXPECT_EQ(control<QSpinBox>("csRok")->value(), 2001) << "December 2000 is below the year's limit";
    EXPECT_EQ(control<QComboBox>("cbMiesiac")->currentIndex(), 11);
}

TEST_F(RangeWindowTest, FocusSelectsTheKindOfTheRange)
{
    const std::pair<const char*, int> cases[] = {{"dtOd", 2}, {"cbMiesiac", 1}, {"dtRDo", 6}, {"csOd", 3},
        {"csROd", 7}, {"dtDo", 2}, {"csRDo", 7}, {"csRok", 1}, {"dtROd", 6}};
    for (const auto& [name, expected] : cases) {
        focusEnters(name);
        EXPECT_EQ(kind(), expected) << name;
    }
    control<QSpinBox>("csDo")->setValue(4);
    EXPECT_EQ(kind(), 3) << "a changed number selects its kind";
    control<QSpinBox>("csRok")->setValue(2005);
    EXPECT_EQ(kind(), 1);
    QTest::keyClick(control("csROd"), Qt::Key_5);
    EXPECT_EQ(kind(), 7);
}

TEST_F(RangeWindowTest, TabbingIntoTheRangeControlsSelectsTheirKind)
{
    range().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&range()));
    control("csOd")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(kind(), 3);
    control("dtRDo")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(kind(), 6);
    control("cbMiesiac")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(kind(), 1);
}

TEST_F(RangeWindowTest, TheLastValuesFollowTheFirst)
{
    auto* first = control<QDateEdit>("dtOd");
    auto* last = control<QDateEdit>("dtDo");
    first->setDate(QDate(2010, 3, 1));
    EXPECT_EQ(last->date(), QDate(2010, 3, 1)) << "a first date after the last moves the last along";
    last->setDate(QDate(2010, 2, 1));
    EXPECT_EQ(last->date(), QDate(2010, 2, 1)) << "an earlier last date is left to the driver";
    control<QDateEdit>("dtROd")->setDate(QDate(2011, 5, 5));
    EXPECT_EQ(control<QDateEdit>("dtRDo")->date(), QDate(2011, 5, 5));

    control<QSpinBox>("csOd")->setValue(9);
    control<QSpinBox>("csDo")->setValue(5);
    focusEnters("dtOd");
    focusEnters("csDo");
    EXPECT_EQ(control<QSpinBox>("csDo")->value(), 9);
    EXPECT_EQ(kind(), 3);

    control<QSpinBox>("csRDo")->setValue(3);
    control<QSpinBox>("csROd")->setValue(12);
    focusEnters("csOd");
    QTest::keyRelease(control("csROd"), Qt::Key_2);
    EXPECT_EQ(control<QSpinBox>("csRDo")->value(), 12);
    EXPECT_EQ(kind(), 3) << "raising a number selects no kind of its own";
}

TEST_F(RangeWindowTest, TheSettlementSwitchGreysKindsSixToEight)
{
    const char* const settlement[] = {"rbRozlDat", "rbRozlNr", "rbRozlCalosci", "dtROd", "dtRDo", "csROd", "csRDo"};
    range().setSettlementEnabled(false);
    for (const char* name : settlement)
        EXPECT_FALSE(control(name)->isEnabled()) << name;
    EXPECT_TRUE(control("rbWgNumerow")->isEnabled());
    range().setSettlementEnabled(true);
    for (const char* name : settlement)
        EXPECT_TRUE(control(name)->isEnabled()) << name;
}

TEST_F(RangeWindowTest, BackShowsTheConnectionWindowAgain)
{
    connection().hide();
    QTest::mouseClick(control<QPushButton>("bWstecz"), Qt::LeftButton);
    EXPECT_FALSE(range().isVisible());
    EXPECT_TRUE(connection().isVisible());
}

TEST_F(RangeWindowTest, EnterInTheLastNumberRunsTheReportAndAFailureLeavesNoFiles)
{
    answers_.press(QMessageBox::Yes);
    answers_.press(QMessageBox::Yes);
    QTest::mouseClick(connection().findChild<QPushButton*>("dDalej"), Qt::LeftButton);
    ASSERT_EQ(answers_.seen().size(), 2u) << "no register: on without it";
    range().show();
    answers_.press(QMessageBox::Ok);
    control<QSpinBox>("csDo")->setValue(2);
    QTest::keyClick(control("csDo"), Qt::Key_Return);
    ASSERT_EQ(answers_.seen().size(), 3u);
    EXPECT_EQ(answers_.seen()[2].caption, QStringLiteral("UWAGA"));
    EXPECT_EQ(answers_.seen()[2].text, QStringLiteral("BŁĄD NUMER 62: NIE MOŻNA OTWORZYĆ PORTU SZEREGOWEGO"));
    EXPECT_EQ(answers_.seen()[2].buttons, QMessageBox::Ok);
    EXPECT_FALSE(range().isVisible());
    EXPECT_TRUE(mainWindow().isVisible());
    EXPECT_EQ(mainWindow().statusText(), QStringLiteral("RAPORT SZCZEGÓŁOWY WEDŁUG NUMERÓW OD RAPORTU 1 DO RAPORTU 2"));
    EXPECT_EQ(mainWindow().reportFileName(), QStringLiteral("_SZCZ1-2.txt")) << "no unique number was read";
    EXPECT_FALSE(std::filesystem::exists(work("_SZCZ1-2.txt")));
    EXPECT_FALSE(inFolder("in"));
    EXPECT_TRUE(std::filesystem::exists(work("KONFIG.TXT")));
}

TEST_F(RangeWindowTest, ClosingTheRangeWindowSweepsAndEnds)
{
    kelvo::test::writeFile(work("out.txt"), "x");
    range().close();
    EXPECT_EQ(ends_, 1);
    EXPECT_FALSE(std::filesystem::exists(work("out.txt")));
}
